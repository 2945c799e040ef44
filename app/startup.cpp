#include "app/startup.h"

#include <QCursor>

#include "app/ani_cursor.h"
#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "link/comm.h"
#include "link/text_1250.h"
#include "protocol/connection.h"

namespace sigra::app {

bool FirstActivation = true;

namespace {

std::optional<QCursor> g_hourglass;

}  // namespace

uint8_t PortFromArguments(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    const QString name = argument.toUpper();
    if (!name.startsWith(QLatin1String("COM")) || name.size() < 4 || name.size() > 6 ||
        name[3] == QChar('0')) {
      continue;
    }
    bool digits = true;
    for (qsizetype i = 3; i < name.size(); ++i) digits = digits && name[i].isDigit();
    const int n = digits ? name.mid(3).toInt() : 0;
    // Every port the port list can hold.
    if (n >= kFirstComPort && n <= kLastComPort) return static_cast<uint8_t>(n);
  }
  return 0;
}

uint16_t SpeedFromArguments(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    for (uint16_t speed : {9600, 19200, 28800}) {
      if (argument == QString::number(speed)) return speed;
    }
  }
  return 0;
}

QString CommandLineInformation(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (argument == QLatin1String("--help")) {
      return QStringLiteral(
          "Użycie: sigrasw [COM1..COM255] [9600|19200|28800]\n"
          "Program użytkownika drukarek fiskalnych VELMO: Sigra, Sigra F, LUNO, LUNO F.\n"
          "Z portem i szybkością łączy się przy starcie z drukarką na tym porcie;\n"
          "bez nich otwiera okno parametrów komunikacji. Inne parametry pomija.\n"
          "  --help     ten opis\n"
          "  --version  wersja programu\n");
    }
    if (argument == QLatin1String("--version")) {
      return QStringLiteral("sigrasw " SIGRA_VERSION "\n");
    }
  }
  return QString();
}

void InitMainWindowModule(const QStringList& arguments) {
  g_hourglass = LoadAniCursorFile(QStringLiteral("hourglas.ani"));
  FirstActivation = true;
  ConfiguredComPort = PortFromArguments(arguments);
  ConfiguredSpeed = SpeedFromArguments(arguments);
}

QCursor BusyCursor() {
  return g_hourglass ? *g_hourglass : QCursor(Qt::WaitCursor);
}

void StartupConnection() {
  Komunikacja->FillPortList();
  FirstActivation = false;
  // The port named on the command line comes first when it was found.
  if (ConfiguredComPort != 0) Komunikacja->SelectPort(ConfiguredComPort);

  if (ConfiguredComPort == 0 || ConfiguredSpeed == 0) {
    ErrorBeep();
    Komunikacja->exec();
    HideProgressText();
    return;
  }

  GlowneOkno->repaint();
  ConfiguredComPort = Komunikacja->SelectedPort();
  Komunikacja->SelectSpeed(ConfiguredSpeed);

  link::PurgePrinterPort();
  const int32_t opened = OpenConfiguredPort();
  if (opened != 0) {
    ErrorBeep();
    HideProgressText();
    ShowError(PortOpenFailureText(opened, ConfiguredComPort));
    ErrorBeep();
    Komunikacja->exec();
    return;
  }

  uint8_t type = kDeviceOther;
  bool failed = false;
  if (!CheckFiscalDevice(type, failed)) {
    ErrorBeep();
    if (failed) {
      Komunikacja->exec();
    } else {
      HideProgressText();
      ShowError(QString::fromUtf8(kNotFiscalPrinter));
    }
    return;
  }

  uint32_t version = 0;
  const int32_t read = ReadDeviceType(type, version);
  if (read != 0) {
    ReportResultCode(read);
  } else {
    GlowneOkno->AdaptMenuToDevice(type);
    GlowneOkno->ShowDevice(QString::fromStdString(Utf8FromCp1250(DeviceNameText(type))),
                           ConfiguredComPort, ConfiguredSpeed);
    // An erased clock blocks most commands: offered here as the
    // communication dialog offers it, since no menu entry leads to it.
    bool statusFailed = false;
    if (ClockMemoryErased(statusFailed)) GlowneOkno->OfferClockInitialisation();
  }
  HideProgressText();
}

}  // namespace sigra::app
