#include "dialogs/f_ilosc_wierszy.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "commands/printer_options.h"

namespace sigra::app {

TfIloscWierszy::TfIloscWierszy(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fIloscWierszy"));
  setWindowTitle(QStringLiteral("Odpowiedz..."));
  seIloscWierszy = new QSpinBox(this);
  seIloscWierszy->setObjectName(QStringLiteral("seIloscWierszy"));
  seIloscWierszy->setRange(3, 30);
  auto* question = new QLabel(QStringLiteral("Czy wpisać tak ustawioną liczbę?"), this);
  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("&Nie"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TfIloscWierszy::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  auto* fields = new QFormLayout;
  fields->addRow(QStringLiteral("Liczba wysuwów:"), seIloscWierszy);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(question, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfIloscWierszy::FormActivate() {
  seIloscWierszy->setFocus();
}

void TfIloscWierszy::Button1Click() {
  if (Succeeded(WriteFeedLines(static_cast<uint8_t>(seIloscWierszy->value())))) accept();
}

}  // namespace sigra::app
