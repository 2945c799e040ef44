// The "&Ustawienia" menu: register number and operator code, paper feed,
// rounding, and the two dates a Luno keeps.
#include <QAction>
#include <QLineEdit>
#include <QSpinBox>
#include <string>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "commands/counters.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_data_euro_przeglad.h"
#include "app/dialogs/f_ilosc_wierszy.h"
#include "app/dialogs/f_numer_kasy.h"
#include "app/dialogs/f_sposob_zaokraglania.h"
#include "app/dialogs/f_ustawienia.h"
#include "app/dialogs/qt_text.h"
#include "protocol/device_family.h"

namespace sigra::app {

void TGlowneOkno::Nrkasyikodobsugujcego1Click() {
  uint8_t type = 0;
  if (DeviceStep(type) && ClockStep()) {
    int32_t number = 0;
    std::string code;
    if (const int32_t result = PrinterNumber(number, code); result != 0) {
      ReportResultCode(result);
    } else {
      fNumerKasy->eKod->setText(FromCp1250(code));
      fNumerKasy->seNrKasy->setValue(number);
      HideProgressText();
      ShowDialogStep(*fNumerKasy);
    }
  }
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Ilo1Click() {
  uint8_t type = 0;
  if (DeviceStep(type) && ClockStep()) {
    // The Luno models and other devices may feed no paper at all.
    const int least = IsLunoOrOther(type) ? 0 : 3;
    fIloscWierszy->seIloscWierszy->setMinimum(least);
    fIloscWierszy->seIloscWierszy->setValue(least);
    HideProgressText();
    ShowDialogStep(*fIloscWierszy);
  }
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Sposbzaokrglania1Click() {
  uint8_t type = 0;
  if (DeviceStep(type) && ClockStep()) {
    HideProgressText();
    ShowDialogStep(*fSposobZaokraglania);
  }
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Ustawienia2Click() {
  ShowDialogStep(*fUstawienia);
}

void TGlowneOkno::Datawprowadzeniaeuro1Click() {
  EuroDateMode = true;
  fDataEuroPrzeglad->setWindowTitle(QStringLiteral("Data wprowadzenia euro"));
  fDataEuroPrzeglad->exec();
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Datanastpnegoprzegldu1Click() {
  EuroDateMode = false;
  fDataEuroPrzeglad->setWindowTitle(QStringLiteral("Data następnego przeglądu okresowego"));
  fDataEuroPrzeglad->exec();
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::ConnectSettingsCommands() {
  const struct {
    const char* item;
    void (TGlowneOkno::*handler)();
  } items[] = {{"Nrkasyikodobsugujcego1", &TGlowneOkno::Nrkasyikodobsugujcego1Click},
               {"Ilo1", &TGlowneOkno::Ilo1Click},
               {"Sposbzaokrglania1", &TGlowneOkno::Sposbzaokrglania1Click},
               {"Ustawienia2", &TGlowneOkno::Ustawienia2Click},
               {"Datawprowadzeniaeuro1", &TGlowneOkno::Datawprowadzeniaeuro1Click},
               {"Datanastpnegoprzegldu1", &TGlowneOkno::Datanastpnegoprzegldu1Click}};
  for (const auto& entry : items) {
    ConnectCommand(entry.item, entry.handler);
  }
}

}  // namespace sigra::app
