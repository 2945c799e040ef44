#include "app/device_checks.h"

#include <QDialog>

#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "link/comm.h"
#include "link/serial_ports.h"
#include "link/text_1250.h"
#include "protocol/connection.h"
#include "protocol/operator_port.h"
#include "protocol/status.h"

namespace sigra::app {

uint8_t ConfiguredComPort = 0;
uint16_t ConfiguredSpeed = 0;

namespace {

constexpr int32_t kPaperOut = 109;
constexpr int32_t kNoPortConfigured = 114;

struct StatusBytes {
  int32_t count = 0;
  uint8_t byte[9] = {};  // byte[1] .. byte[8]
  bool hasByte8 = false;
};

// Reads the status bytes; a failure is reported to the operator.
bool ReadStatus(StatusBytes& status, bool& failed) {
  uint8_t* b = status.byte;
  const int32_t code = ReadStatusBytes(status.count, b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8],
                                       status.hasByte8);
  failed = code != 0;
  if (failed) {
    SetArrowCursor();
    ReportResultCode(code);
    HideProgressText();
  }
  return !failed;
}

// Whether status byte n has the bit; false when the bytes cannot be read.
bool StatusBit(int n, uint8_t bit, bool& failed) {
  StatusBytes status;
  if (!ReadStatus(status, failed)) return false;
  return (status.byte[n] & bit) != 0;
}

void Refuse(const QString& text, const QString& caption, uint32_t flags) {
  ErrorBeep();
  HideProgressText();
  ShowMessage(text, caption, flags);
}

}  // namespace

// The driver's code for an opening that failed otherwise than for a missing
// or busy port: a port table that cannot be used among others.
constexpr int32_t kPortTableUnusable = 31;

QString NoRightsText(const link::ports::OpenProblem& problem, uint8_t port) {
  QString text = QStringLiteral("Brak uprawnień do otwarcia portu COM%1 (%2).")
                     .arg(port)
                     .arg(QString::fromStdString(problem.device));
  if (problem.group.empty()) return text + QStringLiteral("\rOtworzyć go może tylko administrator.");
  const QString group = QString::fromStdString(problem.group);
  const QString user =
      problem.user.empty() ? QStringLiteral("$USER") : QString::fromStdString(problem.user);
  if (problem.userInGroup) {
    return text + QStringLiteral("\rUżytkownik %1 należy już do grupy %2: należy wylogować się i "
                                 "zalogować ponownie.")
                      .arg(user, group);
  }
  return text + QStringLiteral("\rNależy dodać użytkownika do grupy %1 poleceniem\r"
                               "sudo adduser %2 %1\ri zalogować się ponownie.")
                    .arg(group, user);
}

int32_t OpenConfiguredPort() {
  // The driver reopens this port itself around the periodic reports.
  OperatorPort =
      OperatorPortSettings{ConfiguredComPort, ConfiguredSpeed, kWriteSeconds, kReadSeconds};
  link::ClosePrinterPort();
  // An empty port list gives no port to open.
  if (ConfiguredComPort == 0) return kNoPortConfigured;
  return OpenPrinterPort(ConfiguredComPort, ConfiguredSpeed, kWriteSeconds, kReadSeconds);
}

QString PortOpenFailureText(int32_t code, uint8_t port) {
  if (code == 2) {
    return QStringLiteral("Brak portu COM%1 w systemie.\rNależy ustawić parametry komunikacji")
        .arg(port);
  }
  if (code == 5) {
    const link::ports::OpenProblem problem = link::ports::TryOpen(port);
    if (link::ports::LacksRights(problem)) return NoRightsText(problem, port);
    return QStringLiteral(
               "Nie można otworzyć portu COM%1.Prawdopodobnie jest używany przez inną aplikację")
        .arg(port);
  }
  if (code == kPortTableUnusable) {
    // The driver opened no port rather than one the table may no longer give.
    const link::ports::OpenProblem problem = link::ports::TryOpen(port);
    if (!problem.table.empty()) {
      return QStringLiteral("Nie można otworzyć portu COM%1: tabela numerów portów jest "
                            "błędna.\r%2")
          .arg(port)
          .arg(QString::fromStdString(problem.table));
    }
  }
  return ResultCodeText(code);
}

int32_t FollowLineSpeed(uint16_t speed) {
  Komunikacja->SelectSpeed(speed);
  Komunikacja->TakeParameters();
  const int32_t opened = OpenConfiguredPort();
  if (opened != 0) {
    ErrorBeep();
    ShowError(PortOpenFailureText(opened, ConfiguredComPort));
    return opened;
  }
  GlowneOkno->ShowDevice(QString::fromStdString(Utf8FromCp1250(DeviceNameText(sigra::DeviceType))),
                         ConfiguredComPort, ConfiguredSpeed);
  return 0;
}

QString PortAndSpeedText(int port, int speed) {
  return QStringLiteral("COM%1, %2 b/s").arg(port).arg(speed);
}

bool CheckFiscalDevice(uint8_t& deviceType, bool& failed) {
  SetArrowCursor();
  ShowProgressText(QStringLiteral("Sprawdzanie typu podłączonego urządzenia..."));
  failed = true;
  Komunikacja->TakeParameters();
  const int32_t opened = OpenConfiguredPort();
  if (opened != 0) {
    ErrorBeep();
    ShowError(PortOpenFailureText(opened, ConfiguredComPort));
    return false;
  }
  uint8_t type = kDeviceOther;
  uint32_t version = 0;
  const int32_t read = ReadDeviceType(type, version);
  if (read != 0) {
    ErrorBeep();
    ShowError(ResultCodeText(read));
    return false;
  }
  // The commands the program runs later identify the device by this.
  sigra::DeviceType = type;
  GlowneOkno->ShowDevice(QString::fromStdString(Utf8FromCp1250(DeviceNameText(type))),
                         ConfiguredComPort, ConfiguredSpeed);
  deviceType = type;
  failed = false;
  return type <= kLastFiscalPrinterType;
}

bool PrinterInFiscalMode(bool& failed) {
  return StatusBit(1, 0x08, failed);
}

bool DrawerOpen(bool& failed) {
  StatusBytes status;
  if (!ReadStatus(status, failed)) return false;
  return (status.byte[4] & 0x08) == 0;
}

bool PrinterReadOnly(bool& failed) {
  return StatusBit(1, 0x04, failed);
}

bool ClockMemoryErased(bool& failed) {
  return StatusBit(2, 0x10, failed);
}

bool CheckPrinterErrors(bool& failed, uint8_t& kind) {
  kind = 0;
  SetBusyCursor();
  StatusBytes status;
  if (!ReadStatus(status, failed)) return false;
  const uint8_t* b = status.byte;
  if (b[2] & 0x10) kind = 1;
  if (b[1] & 0x04) kind = 2;
  if (status.count >= 5 && (b[5] & 0x40)) kind = 3;
  if (status.count >= 7 && (b[7] & 0x02)) kind = 7;
  if (b[2] & 0x80) kind = 4;
  if (b[3] & 0x04) kind = 5;
  if (b[3] & 0x02) kind = 6;
  SetArrowCursor();
  return kind == 0;
}

QString PrinterErrorText(uint8_t kind) {
  switch (kind) {
    case 1:
      return QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara.");
    case 2:
      return QStringLiteral("Drukarka w trybie TYLKO ODCZYT.");
    case 3:
      return QStringLiteral("Brak napięcia programującego pamięć fiskalną.");
    case 4:
      return QStringLiteral("Brak komunikacji z kontrolerem drukarki");
    case 5:
      return QStringLiteral("Wystąpiła awaria drukarki");
    case 6:
      return QStringLiteral("Brak papieru lub podniesiona głowica mechanizmu drukującego");
    case 7:
      return QStringLiteral("Niskie napięcie akumulatora głównego");
    default:
      return QStringLiteral("NIEZDEFINIOWANY BŁĄD");
  }
}

bool DeviceStep(uint8_t& deviceType, bool withFullStop) {
  bool failed = false;
  if (CheckFiscalDevice(deviceType, failed)) return true;
  if (!failed) {
    QString text = QString::fromUtf8(kNotFiscalPrinter);
    if (withFullStop) text += QChar('.');
    Refuse(text, QStringLiteral("Błąd"), kErrorStyle);
  }
  return false;
}

bool ClockStep() {
  return ClockStep(PrinterErrorText(1));
}

bool ClockStep(const QString& erasedText) {
  bool failed = false;
  if (ClockMemoryErased(failed)) {
    Refuse(erasedText, QStringLiteral("Błąd"), kErrorStyle);
    return false;
  }
  return !failed;
}

bool FiscalModeStep() {
  bool failed = false;
  if (PrinterInFiscalMode(failed)) return true;
  if (!failed) {
    Refuse(QStringLiteral(
               "Drukarka pracuje w trybie szkoleniowym.\r    Wydruk raportu nie jest możliwy."),
           QStringLiteral("Informacja"), kInformationStyle);
  }
  return false;
}

bool SecondGenerationStep(uint8_t deviceType, std::initializer_list<uint8_t> allowed,
                          bool withFullStop) {
  for (uint8_t type : allowed) {
    if (type == deviceType) return true;
  }
  QString text = QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji");
  if (withFullStop) text += QChar('.');
  Refuse(text, QStringLiteral("Błąd"), kErrorStyle);
  return false;
}

int32_t HandlePrintResult(int32_t result, uint8_t deviceType) {
  while (result == kPaperOut) {
    ErrorBeep();
    const int answer =
        ShowMessage(QStringLiteral(" Brak papieru lub podniesiona głowica mechanizmu drukującego\r"
                                   "Czy wznowić wydruk po założeniu papieru?"),
                    QStringLiteral("Odpowiedz"), kPaperQuestionStyle);
    if (answer != kIdYes) break;
    SetBusyCursor();
    result = PrintControl(kModeChecking, deviceType);
  }
  if (result != 0 && result != kPaperOut) ReportResultCode(result);
  return result;
}

int32_t PrintStep(uint8_t deviceType, const std::function<int32_t()>& print) {
  SetBusyCursor();
  int32_t result = PrintControl(kModeChecking, deviceType);
  if (result != 0) {
    ReportResultCode(result);
  } else {
    result = HandlePrintResult(print(), deviceType);
  }
  SetArrowCursor();
  HideProgressText();
  return result;
}

int ShowDialogStep(QDialog& dialog) {
  ErrorBeep();
  return dialog.exec();
}

}  // namespace sigra::app
