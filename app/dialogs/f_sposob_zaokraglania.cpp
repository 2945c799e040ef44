#include "app/dialogs/f_sposob_zaokraglania.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "commands/printer_options.h"
#include "app/dialogs/radio_group.h"

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
  auto* fields = new QVBoxLayout;
  fields->addWidget(rgZaokraglanie);
  const QuestionButtons buttons =
      LayOutQuestion(fields, QStringLiteral("Czy wpisać tak ustawiony sposób zaokrągleń?"));
  Button1 = buttons.yes;
  Button2 = buttons.no;
  connect(Button1, &QPushButton::clicked, this, &TfSposobZaokraglania::Button1Click);
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
