#include "dialogs/f_numer_kasy.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "commands/printer_options.h"
#include "dialogs/qt_text.h"

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
  auto* question = new QLabel(QStringLiteral("Czy wpisać tak ustawione dane?"), this);
  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("&Nie"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TfNumerKasy::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Numer kasy"), seNrKasy);
  fields->addRow(QStringLiteral("Kod obsługującego"), eKod);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(question, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
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
