#include "dialogs/f_sposob_zaokraglania.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "commands/printer_options.h"
#include "dialogs/radio_group.h"

namespace sigra::app {
namespace {

// A printer without rounding modes refuses the read; it rounds to a grosz.
constexpr int32_t kNoRoundingModes = 24;

}  // namespace

TfSposobZaokraglania::TfSposobZaokraglania(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fSposobZaokraglania"));
  setWindowTitle(QStringLiteral("Odpowiedz..."));
  rgZaokraglanie =
      new TRadioGroup(QString(),
                      {QStringLiteral("jednostki groszy"), QStringLiteral("dziesiątki groszy"),
                       QStringLiteral("jednostki złotych")},
                      this, 1);
  rgZaokraglanie->setObjectName(QStringLiteral("rgZaokraglanie"));
  rgZaokraglanie->SetItemIndex(0);
  auto* question = new QLabel(QStringLiteral("Czy wpisać tak ustawiony sposób zaokrągleń?"), this);
  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("&Nie"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TfSposobZaokraglania::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(rgZaokraglanie);
  layout->addWidget(question, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfSposobZaokraglania::FormActivate() {
  int32_t mode = 0;
  const int32_t code = ReadRounding(mode);
  if (code == kNoRoundingModes) {
    mode = 0;
  } else if (!Succeeded(code)) {
    return;
  }
  rgZaokraglanie->SetItemIndex(mode);
}

void TfSposobZaokraglania::Button1Click() {
  if (Succeeded(WriteRounding(static_cast<uint8_t>(rgZaokraglanie->ItemIndex())))) accept();
}

}  // namespace sigra::app
