// The clock menu: reading the printer's clock, shifting it, and the clock
// initialisation after its clock memory was erased.
#include <QAction>
#include <QDate>
#include <QDateEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTime>
#include <QTimer>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_data_godzina.h"
#include "app/dialogs/f_przestawianie.h"
#include "app/dialogs/f_ustaw_zegar.h"
#include "app/dialogs/time_field.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

const QString kImpossible =
    QStringLiteral("Zainicjowanie zegara drukarki fiskalnej jest niemożliwe.\r");

void EndCommand() {
  HideProgressText();
  SetArrowCursor();
}

void Refuse(const QString& reason) {
  ErrorBeep();
  HideProgressText();
  ShowError(kImpossible + reason);
}

enum class InitCheck { Possible, Refused, AskAgain };

// Whether the printer's state lets the clock be initialised now; a refusal
// has been shown.
InitCheck CheckClockInitialisation() {
  int32_t count = 0;
  uint8_t b[9] = {};
  bool hasByte8 = false;
  if (const int32_t result =
          ReadStatusBytes(count, b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], hasByte8);
      result != 0) {
    ReportResultCode(result);
    return InitCheck::Refused;
  }
  if ((b[2] & 0x10) == 0) {
    Refuse(QStringLiteral("               Zegar jest już zainicjowany.             "));
    return InitCheck::Refused;
  }
  if (b[3] & 0x08) {
    Refuse(QStringLiteral("Zbyt niskie napięcie akumulatora podtrzymującego pamięć CMOS."));
    return InitCheck::Refused;
  }
  if (count >= 5 && (b[5] & 0x40)) {
    Refuse(QStringLiteral("Brak napięcia programującego pamięć fiskalną."));
    return InitCheck::Refused;
  }
  if (count >= 7 && (b[7] & 0x02)) {
    Refuse(QStringLiteral("Niskie napięcie akumulatora głównego."));
    return InitCheck::Refused;
  }
  if (b[1] & 0x08) {
    if (b[3] & 0x04) {
      Refuse(QStringLiteral("Awaria drukarki"));
      return InitCheck::Refused;
    }
    if ((b[4] & 0x40) == 0) {
      ErrorBeep();
      HideProgressText();
      const int answer =
          ShowMessage(kImpossible + QStringLiteral("       Zwora serwisowa jest w pozycji "
                                                   "normalnej.        \r       Czy sprawdzić "
                                                   "stan zwory ponownie?        "),
                      QStringLiteral("Błąd"), kFaultQuestionStyle);
      return answer == kIdYes ? InitCheck::AskAgain : InitCheck::Refused;
    }
  }
  return InitCheck::Possible;
}

}  // namespace

void TGlowneOkno::ConnectClockCommands() {
  ConnectCommand("Odczytzegara1", &TGlowneOkno::Odczytzegara1Click);
  ConnectCommand("Przestawianiezegara1", &TGlowneOkno::Przestawianiezegara1Click);
  ConnectCommand("Inicjowaniezegara1", &TGlowneOkno::Inicjowaniezegara1Click);
}

void TGlowneOkno::Odczytzegara1Click() {
  uint8_t type = 0;
  if (DeviceStep(type)) {
    SetBusyCursor();
    ShowDialogStep(*fDataGodzina);
    fDataGodzina->tZegar->stop();
  }
  EndCommand();
}

void TGlowneOkno::Przestawianiezegara1Click() {
  uint8_t type = 0;
  if (DeviceStep(type) && ClockStep()) ShowDialogStep(*fPrzestawianie);
  EndCommand();
}

void TGlowneOkno::Inicjowaniezegara1Click() {
  fUstawZegar->pbZegar->setValue(0);
  uint8_t type = 0;
  if (!DeviceStep(type)) return EndCommand();
  InitCheck check = InitCheck::AskAgain;
  while (check == InitCheck::AskAgain) check = CheckClockInitialisation();
  if (check == InitCheck::Possible) {
    fUstawZegar->dtDate->setDate(QDate::currentDate());
    fUstawZegar->meZegar->setText(QTime::currentTime().toString(QStringLiteral("hh:mm")));
    fUstawZegar->Button1->setEnabled(true);
    ShowDialogStep(*fUstawZegar);
  }
  EndCommand();
}

bool TGlowneOkno::OfferClockInitialisation() {
  SetArrowCursor();
  ErrorBeep();
  while (
      ShowMessage(QStringLiteral(" Pamięć CMOS jest skasowana.\rCzy przejść do ustawiania zegara?"),
                  QStringLiteral("Błąd"), kFaultQuestionStyle) == kIdYes) {
    ClockInitAttempted = false;
    Inicjowaniezegara1Click();
    if (ClockInitAttempted) return true;
  }
  return false;
}

}  // namespace sigra::app
