#include "app/dialogs/f_ilosc_wierszy.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

#include "commands/printer_options.h"

namespace sigra::app {

TfIloscWierszy::TfIloscWierszy(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fIloscWierszy"));
  setWindowTitle(QStringLiteral("Odpowiedz..."));
  seIloscWierszy = new QSpinBox(this);
  seIloscWierszy->setObjectName(QStringLiteral("seIloscWierszy"));
  seIloscWierszy->setRange(3, 30);
  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Liczba wysuwów:"), seIloscWierszy);
  const QuestionButtons buttons =
      LayOutQuestion(fields, QStringLiteral("Czy wpisać tak ustawioną liczbę?"));
  Button1 = buttons.yes;
  Button2 = buttons.no;
  connect(Button1, &QPushButton::clicked, this, &TfIloscWierszy::Button1Click);
}

void TfIloscWierszy::FormActivate() {
  seIloscWierszy->setFocus();
}

void TfIloscWierszy::Button1Click() {
  if (Succeeded(WriteFeedLines(static_cast<uint8_t>(seIloscWierszy->value())))) accept();
}

}  // namespace sigra::app
