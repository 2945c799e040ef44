// The "&Testy" menu: the receipt-conditions test, the status window, the
// customer-display, drawer and program-memory tests and the unique number.
#include <QAction>
#include <QLabel>
#include <QTimer>
#include <string>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "commands/counters.h"
#include "commands/device_settings.h"
#include "commands/receipt_items.h"
#include "commands/service_commands.h"
#include "app/dialogs/f_bajty_statusu.h"
#include "app/dialogs/f_numer_unikatowy.h"
#include "app/dialogs/f_test_wyswietlacza.h"
#include "protocol/device_family.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

const QString kError = QStringLiteral("Błąd");
const QString kAnswer = QStringLiteral("Odpowiedz");

bool Luno(uint8_t deviceType) {
  return IsLuno(deviceType);
}

// Asks whether to check the receipt conditions again after an unexpected
// result.
bool CheckAgainAfter(int32_t code) {
  return ShowMessage(ResultCodeText(code) +
                         QStringLiteral("\r\r Czy powtórzyć sprawdzenie warunków wystawienia "
                                        "paragonu?"),
                     kError, kPaperQuestionStyle) == kIdYes;
}

// Acts on one answer of the receipt conditions; whether to check again.
bool ReactToReceiptConditions(int32_t code) {
  const auto yes = [](const char* text, const QString& caption) {
    return ShowMessage(QString::fromUtf8(text), caption, kPaperQuestionStyle) == kIdYes;
  };
  const auto tell = [](const char* text, const QString& caption, uint32_t flags) {
    ShowMessage(QString::fromUtf8(text), caption, flags);
    return false;
  };
  switch (code) {
    case 0:
      return tell("PARAGON MOŻE ZOSTAĆ WYSTAWIONY", QStringLiteral("Informacja"),
                  kInformationStyle);
    case 100:
      return tell("Brak danych producenta.\rWymagana interwencja serwisu.", kError, kErrorStyle);
    case 101:
      return tell(
          "   Wystawienie paragonu jest niemożliwe.   \r Zwora serwisowa jest w pozycji "
          "serwisowej.",
          kError, kErrorStyle);
    case 102:
      return tell(" Brak komunikacji z kontrolerem drukarki.", kError, kErrorStyle);
    case 103:
      return yes(
          " Awaria drukarki.\rProszę sprawdzić czy nic nie zablokowało mechanizmu "
          "drukującego.\rCzy sprawdzić ponownie warunki wystawienia paragonu?",
          kError);
    case 104:
      if (!yes(" Brak danych użytkownika\rCzy przejść do wprowadzania tych danych?", kAnswer)) {
        return false;
      }
      GlowneOkno->Odczytuytkownika1Click();
      return true;
    case 105:
      return tell(" Moduł fiskalny znajduje się w trybie \"TYLKO ODCZYT\"", kError, kErrorStyle);
    case 107:
      return tell(" Pamięć CMOS jest skasowana.", kError, kErrorStyle);
    case 108:
      if (!yes(" Zaległy raport dobowy.\rCzy wykonać raport?", kAnswer)) return false;
      GlowneOkno->Fiskalnydobowy1Click();
      return true;
    case 109:
      return yes(
          "Brak papieru lub podniesiona głowica mechanizmu drukującego.\rNależy założyć "
          "papier/lub opuścić głowicę mechanizmu.\rCzy sprawdzić ponownie warunki wystawienia "
          "paragonu?",
          kError);
    case 112: {
      if (!yes("Wydruk zatrzymany z powodu braku papieru.\rCzy wznowić wydruk?", kAnswer)) {
        return false;
      }
      const int32_t resumed = PrintResume();
      if (resumed == 0) return true;
      ErrorBeep();
      HideProgressText();
      return CheckAgainAfter(resumed);
    }
    case 113:
      if (!yes(" Brak stawek podatkowych\rCzy przejść do wprowadzania tych danych?", kAnswer)) {
        return false;
      }
      GlowneOkno->Zapis1Click();
      return true;
    case 237:
      return tell(" Należy wykonać przejście na EURO.", kError, kErrorStyle);
    default:
      return CheckAgainAfter(code);
  }
}

const char* const kSegmentsFirst =
    "Test powinien spowodować zapalenie segmentów\r"
    "wyświetlacza jak pokazano niżej:            \r"
    "                                            \r"
    "             RAZEM                                    \r"
    "                                            \r"
    "               8.8.8.8.8.8.8.8.8.                     ";
const char* const kSegmentsSecond =
    "Test powinien spowodować zapalenie segmentów\r"
    "wyświetlacza jak pokazano niżej:            \r"
    "                                            \r"
    "                                RESZTA                \r"
    "                                            \r"
    "               8.8.8.8.8.8.8.8.8.                     ";

// Shows the test dialog with `image` (none on the segment displays) and a text.
void ShowDisplayStep(QLabel* image, const QString& text) {
  fTestWyswietlacza->HideImages();
  if (image != nullptr) image->show();
  // A label breaks lines at LF.
  fTestWyswietlacza->Label1->setText(QString(text).replace(QChar('\r'), QChar('\n')));
  SetArrowCursor();
  fTestWyswietlacza->exec();
  SetBusyCursor();
}

// The display test between its first and last step.
void DisplayTestSteps(uint8_t type, bool negative) {
  TfTestWyswietlacza& dialog = *fTestWyswietlacza;
  const QString bitmap = QStringLiteral("Test powinien wyświetlić poniższą bitmapę");
  const bool luno = Luno(type);
  QLabel* first = negative ? dialog.iTest2 : dialog.iTest1;
  QLabel* second = negative ? dialog.iTest1 : dialog.iTest2;
  ShowDisplayStep(luno ? first : nullptr, luno ? bitmap : QString::fromUtf8(kSegmentsFirst));
  if (const int32_t code = DisplayTest(1); code != 0) ReportResultCode(code);
  ShowDisplayStep(luno ? second : nullptr, luno ? bitmap : QString::fromUtf8(kSegmentsSecond));
  if (!luno) return;
  DisplayTest(3);
  ShowDisplayStep(negative ? dialog.iTest3Neg : dialog.ITest3, bitmap);
  DisplayTest(4);
  ShowDisplayStep(negative ? dialog.iTest4Neg : dialog.ITest4, bitmap);
}

void DisplayTestCommand() {
  uint8_t type = 0;
  if (!DeviceStep(type) || !SecondGenerationStep(type, {3, 6, 7, 8}, true)) return;
  SetBusyCursor();
  bool negative = false;
  if (Luno(type)) {
    uint8_t value1 = 0;
    uint8_t value2 = 0;
    uint8_t value3 = 0;
    if (const int32_t code = ReadSetting(0, value1, value2, value3); code != 0) {
      ReportResultCode(code);
      return;
    }
    negative = (value1 & 0x04) == 0;
  }
  if (const int32_t code = DisplayTest(0); code != 0) {
    ReportResultCode(code);
    return;
  }
  DisplayTestSteps(type, negative);
  if (const int32_t code = DisplayTest(2); code != 0) ReportResultCode(code);
}

void DrawerTestCommand() {
  uint8_t type = 0;
  if (!DeviceStep(type) || !SecondGenerationStep(type, {3, 6, 7, 8}, true)) return;
  SetBusyCursor();
  bool failed = false;
  while (DrawerOpen(failed)) {
    ErrorBeep();
    HideProgressText();
    if (ShowMessage(QStringLiteral("W celu wykonania testu należy zamknąć szufladę.\r"
                                   "           Czy kontynuować?                    "),
                    QStringLiteral("Pytanie"), kQuestionStyle) != kIdYes) {
      return;
    }
  }
  if (failed) return;
  if (const int32_t code = OpenDrawer(1); code != 0) {
    ReportResultCode(code);
    return;
  }
  const bool open = DrawerOpen(failed);
  if (failed) return;
  ErrorBeep();
  HideProgressText();
  if (open) {
    ShowMessage(QStringLiteral("Szuflada została otwarta"), QStringLiteral("Informacja"),
                kInformationStyle);
  } else {
    ShowMessage(QStringLiteral("Szuflada nie została otwarta lub nie jest podłączona"),
                QStringLiteral("Uwaga"), kWarningStyle);
  }
}

void ProgramMemoryTestCommand() {
  uint8_t type = 0;
  if (!DeviceStep(type) || !ClockStep(QStringLiteral("Skasowana pamięć CMOS."))) return;
  if (const int32_t code = PrintControl(kModeChecking, type); code != 0) {
    ReportResultCode(code);
    return;
  }
  ErrorBeep();
  HideProgressText();
  if (ShowMessage(QStringLiteral("Test powoduje zapis do pamięci drukarki fiskalnej.\r"
                                 "Celem testu jest sprawdzenie poprawności działania\r"
                                 "pamięci drukarki fiskalnej.\r"
                                 "Ponieważ test wiąże się z zapisaniem informacji do pamięci\r"
                                 "drukarki fiskalnej, więc nie należy wykonywać go "
                                 "niepotrzebnie.\r"
                                 "Przewidziano możliwość wykonania tego testu 255 razy.\r"
                                 "Czy wykonać test?"),
                  kAnswer, kFaultQuestionStyle) != kIdYes) {
    return;
  }
  SetBusyCursor();
  HandlePrintResult(EpromTest(), type);
}

}  // namespace

void TGlowneOkno::Standrukarki1Click() {
  uint8_t type = 0;
  if (DeviceStep(type, true)) {
    SetBusyCursor();
    for (bool again = true; again;) {
      const int32_t code = ReceiptConditions();
      ErrorBeep();
      HideProgressText();
      again = ReactToReceiptConditions(code);
    }
  }
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Bajtystatusu1Click() {
  uint8_t type = 0;
  if (DeviceStep(type)) {
    ShowDialogStep(*fBajtyStatusu);
    fBajtyStatusu->tStatus->stop();
  }
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Wy1Click() {
  DisplayTestCommand();
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::N41Click() {
  DrawerTestCommand();
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::PamicEPROM1Click() {
  ProgramMemoryTestCommand();
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::Numerunikatowy1Click() {
  uint8_t type = 0;
  if (DeviceStep(type) && ClockStep()) {
    SetBusyCursor();
    std::string number;
    if (const int32_t code = ReadUniqueNumber(number, true); code != 0) {
      ReportResultCode(code);
    } else {
      fNumerUnikatowy->lNumerUnikatowy->setText(QStringLiteral("Numer unikatowy drukarki: ") +
                                                QString::fromStdString(number));
      SetArrowCursor();
      HideProgressText();
      ShowDialogStep(*fNumerUnikatowy);
    }
  }
  SetArrowCursor();
  HideProgressText();
}

void TGlowneOkno::ConnectTestCommands() {
  const struct {
    const char* item;
    void (TGlowneOkno::*handler)();
  } items[] = {{"Standrukarki1", &TGlowneOkno::Standrukarki1Click},
               {"Bajtystatusu1", &TGlowneOkno::Bajtystatusu1Click},
               {"Wy1", &TGlowneOkno::Wy1Click},
               {"N41", &TGlowneOkno::N41Click},
               {"PamicEPROM1", &TGlowneOkno::PamicEPROM1Click},
               {"Numerunikatowy1", &TGlowneOkno::Numerunikatowy1Click}};
  for (const auto& entry : items) {
    ConnectCommand(entry.item, entry.handler);
  }
}

}  // namespace sigra::app
