// The two irreversible service procedures under "Tryb fiskalny": the
// fiscalisation, which turns a printer in training mode into a fiscal one,
// and the settlement report, which ends its fiscal life in read-only mode.
// Nothing irreversible goes to the printer before the operator's last
// confirmation.
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <array>
#include <string>
#include <vector>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/fiscal_switch_data.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "commands/counters.h"
#include "commands/receipt_counter.h"
#include "commands/reports.h"
#include "commands/tax_rates.h"
#include "commands/user_data.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_data_i_numer.h"
#include "app/dialogs/f_okresowe_wg_numerow.h"
#include "app/dialogs/f_raporty_okresowe_wg_dat.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "app/logic/nip_check.h"
#include "link/comm.h"
#include "link/comm_threads.h"
#include "protocol/device_family.h"
#include "protocol/sequence.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

const QString kBlad = QStringLiteral("Błąd");
const QString kOdpowiedz = QStringLiteral("Odpowiedz");
const QString kInformacja = QStringLiteral("Informacja");
const QString kNotSecondGeneration =
    QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji");
const QString kNotFiscalised = QStringLiteral("Drukarka nie została sfiskalizowana.");
const QString kReadOnly = QStringLiteral("Drukarka w trybie TYLKO ODCZYT.");

constexpr int32_t kNoAnswer = 21;
constexpr uint8_t kPrinterNak = 21;

// The port's read timeout while the printer writes its fiscal memory.
constexpr uint16_t kFiscalisationReadSeconds = 10;
constexpr uint16_t kSettlementReadSeconds = 20;

struct Status {
  std::array<uint8_t, 9> byte{};  // 1 to 8
};

void EndCommand() {
  HideProgressText();
  SetArrowCursor();
}

bool SecondGeneration(uint8_t type) {
  return IsSigra2OrLater(type);
}

bool LunoFamily(uint8_t type) {
  return IsLuno(type);
}

// ErrorBeep, no progress text, then the message.
int Tell(const QString& text, const QString& caption, uint32_t flags) {
  ErrorBeep();
  HideProgressText();
  return ShowMessage(text, caption, flags);
}

bool ReadStatus(Status& status) {
  int32_t count = 0;
  bool hasByte8 = false;
  auto& b = status.byte;
  if (const int32_t result =
          ReadStatusBytes(count, b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], hasByte8);
      result != 0) {
    SetArrowCursor();
    ReportResultCode(result);
    return false;
  }
  return true;
}

bool Succeeded(int32_t result) {
  if (result == 0) return true;
  SetArrowCursor();
  ReportResultCode(result);
  return false;
}

// The daily report a non-zero receipt counter calls for, after `question`.
bool DailyReportFirst(const QString& question) {
  uint32_t counter = 0;
  if (!Succeeded(ReadReceiptCounter(counter))) return false;
  if (counter == 0) return true;
  SetArrowCursor();
  if (Tell(question, kOdpowiedz, kQuestionStyle) != kIdYes) return false;
  SetBusyCursor();
  ShowProgressText(QStringLiteral("Raport dobowy..."));
  if (!Succeeded(DailyReport(1))) return false;
  SetArrowCursor();
  return true;
}

// Waits for the printout of an irreversible command under a longer read
// timeout, and gives the program's timeouts back whatever the outcome.
bool WaitForPrintout(uint8_t type, uint16_t readSeconds) {
  SetBusyCursor();
  link::SetPortTimeouts(kWriteSeconds, readSeconds);
  const int32_t result = PrintControl(0, type);
  link::SetPortTimeouts(kWriteSeconds, kReadSeconds);
  return Succeeded(result);
}

bool ReceiveAnswer(uint8_t& answer) {
  if (link::ReceiveByte(answer) && !link::IsTransferFailed()) return true;
  SetArrowCursor();
  ReportResultCode(kNoAnswer);
  return false;
}

// The date picked ("20yy.mm.dd") and the number entered; kIdYes when the
// operator confirmed them, kIdNo otherwise.
int AskDateAndUniqueNumber(QString& date, QString& number) {
  fDataINumer->db->setDate(QDate::currentDate().addDays(-1));
  fDataINumer->meNumer->clear();
  if (fDataINumer->exec() != kIdYes) return kIdNo;
  date = QStringLiteral("20") + fDataINumer->db->date().toString(QStringLiteral("yy.MM.dd"));
  number = fDataINumer->meNumer->text();
  return kIdYes;
}

// Asks for the date and the unique number until the number is the printer's
// or the operator gives up. The printer's number ends with the eight
// characters the operator enters.
bool ConfirmUniqueNumber(QString& date, QString& number) {
  for (;;) {
    if (AskDateAndUniqueNumber(date, number) != kIdYes) return false;
    std::string printer;
    if (!Succeeded(ReadUniqueNumber(printer, false))) return false;
    const std::string digits = printer.size() >= 8 ? printer.substr(printer.size() - 8) : printer;
    if (number.toStdString() == digits) return true;
    ErrorBeep();
    if (ShowMessage(QStringLiteral("Niewłaściwy numer unikatowy\r\r   Czy spróbować ponownie? "),
                    kBlad, kFaultQuestionStyle) != kIdYes) {
      return false;
    }
  }
}

QString PurposeQuestion(uint8_t type) {
  switch (type) {
    case 8:
      return QStringLiteral(
          "Do komputera podłączona jest drukarka VELMO LUNO F.\r      Jest ona przeznaczona "
          "WYŁĄCZNIE do aptek.\r\r                     Czy kontynuować?");
    case 6:
      return QStringLiteral(
          "Do komputera podłączona jest drukarka VELMO SIGRA F.\r      Jest ona przeznaczona "
          "WYŁĄCZNIE do aptek.\r\r                     Czy kontynuować?");
    case 7:
      return QStringLiteral(
          "Do komputera podłączona jest drukarka VELMO LUNO.\r    Jest ona przeznaczona "
          "wyłącznie do sklepów.\r         NIE WOLNO używać jej w aptekach.\r\r             "
          "         Czy kontynuować?");
    default:
      return QStringLiteral(
          "Do komputera podłączona jest drukarka VELMO SIGRA.\r    Jest ona przeznaczona "
          "wyłącznie do sklepów.\r         NIE WOLNO używać jej w aptekach.\r\r             "
          "         Czy kontynuować?");
  }
}

// Whether the printer's state allows the fiscalisation; a refusal has been shown.
bool FiscalisationAllowed(const Status& s) {
  const QString impossible = QStringLiteral("Wykonanie fiskalizacji drukarki jest niemożliwe.");
  if (!(s.byte[1] & 0x01)) {
    Tell(QStringLiteral("Brak danych producenta w drukarce.\r     ") + impossible +
             QStringLiteral("     "),
         kBlad, kErrorStyle);
  } else if (s.byte[1] & 0x08) {
    Tell(QStringLiteral("Drukarka pracuje już w trybie fiskalnym."), kInformacja,
         kInformationStyle);
  } else if (s.byte[2] & 0x10) {
    Tell(QStringLiteral("              Skasowana pamięć CMOS.  \r") + impossible, kBlad,
         kErrorStyle);
  } else if (!(s.byte[4] & 0x40)) {
    Tell(QStringLiteral("      Zwora serwisowa w pozycji normalnej.\r") + impossible, kInformacja,
         kInformationStyle);
  } else if (!(s.byte[1] & 0x02)) {
    Tell(QStringLiteral("  Brak danych użytkownika w drukarce.  \r") + impossible +
             QStringLiteral("."),
         kBlad, kErrorStyle);
  } else {
    return true;
  }
  return false;
}

// The tax-number line passes the NIP check, or the operator chose to go on
// despite a wrong check digit.
bool TaxNumberAccepted(const std::string& line) {
  const QString wrong = QStringLiteral("NUMER NIP ZOSTAŁ WPROWADZONY NIEPRAWIDŁOWO\r");
  switch (NipCheck(line)) {
    case kNipValid:
      return true;
    case kNipBadChecksum:
      ErrorBeep();
      return ShowMessage(
                 wrong + QStringLiteral("   Program wykrył błędną sumę kontrolną.  \r"
                                        "Aby wyjść z procedury fiskalizacji naciśnij "
                                        "NIE. \r      Aby kontynuować naciśnij TAK.       "),
                 kOdpowiedz, kMbIconExclamation | kMbYesNo) == kIdYes;
    case kNipNoDigits:
      ErrorBeep();
      ShowMessage(
          wrong + QStringLiteral("                      Brak cyfr w ciągu znaków.         "), kBlad,
          kMbIconStop);
      return false;
    default:
      ErrorBeep();
      ShowMessage(wrong + QStringLiteral("     Brak słowa 'NIP' w ciągu znaków     "), kBlad,
                  kMbIconStop);
      return false;
  }
}

// The rates the operator confirms in the tax rates editor, offered from the
// printer's own.
bool CollectRates() {
  int32_t count = 0;
  TaxRates read;
  read.fill(kRateReserve);
  if (!Succeeded(ReadVAT(count, read))) return false;
  std::array<int32_t, 7> rates{};
  for (size_t k = 0; k < rates.size(); ++k) rates[k] = static_cast<int32_t>(read[k]);
  RatesForFiscalisation = OfferedRates(rates);
  for (int row = 0; row < 7; ++row) {
    fStawkiPodatkowe->SetRate(row, static_cast<uint32_t>(RatesForFiscalisation[row]));
  }
  ErrorBeep();
  CollectRatesOnly = true;
  const int result = fStawkiPodatkowe->exec();
  // Cleared on every way out, so that the editor writes rates again when the
  // tax-rate command opens it next.
  CollectRatesOnly = false;
  return result == kIdYes;
}

// Step by step up to the last confirmation; true once the operator has
// agreed to switch.
bool PrepareFiscalisation(uint8_t type) {
  Status status;
  if (!ReadStatus(status) || !FiscalisationAllowed(status)) return false;
  if (!DailyReportFirst(
          QStringLiteral("              Niezerowy licznik paragonów.\rAby sfiskalizować "
                         "drukarkę należy wykonać raport dobowy.\r\r               Czy wykonać "
                         "raport dobowy?"))) {
    return false;
  }
  if (!Succeeded(PrintControl(1, type))) return false;
  ErrorBeep();
  if (ShowMessage(
          QStringLiteral(
              "Fiskalizacja drukarki jest operacją nieodwracalną.\rPo przełączeniu drukarki w "
              "tryb fiskalny do pamięci fiskalnej\rzapisany zostanie istniejący w drukarce "
              "numer NIP\r\rUWAGA! W TRYBIE FISKALNYM NIE MA JUŻ MOŻLIWOŚCI SKORYGOWANIA\r"
              "WPROWADZONEGO NUMERU IDENTYFIKACJI PODATKOWEJ UŻYTKOWNIKA.\r\rPrzebieg procesu "
              "fiskalizacji:\r* wykonanie kontrolnego wydruku nagłówka,\r* ustawienie stawek "
              "podatkowych,\r* wykonanie fiskalizacji drukarki połączone z zapisem\r  stawek "
              "podatkowych do pamięci fiskalnej drukarki.\r\r                               "
              "Czy rozpocząć proces fiskalizacji?"),
          kOdpowiedz, kQuestionStyle) != kIdYes) {
    return false;
  }
  ErrorBeep();
  if (ShowMessage(PurposeQuestion(type), kOdpowiedz, kQuestionStyle | kMbDefButton2) != kIdYes) {
    return false;
  }

  const int32_t lines = LunoFamily(type) ? 6 : 4;
  UserDataLines header;
  uint8_t options = 0;
  if (!Succeeded(ReadUserData(lines, header, options))) return false;
  if (!TaxNumberAccepted(header[static_cast<size_t>(lines - 1)])) return false;
  ErrorBeep();
  ShowMessage(QStringLiteral("W drukarce są wpisane dane użytkownika.\rW celu ich weryfikacji "
                             "zostanie wykonany\rkontrolny wydruk nagłówka.\rNależy sprawdzić "
                             "poprawność danych ponieważ\rpo fiskalizacji NIE MOŻNA ZMIENIĆ "
                             "numeru NIP"),
              kInformacja, kMbIconInformation);
  if (!Succeeded(PrintUserData(LunoFamily(type) ? 5 : 4, header))) return false;
  ErrorBeep();
  if (ShowMessage(QStringLiteral("Czy otrzymano poprawny wydruk kontrolny nagłówka paragonu?"),
                  kOdpowiedz, kMbIconQuestion | kMbYesNo) != kIdYes) {
    return false;
  }
  if (!CollectRates()) return false;
  ErrorBeep();
  return ShowMessage(QStringLiteral("Czy dokonać przełączenia w tryb fiskalny?"), kOdpowiedz,
                     kMbIconQuestion | kMbYesNo | kMbDefButton2) == kIdYes;
}

// Sends the fiscalisation and follows the printer until it has printed.
void SwitchToFiscalMode(TGlowneOkno& window, uint8_t type) {
  const std::array<uint8_t, 20> data = FiscalisationData(RatesForFiscalisation);
  Block block{};
  std::copy(data.begin(), data.end(), block.begin());
  Block answer{};
  if (!Succeeded(SendSequence(kFiscalisationCommand, 0, data.size(), answer, block))) return;
  uint8_t reply = 0;
  if (!ReceiveAnswer(reply)) return;
  if (reply == kPrinterNak) {
    Tell(kNotFiscalised, kBlad, kErrorStyle);
    return;
  }
  if (reply != kAck && !LunoFamily(type)) {
    Tell(QStringLiteral("Niepoprawna odpowiedź z drukarki."), kBlad, kErrorStyle);
    return;
  }
  if (LunoFamily(type)) {
    // The Luno reports the writing of its fiscal memory until a 0.
    window.pbFiskal->show();
    uint8_t step = 1;
    while (step != 0) {
      if (!link::ReceiveByte(step) || link::IsTransferFailed()) {
        window.pbFiskal->hide();
        SetArrowCursor();
        ReportResultCode(kNoAnswer);
        return;
      }
      window.pbFiskal->setValue(window.pbFiskal->value() + 1);
      window.pbFiskal->repaint();
    }
  }
  window.pbFiskal->hide();
  if (!WaitForPrintout(type, kFiscalisationReadSeconds)) return;
  SetArrowCursor();
  bool failed = false;
  if (PrinterReadOnly(failed)) {
    Tell(kReadOnly, kBlad, kErrorStyle);
  } else if (!failed) {
    const bool fiscal = PrinterInFiscalMode(failed);
    if (fiscal) {
      Tell(QStringLiteral("Drukarka została sfiskalizowana."), kInformacja, kInformationStyle);
    } else if (!failed) {
      Tell(kNotFiscalised, kBlad, kErrorStyle);
    }
  }
}

bool SettlementAllowed(const Status& s) {
  const QString impossible = QStringLiteral("Wykonanie raportu rozliczeniowego jest niemożliwe.");
  QString refusal;
  if (!(s.byte[1] & 0x01)) {
    refusal = QStringLiteral("Brak danych producenta w drukarce.\r     ") + impossible +
              QStringLiteral("     ");
  } else if (s.byte[2] & 0x80) {
    refusal = QStringLiteral("     Brak komunikacji z kontrolerem drukarki.\r") + impossible;
  } else if (s.byte[3] & 0x04) {
    refusal = QStringLiteral("                 Awaria drukarki.\r") + impossible;
  } else if (s.byte[2] & 0x10) {
    refusal = QStringLiteral("              Skasowana pamięć CMOS.\r") + impossible;
  } else if (!(s.byte[1] & 0x02)) {
    refusal = QStringLiteral("             Brak danych użytkownika.\r") + impossible;
  } else if (!(s.byte[1] & 0x08)) {
    refusal = QStringLiteral("      Drukarka pracuje w trybie szkoleniowym.\r") + impossible;
  } else {
    return true;
  }
  Tell(refusal, kBlad, kErrorStyle);
  return false;
}

QString LastSettlementQuestion(SettlementKind kind) {
  const QString start = QStringLiteral(
      "Posłanie sekwencji wykonania raportu\rrozliczeniowego z prawidłową bieżącą datą\ri "
      "numerem unikatowym powoduje\rprzejście w tryb \"TYLKO ODCZYT\"\r\r");
  const QString range = QStringLiteral(
      " raportów dobowych jest konieczne\rjedynie do wydrukowania raportu rozliczeniowego\r\r");
  const QString end = QStringLiteral("   Czy przejść w tryb TYLKO ODCZYT? ");
  switch (kind) {
    case SettlementKind::ByDates:
      return start + QStringLiteral("Podanie prawidłowych dat: początkowej\ri końcowej") + range +
             end;
    case SettlementKind::ByNumbers:
      return start + QStringLiteral("Podanie prawidłowych numerów: początkowej\ri końcowej") +
             range + end;
    default:
      return start + end;
  }
}

// The range of a settlement report by dates or numbers, in
// ReportRangeForSwitch; true for the whole memory.
bool CollectRange(SettlementKind kind) {
  if (kind == SettlementKind::Whole) return true;
  TPeriodicReportDialog* dialog = nullptr;
  if (kind == SettlementKind::ByDates) {
    fRaportyOkresoweWgDat->dtOd->setDate(QDate::currentDate());
    fRaportyOkresoweWgDat->dtDo->setDate(QDate::currentDate());
    dialog = fRaportyOkresoweWgDat;
  } else {
    fOkresoweWgNumerow->seOd->setValue(1);
    fOkresoweWgNumerow->seDo->setValue(1);
    dialog = fOkresoweWgNumerow;
  }
  CollectReportRange = true;
  ErrorBeep();
  const int result = dialog->exec();
  CollectReportRange = false;
  return result == QDialog::Accepted;
}

void RunSettlement(SettlementKind kind) {
  uint8_t type = 0;
  if (!DeviceStep(type)) return;
  if (!SecondGeneration(type)) {
    Tell(kNotSecondGeneration, kInformacja, kInformationStyle);
    return;
  }
  Status status;
  if (!ReadStatus(status) || !SettlementAllowed(status)) return;
  if (!(status.byte[1] & 0x04) &&
      !DailyReportFirst(QStringLiteral("Niezerowy licznik paragonów.\r\r Czy wykonać raport "
                                       "dobowy?"))) {
    return;
  }
  if (!ReadStatus(status)) return;
  const bool readOnly = status.byte[1] & 0x04;
  QString date;
  QString number;
  if (!readOnly) {
    ErrorBeep();
    if (ShowMessage(
            QStringLiteral("      Raport rozliczeniowy kończy pracę drukarki fiskalnej.\rPo "
                           "wykonaniu tego raportu nie jest możliwe prowadzenie sprzedaży.\r\r    "
                           "  UWAGA! PO WYKONANIU RAPORTU ROZLICZENIOWEGO \r       DRUKARKA "
                           "PRZECHODZI W TRYB \"TYLKO ODCZYT\"! \r\r              Czy wydrukować "
                           "raport rozliczeniowy?"),
            kOdpowiedz, kPaperQuestionStyle | kMbDefButton2) != kIdYes) {
      return;
    }
  }
  if (!ConfirmUniqueNumber(date, number)) return;
  if (!readOnly) {
    ErrorBeep();
    if (ShowMessage(LastSettlementQuestion(kind), kOdpowiedz,
                    kPaperQuestionStyle | kMbDefButton2) != kIdYes) {
      return;
    }
  }
  if (!CollectRange(kind)) return;

  const std::vector<uint8_t> data =
      SettlementData(kind, number.toStdString(), date, ReportRangeForSwitch);
  Block block{};
  std::copy(data.begin(), data.end(), block.begin());
  Block answer{};
  if (!Succeeded(
          SendSequence(kSettlementCommand, 1, static_cast<uint8_t>(data.size()), answer, block))) {
    return;
  }
  uint8_t verdict = 0;
  if (!ReceiveAnswer(verdict)) return;
  if (verdict == 0) {
    if (!WaitForPrintout(type, kSettlementReadSeconds)) return;
  } else if (const QString text = SettlementRefusalText(verdict); !text.isEmpty()) {
    Tell(text, kBlad, kErrorStyle);
  }
  bool failed = false;
  if (!readOnly && PrinterReadOnly(failed)) Tell(kReadOnly, kInformacja, kInformationStyle);
}

}  // namespace

void TGlowneOkno::ConnectFiscalSwitchCommands() {
  ConnectCommand("Przeczeniewtrybfiskalny1", &TGlowneOkno::Przeczeniewtrybfiskalny1Click);
  ConnectCommand("Cao1", &TGlowneOkno::Cao1Click);
  ConnectCommand("Wedugdat3", &TGlowneOkno::Wedugdat3Click);
  ConnectCommand("Wedugnumerw3", &TGlowneOkno::Wedugnumerw3Click);
}

void TGlowneOkno::Przeczeniewtrybfiskalny1Click() {
  pbFiskal->setValue(0);
  uint8_t type = 0;
  if (DeviceStep(type)) {
    UserDataDeviceType = type;
    if (!SecondGeneration(type)) {
      Tell(kNotSecondGeneration, kInformacja, kInformationStyle);
    } else if (PrepareFiscalisation(type)) {
      SwitchToFiscalMode(*this, type);
    }
  }
  EndCommand();
}

void TGlowneOkno::Cao1Click() {
  RunSettlement(SettlementKind::Whole);
  EndCommand();
}

void TGlowneOkno::Wedugdat3Click() {
  RunSettlement(SettlementKind::ByDates);
  EndCommand();
}

void TGlowneOkno::Wedugnumerw3Click() {
  RunSettlement(SettlementKind::ByNumbers);
  EndCommand();
}

}  // namespace sigra::app
