// "Serwis" > "Użytkownik": opens the user-data editor, after checking that the
// printer answers and keeps user data, or, when it does not answer, on the
// operator's word without it.
#include <QAction>
#include <string>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "commands/clock.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_dane_uzytkownika.h"
#include "app/dialogs/radio_group.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"

namespace sigra::app {
namespace {

// Result codes that say the printer does not answer on this port and speed.
bool NoCommunication(int32_t code) {
  return code == 20 || code == 21 || code == 23;
}

// Whether the command goes on to the editor with a printer connected.
bool PrinterReady() {
  uint8_t type = 0;
  if (!DeviceStep(type) || !ClockStep(QStringLiteral("Skasowana pamięć CMOS."))) return false;
  uint32_t version = 0;
  if (const int32_t code = ReadDeviceType(UserDataDeviceType, version); code != 0) {
    ReportResultCode(code);
    return false;
  }
  return SecondGenerationStep(UserDataDeviceType, {3, 6, 7, 8, 9}, false);
}

}  // namespace

void TGlowneOkno::Odczytuytkownika1Click() {
  link::PurgePrinterPort();
  OpenConfiguredPort();
  std::string date;
  std::string time;
  bool editOnly = false;
  if (NoCommunication(ReadClock(date, time))) {
    ErrorBeep();
    HideProgressText();
    if (ShowMessage(QStringLiteral("Brak komunikacji z drukarką fiskalną (niewłaściwie ustawione "
                                   "parametry komunikacji).\r                  Czy przejść do "
                                   "edycji danych użytkownika?"),
                    QStringLiteral("Odpowiedz"), kQuestionStyle) != kIdYes) {
      SetArrowCursor();
      return;
    }
    editOnly = true;
  }
  if (editOnly || PrinterReady()) {
    ErrorBeep();
    const uint8_t type = UserDataDeviceType;
    fDaneUzytkownika->rgTyp->SetItemIndex(IsLunoOrOther(type) ? 1 : 0);
    fDaneUzytkownika->rgTypClick();
    HideProgressText();
    fDaneUzytkownika->exec();
  }
  HideProgressText();
  SetArrowCursor();
}

void TGlowneOkno::ConnectUserDataCommand() {
  ConnectCommand("Odczytuytkownika1", &TGlowneOkno::Odczytuytkownika1Click);
}

}  // namespace sigra::app
