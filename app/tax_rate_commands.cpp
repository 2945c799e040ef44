// The tax-rate commands of the main window: reading the rates and showing
// them, opening the editor that writes them, the control print of the names
// database from "baza.txt" and the erasure of the printer's names database.
#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/file_text.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "app/logic/names_file.h"
#include "commands/counters.h"
#include "commands/names_print.h"
#include "commands/receipt_counter.h"
#include "commands/tax_rates.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_odczyt_stawek.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "app/dialogs/f_ustawienia.h"
#include "app/dialogs/rate_values.h"
#include "link/comm.h"
#include "link/comm_threads.h"
#include "link/text_1250.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"
#include "protocol/feedback.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

constexpr const char* kNamesFile = "baza.txt";
constexpr uint8_t kEraseNamesDatabase = 92;
constexpr int32_t kRefused = 24;  // the printer answered NAK
constexpr int32_t kNoByte = 21;

bool IsSecondGeneration(uint8_t deviceType) {
  return IsSigra2OrLater(deviceType) && deviceType != kOtherDevice;
}

void ReportWithArrow(int32_t code) {
  SetArrowCursor();
  ReportResultCode(code);
}

void Refuse(const char* text, uint32_t flags) {
  ErrorBeep();
  HideProgressText();
  ShowMessage(QString::fromUtf8(text), QStringLiteral("Błąd"), flags);
}

void NotErased() {
  SetArrowCursor();
  ErrorBeep();
  HideProgressText();
  ShowError(QStringLiteral(
      "Baza nazw i stawek nie została skasowana.\r\rMożliwe przyczyny:\r - baza nazw i stawek "
      "nie jest jeszcze zapełniona,\r - przed próbą kasowania nie powstał wydruk kontrolny nazw "
      "i stawek."));
}

// The sum, modulo 256, of the 11th and 12th characters of the unique number
// as the printer shows it (three characters, a space, eight more), that is
// of its last two characters.
uint8_t EraseCheckByte(const std::string& uniqueNumber) {
  const size_t n = uniqueNumber.size();
  if (n < 2) return 0;
  return static_cast<uint8_t>(static_cast<uint8_t>(uniqueNumber[n - 2]) +
                              static_cast<uint8_t>(uniqueNumber[n - 1]));
}

// The Luno models report the erasure byte by byte until a 0; the bar moves on
// with each byte. False when a byte does not come.
bool FollowEraseProgress(QProgressBar* bar) {
  bar->setValue(0);
  bar->show();
  for (;;) {
    uint8_t byte = 0;
    if (!link::ReceiveByte(byte)) {
      bar->hide();
      return false;
    }
    bar->setValue(std::min(bar->value() + 1, bar->maximum()));
    bar->repaint();
    GlowneOkno->repaint();
    if (byte == 0) break;
  }
  bar->hide();
  return true;
}

// While the records of a long file go out, the driver's progress text carries
// the number of the line being sent.
class LineNumberInProgress {
 public:
  explicit LineNumberInProgress(const long& line) {
    SetProgressTextHook([&line](const std::string& cp1250) {
      ShowProgressText(QString::fromStdString(Utf8FromCp1250(cp1250)) +
                       QStringLiteral(" %1").arg(line));
    });
  }
  ~LineNumberInProgress() { ConnectDriverFeedback(); }
  LineNumberInProgress(const LineNumberInProgress&) = delete;
  LineNumberInProgress& operator=(const LineNumberInProgress&) = delete;
};

QString NamesFaultText(NamesRecordFault fault, size_t line) {
  const QString where = QStringLiteral(" w linii %1 pliku baza.txt").arg(line);
  const QString notBegun = QStringLiteral(".\rWydruk kontrolny nie został rozpoczęty.");
  if (fault == NamesRecordFault::Name) {
    return QStringLiteral("Za mało znaków znaczących w nazwie towaru") + where + notBegun;
  }
  return QStringLiteral("Błędna stawka PTU") + where +
         QStringLiteral(" (dozwolone litery od A do G)") + notBegun;
}

// Closes a control print that a failed record broke off, so that the printer
// does not wait in it: the port is opened afresh, since a failed transfer
// makes every later one fail until then, and the closing order goes out. Its
// own result is not shown: the operator is told of the first failure.
void EndInterruptedNamesPrint() {
  if (OpenConfiguredPort() == 0) EndNamesPrint();
}

}  // namespace

void TGlowneOkno::ConnectTaxRateCommands() {
  ConnectCommand("Odczyt1", &TGlowneOkno::Odczyt1Click);
  ConnectCommand("Zapis1", &TGlowneOkno::Zapis1Click);
  ConnectCommand("Wydrukkontrolnynazwistawek1", &TGlowneOkno::Wydrukkontrolnynazwistawek1Click);
  ConnectCommand("Bazanazwitowarw1", &TGlowneOkno::Bazanazwitowarw1Click);
}

void TGlowneOkno::Odczyt1Click() {
  uint8_t deviceType = 0;
  if (!DeviceStep(deviceType) || !ClockStep()) return;
  int32_t count = 0;
  TaxRates rates{};
  if (const int32_t read = ReadVAT(count, rates); read != 0) {
    ReportWithArrow(read);
    return;
  }
  RatesLastRead.fill(0);
  SetArrowCursor();
  if (count != 4 && count != 6 && count != 7) {
    HideProgressText();
    return;
  }
  const QChar decimalPoint = QLocale().decimalPoint().front();
  const std::array<QLabel*, 7> labels = fOdczytStawek->Labels();
  for (size_t i = 0; i < labels.size(); ++i) {
    const bool inUse = static_cast<int32_t>(i) < count;
    if (inUse) {
      RatesLastRead[i] = static_cast<uint16_t>(rates[i]);
      labels[i]->setText(RateLabelText(static_cast<int>(i), rates[i], decimalPoint));
    }
    labels[i]->setVisible(inUse);
  }
  ErrorBeep();
  fOdczytStawek->exec();
  HideProgressText();
}

void TGlowneOkno::Zapis1Click() {
  uint8_t deviceType = 0;
  if (!DeviceStep(deviceType) || !SecondGenerationStep(deviceType, {3, 6, 7, 8}, true)) return;
  bool failed = false;
  uint8_t kind = 0;
  if (!CheckPrinterErrors(failed, kind)) {
    if (!failed) {
      ErrorBeep();
      HideProgressText();
      ShowError(PrinterErrorText(kind));
    }
    return;
  }
  int32_t count = 0;
  TaxRates rates{};
  if (const int32_t read = ReadVAT(count, rates); read != 0) {
    ReportWithArrow(read);
    return;
  }
  // Rate G exists on the second-generation printers only, the only ones that
  // get here.
  for (size_t i = 0; i < 7; ++i) {
    if (i < 6 || IsSecondGeneration(deviceType)) RatesLastRead[i] = static_cast<uint16_t>(rates[i]);
  }
  bool noRates = true;
  for (uint32_t rate : rates) noRates = noRates && rate == kReserveRate;
  for (int row = 0; row < 7; ++row) {
    const auto i = static_cast<size_t>(row);
    fStawkiPodatkowe->SetRate(row, noRates ? kDefaultRates[i] : rates[i]);
  }
  ErrorBeep();
  fStawkiPodatkowe->exec();
  HideProgressText();
}

void TGlowneOkno::Wydrukkontrolnynazwistawek1Click() {
  if (!std::filesystem::exists(kNamesFile)) {
    ErrorBeep();
    ShowError(QStringLiteral("Brak pliku baza.txt"));
    SetArrowCursor();
    HideProgressText();
    return;
  }
  std::ifstream file(kNamesFile, std::ios::binary);
  if (!file) {
    ErrorBeep();
    ShowError(QStringLiteral("Błąd otwarcia pliku baza.txt"));
    return;
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  file.close();

  // The whole file is checked before the print begins: a record the printer
  // refuses would leave it in the middle of a control print.
  std::istringstream text(Cp1250FromFileText(bytes.str()));
  std::vector<NamesRecord> records;
  NamesRecord record;
  while (ReadNamesRecord(text, record)) {
    records.push_back(record);
    if (const NamesRecordFault fault = CheckNamesRecord(record); fault != NamesRecordFault::None) {
      SetArrowCursor();
      ErrorBeep();
      HideProgressText();
      ShowError(NamesFaultText(fault, records.size()));
      return;
    }
  }

  int32_t result = 0;
  bool begun = false;
  {
    long line = 0;
    LineNumberInProgress progress(line);
    for (const NamesRecord& next : records) {
      if (++line == 1) {
        result = BeginNamesPrint();
        begun = result == 0;
      }
      if (result == 0) result = SendNamesRecord(next.name, next.rateLetter);
      if (result != 0) break;
    }
  }
  if (result == 0) {
    result = EndNamesPrint();
  } else if (begun) {
    EndInterruptedNamesPrint();
  }
  SetArrowCursor();
  if (result != 0) {
    ReportResultCode(result);
    return;
  }
  HideProgressText();
}

void TGlowneOkno::Bazanazwitowarw1Click() {
  uint8_t deviceType = 0;
  if (!DeviceStep(deviceType) || !ClockStep()) return;
  int32_t count = 0;
  uint8_t b[9] = {};
  bool hasByte8 = false;
  if (const int32_t read =
          ReadStatusBytes(count, b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], hasByte8);
      read != 0) {
    ReportWithArrow(read);
    return;
  }
  if (b[2] & kClockMemoryErased) {
    Refuse(
        "Pamięć CMOS drukarki fiskalnej została skasowana.\r     Nie trzeba kasować bazy nazw i "
        "towarów.     ",
        kInformationStyle);
    return;
  }
  if ((b[1] & kUserData) == 0) {
    Refuse("  Brak danych użytkownika w drukarce.  \rNie można skasować bazy nazw i towarów.",
           kErrorStyle);
    return;
  }
  if (b[4] & 0x40) {
    Refuse(" Zwora serwisowa w pozycji serwisowej. \rNie można skasować bazy nazw i towarów.",
           kErrorStyle);
    return;
  }
  uint32_t receipts = 0;
  if (const int32_t read = ReadReceiptCounter(receipts); read != 0) {
    ReportWithArrow(read);
    return;
  }
  if (receipts != 0) {
    Refuse(
        "     Niezerowy licznik paragonów.      \rNie można skasować bazy nazw i towarów.\r "
        "Należy wykonać najpierw raport dobowy.",
        kErrorStyle);
    return;
  }
  std::string uniqueNumber;
  int32_t result = PrintControl(kModeChecking, deviceType);
  if (result == 0) result = ReadUniqueNumber(uniqueNumber, true);
  if (result != 0) {
    ReportWithArrow(result);
    return;
  }
  const uint8_t checkByte = EraseCheckByte(uniqueNumber);

  // The port stays closed while the operator answers.
  link::PurgePrinterPort();
  link::ClosePrinterPort();
  ErrorBeep();
  HideProgressText();
  const int answer = ShowMessage(
      QStringLiteral("W celu skasowania bazy nazw i towarów po raporcie dobowym\rnależy wykonać "
                     "wydruk kontrolny bazy nazw i stawek Z PROGRAMU SPRZEDAŻY\rCzy został "
                     "wykonany wydruk kontrolny nazw i stawek?"),
      QStringLiteral("Odpowiedz"), kQuestionStyle);
  if (answer != kIdYes) {
    SetArrowCursor();
    return;
  }
  Komunikacja->TakeParameters();
  link::PurgePrinterPort();
  if (const int32_t opened = OpenConfiguredPort(); opened != 0) {
    SetArrowCursor();
    ErrorBeep();
    ShowError(PortOpenFailureText(opened, ConfiguredComPort));
    return;
  }

  SendBuffer[0] = checkByte;
  RunSequence(kEraseNamesDatabase, 1, 1, 0);
  if (LastResult == kRefused) {
    NotErased();
    return;
  }
  if (LastResult != 0) {
    ReportWithArrow(LastResult);
    return;
  }
  uint8_t reply = 0;
  if (!link::ReceiveByte(reply)) {
    ReportWithArrow(kNoByte);
    return;
  }
  if (reply == kNak) {
    NotErased();
    return;
  }
  if (reply != kAck) {
    ReportWithArrow(1);
    return;
  }
  if (IsLuno(deviceType) && !FollowEraseProgress(pbFiskal)) {
    ReportWithArrow(kNoByte);
    return;
  }
  if (const int32_t printed = PrintControl(kModePrinting, deviceType); printed != 0) {
    ReportWithArrow(printed);
    return;
  }
  SetArrowCursor();
  ErrorBeep();
  HideProgressText();
  ShowMessage(QStringLiteral("Baza nazw i stawek została skasowana"), QStringLiteral("Informacja"),
              kInformationStyle);
}

}  // namespace sigra::app
