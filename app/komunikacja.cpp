#include "app/komunikacja.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <map>
#include <string>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/logic/port_item.h"
#include "app/message_box.h"
#include "commands/service_commands.h"
#include "link/text_1250.h"
#ifndef _WIN32
#include "link/posix/serial_ports.h"
#endif
#include "protocol/connection.h"
#include "protocol/device_family.h"

namespace sigra::app {
namespace {

// The names of the USB serial adapters by their port numbers. None when the
// port table cannot be used: opening the port then says why.
std::map<int, std::string> AdapterNames() {
  std::map<int, std::string> names;
#ifndef _WIN32
  try {
    for (const link::ports::Port& port : link::ports::List()) {
      if (!port.adapter.empty()) names[port.number] = port.adapter;
    }
  } catch (const link::ports::TableError&) {
  }
#endif
  return names;
}

// Why a Luno register is locked, by bit of its lock byte (0x40 has no text).
constexpr struct {
  uint8_t bit;
  const char* text;
} kLockReasons[] = {{0x01, "USZKODZONA PAMIĘĆ PROGRAMU."},
                    {0x02, "Błąd odczytu z pamięci fiskalnej."},
                    {0x04, "Brak pamięci fiskalnej."},
                    {0x08, "Uszkodzone dane w pamięci nieulotnej."},
                    {0x10, "Brak danych producenta w pamięci fiskalnej."},
                    {0x20, "Niezgodna pamięć fiskalna."},
                    {0x80, "Uszkodzona pamięć programu."}};

// Enables the button again on every way out of the confirmation.
class ButtonDisabled {
 public:
  explicit ButtonDisabled(QPushButton* button) : button_(button) { button_->setEnabled(false); }
  ~ButtonDisabled() { button_->setEnabled(true); }
  ButtonDisabled(const ButtonDisabled&) = delete;
  ButtonDisabled& operator=(const ButtonDisabled&) = delete;

 private:
  QPushButton* button_;
};

}  // namespace

TKomunikacja::TKomunikacja(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Komunikacja"));
  setWindowTitle(QStringLiteral("Ustaw parametry komunikacji"));

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  Label1 = new QLabel(QStringLiteral("Numer portu COM: "), Bevel1);
  Label1->setObjectName(QStringLiteral("Label1"));
  cbNumerPortu = new QComboBox(Bevel1);
  cbNumerPortu->setObjectName(QStringLiteral("cbNumerPortu"));
  cbNumerPortu->setMinimumContentsLength(6);
  Label1->setBuddy(cbNumerPortu);

  rgPredkosc = new QGroupBox(QStringLiteral("Szybkość transmisji"), Bevel1);
  rgPredkosc->setObjectName(QStringLiteral("rgPredkosc"));
  auto* speedRow = new QHBoxLayout(rgPredkosc);
  const char* speedTexts[3] = {"  9600 b/s", "19200 b/s", "28800 b/s"};
  for (int i = 0; i < 3; ++i) {
    speeds_[i] = new QRadioButton(QString::fromLatin1(speedTexts[i]), rgPredkosc);
    speedRow->addWidget(speeds_[i]);
  }
  speeds_[0]->setChecked(true);

  auto* portRow = new QHBoxLayout;
  portRow->addWidget(Label1);
  portRow->addWidget(cbNumerPortu);
  portRow->addStretch();
  auto* bevelLayout = new QVBoxLayout(Bevel1);
  bevelLayout->addLayout(portRow);
  bevelLayout->addWidget(rgPredkosc);

  Button1 = new QPushButton(QStringLiteral("Zatwierdź"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TKomunikacja::Button1Click);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Bevel1);
  layout->addWidget(Button1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TKomunikacja::FillPortList() {
  cbNumerPortu->clear();
  const std::map<int, std::string> adapters = AdapterNames();
  for (int32_t n = kFirstComPort; n <= kLastComPort; ++n) {
    // A port this user may not open is listed too: choosing it tells why.
    if (ProbeComPort(n) || link::ports::LacksRights(link::ports::TryOpen(n))) {
      const auto adapter = adapters.find(n);
      cbNumerPortu->addItem(QString::fromStdString(
          PortItemText(n, adapter != adapters.end() ? adapter->second : std::string())));
    }
  }
  cbNumerPortu->setCurrentIndex(cbNumerPortu->count() > 0 ? 0 : -1);
}

uint8_t TKomunikacja::SelectedPort() const {
  if (cbNumerPortu->currentIndex() < 0) return 0;
  return static_cast<uint8_t>(PortOfItem(cbNumerPortu->currentText().toStdString()));
}

void TKomunikacja::SelectPort(uint8_t port) {
  for (int index = 0; index < cbNumerPortu->count(); ++index) {
    if (PortOfItem(cbNumerPortu->itemText(index).toStdString()) == port) {
      cbNumerPortu->setCurrentIndex(index);
      return;
    }
  }
}

int TKomunikacja::SpeedIndex() const {
  for (int i = 0; i < 3; ++i) {
    if (speeds_[i]->isChecked()) return i;
  }
  return 0;
}

void TKomunikacja::SetSpeedIndex(int index) {
  speeds_[index]->setChecked(true);
}

uint16_t TKomunikacja::SelectedSpeed() const {
  return static_cast<uint16_t>(SpeedIndex() * 9600 + 9600);
}

void TKomunikacja::SelectSpeed(uint16_t speed) {
  SetSpeedIndex(speed == 19200 ? 1 : speed == 28800 ? 2 : 0);
}

void TKomunikacja::TakeParameters() {
  ConfiguredComPort = SelectedPort();
  ConfiguredSpeed = SelectedSpeed();
}

void TKomunikacja::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) FormActivate();
}

void TKomunikacja::FormActivate() {
  Button1->setEnabled(true);
  ConfiguredComPort = SelectedPort();
  SelectSpeed(ConfiguredSpeed);
}

void TKomunikacja::done(int result) {
  GlowneOkno->setEnabled(true);
  HideProgressText();
  QDialog::done(result);
}

QString LockMessage(uint8_t lockFlags) {
  QString text = QStringLiteral("KASA ZABLOKOWANA: \r\n");
  for (const auto& reason : kLockReasons) {
    if (lockFlags & reason.bit) text += QString::fromUtf8(reason.text) + QStringLiteral("\r\n");
  }
  return text;
}

void TKomunikacja::Button1Click() {
  ButtonDisabled busy(Button1);
  Confirm();
}

void TKomunikacja::Confirm() {
  TakeParameters();
  const int32_t opened = OpenConfiguredPort();
  if (opened != 0) {
    ErrorBeep();
    ShowError(PortOpenFailureText(opened, ConfiguredComPort));
    return;
  }

  uint8_t type = kDeviceOther;
  bool failed = false;
  if (!CheckFiscalDevice(type, failed)) {
    if (!failed) {
      ErrorBeep();
      ShowError(QString::fromUtf8(kNotFiscalPrinter));
    }
    return;
  }

  uint32_t version = 0;
  const int32_t read = ReadDeviceType(type, version);
  if (read != 0) {
    ErrorBeep();
    ShowError(ResultCodeText(read));
  } else {
    GlowneOkno->AdaptMenuAfterConnection(type);
    GlowneOkno->ShowDevice(QString::fromStdString(Utf8FromCp1250(DeviceNameText(type))),
                           ConfiguredComPort, ConfiguredSpeed);
  }

  if (IsLuno(type)) {
    uint8_t first = 0;
    uint8_t lockFlags = 0;
    const int32_t lock = ReadLockState(first, lockFlags);
    if (lock != 0 || lockFlags != 0) {
      ErrorBeep();
      ShowError(lock != 0 ? ResultCodeText(lock) : LockMessage(lockFlags));
      HideProgressText();
      return;
    }
  }

  bool statusFailed = false;
  const bool erased = ClockMemoryErased(statusFailed);
  if (statusFailed) {
    SetArrowCursor();
    HideProgressText();
    return;
  }
  if (!erased) {
    accept();
    return;
  }
  if (GlowneOkno->OfferClockInitialisation()) accept();
}

}  // namespace sigra::app
