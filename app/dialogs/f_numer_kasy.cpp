#include "app/dialogs/f_numer_kasy.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "commands/printer_options.h"
#include "app/dialogs/qt_text.h"

namespace sigra::app {

TfNumerKasy::TfNumerKasy(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fNumerKasy"));
  setWindowTitle(QStringLiteral("Odpowiedz..."));
  seNrKasy = new QSpinBox(this);
  seNrKasy->setObjectName(QStringLiteral("seNrKasy"));
  seNrKasy->setRange(1, 99);
  eKod = new QLineEdit(this);
  eKod->setObjectName(QStringLiteral("eKod"));
  eKod->setMaxLength(2);
  eKod->setFixedWidth(48);
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Numer kasy"), seNrKasy);
  fields->addRow(QStringLiteral("Kod obsługującego"), eKod);
  const QuestionButtons buttons =
      LayOutQuestion(fields, QStringLiteral("Czy wpisać tak ustawione dane?"));
  Button1 = buttons.yes;
  Button2 = buttons.no;
  connect(Button1, &QPushButton::clicked, this, &TfNumerKasy::Button1Click);
}

void TfNumerKasy::FormActivate() {
  seNrKasy->setFocus();
}

void TfNumerKasy::Button1Click() {
  const QString code = eKod->text().rightJustified(2, QChar(' '));
  const QString number = QString::number(seNrKasy->value()).rightJustified(2, QChar('0'));
  if (Succeeded(WriteRegisterNumber(ToCp1250(number), ToCp1250(code)))) accept();
}

}  // namespace sigra::app
