#include "app/dialogs/f_ustawienia.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/device_settings.h"
#include "commands/printer_options.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/radio_group.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"

namespace sigra::app {
namespace {

constexpr uint8_t kSettingsGroups = 5;
constexpr uint8_t kSinglePrintLine = 0x01;  // byte 0 bits
constexpr uint8_t kDropZeros = 0x02;
constexpr uint8_t kPositive = 0x04;
constexpr uint8_t kCodePage1250 = 0x08;

QSpinBox* SpinEdit(const char* name, int lowest, int highest, QWidget* parent) {
  auto* edit = new QSpinBox(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setRange(lowest, highest);
  return edit;
}

void SetBit(uint8_t& byte, uint8_t bit, bool on) {
  byte = static_cast<uint8_t>(on ? byte | bit : byte & ~bit);
}

void ShowFailure(int32_t code) {
  SetArrowCursor();
  ErrorBeep();
  ShowError(ResultCodeText(code));
  HideProgressText();
}

// Enables the three buttons again on every way out of a command.
class ButtonsBusy {
 public:
  explicit ButtonsBusy(std::function<void(bool)> enable) : enable_(std::move(enable)) {
    enable_(false);
  }
  ~ButtonsBusy() { enable_(true); }
  ButtonsBusy(const ButtonsBusy&) = delete;
  ButtonsBusy& operator=(const ButtonsBusy&) = delete;

 private:
  std::function<void(bool)> enable_;
};

}  // namespace

TfUstawienia::TfUstawienia(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fUstawienia"));
  setWindowTitle(QStringLiteral("Ustawienia"));

  const QStringList noYes = {QStringLiteral("NIE"), QStringLiteral("TAK")};
  rgSzybkosc = new TRadioGroup(
      QStringLiteral("01 Szybkość transmisji"),
      {QStringLiteral("  9600 b/s"), QStringLiteral("19200 b/s"), QStringLiteral("28800 b/s")},
      this);
  rgSzybkosc->setObjectName(QStringLiteral("rgSzybkosc"));
  rgWydruk = new TRadioGroup(QStringLiteral("02 Wydruk jednoliniowy"), noYes, this);
  rgWydruk->setObjectName(QStringLiteral("rgWydruk"));
  rgZera = new TRadioGroup(QStringLiteral("03 Usuwanie zer nieznaczących"), noYes, this);
  rgZera->setObjectName(QStringLiteral("rgZera"));
  rgSposobWyswietlenia =
      new TRadioGroup(QStringLiteral("08 Sposób wyświetlania"),
                      {QStringLiteral("NEGATYW"), QStringLiteral("POZYTYW")}, this);
  rgSposobWyswietlenia->setObjectName(QStringLiteral("rgSposobWyswietlenia"));
  rgStronaKodowa = new TRadioGroup(QStringLiteral("Strona kodowa"),
                                   {QStringLiteral("  852 "), QStringLiteral("1250")}, this);
  rgStronaKodowa->setObjectName(QStringLiteral("rgStronaKodowa"));
  connect(rgWydruk, &TRadioGroup::Clicked, this, &TfUstawienia::rgWydrukClick);

  seLinie = SpinEdit("seLinie", 0, 31, this);
  seCzasWyl = SpinEdit("seCzasWyl", 1, 30, this);
  sePodsw = SpinEdit("sePodsw", 0, 16, this);
  seKontrast = SpinEdit("seKontrast", 0, 16, this);
  seGlosnosc = SpinEdit("seGlosnosc", 0, 16, this);
  seReklama = SpinEdit("seReklama", 46, 255, this);
  cbTimeout = new QComboBox(this);
  cbTimeout->setObjectName(QStringLiteral("cbTimeout"));
  cbTimeout->addItems(
      {QStringLiteral("brak"), QStringLiteral("1 sekunda"), QStringLiteral("2 sekundy"),
       QStringLiteral("3 sekundy"), QStringLiteral("4 sekundy"), QStringLiteral("5 sekund"),
       QStringLiteral("6 sekund"), QStringLiteral("7 sekund"), QStringLiteral("8 sekund")});

  auto* values = new QFormLayout;
  values->addRow(QStringLiteral("04 Dodatkowe linie po wydruku"), seLinie);
  auto* switchOff = new QHBoxLayout;
  switchOff->addWidget(seCzasWyl);
  switchOff->addWidget(new QLabel(QStringLiteral("minut"), this));
  switchOff->addStretch();
  values->addRow(QStringLiteral("05 Czas wyłączenia"), switchOff);
  values->addRow(QStringLiteral("06 Podświetlenie wyświetlacza"), sePodsw);
  values->addRow(QStringLiteral("07 Kontrast wyświetlacza"), seKontrast);
  values->addRow(QStringLiteral("09 Głośność dźwięków"), seGlosnosc);
  values->addRow(QStringLiteral("Timeout odbierania"), cbTimeout);
  values->addRow(QStringLiteral("Czas do wyświetlania reklamy"), seReklama);

  auto* options = new QGridLayout;
  options->addWidget(rgSzybkosc, 0, 0, 1, 2);
  options->addWidget(rgWydruk, 1, 0);
  options->addWidget(rgZera, 1, 1);
  options->addWidget(rgSposobWyswietlenia, 2, 0);
  options->addWidget(rgStronaKodowa, 2, 1);

  bOdczyt = new QPushButton(QStringLiteral("Odczyt z drukarki"), this);
  bOdczyt->setObjectName(QStringLiteral("bOdczyt"));
  bZapis = new QPushButton(QStringLiteral("Zapis do drukarki"), this);
  bZapis->setObjectName(QStringLiteral("bZapis"));
  bDomyslne = new QPushButton(QStringLiteral("Domyślne"), this);
  bDomyslne->setObjectName(QStringLiteral("bDomyslne"));
  for (QPushButton* button : {bOdczyt, bZapis, bDomyslne}) button->setAutoDefault(false);
  connect(bOdczyt, &QPushButton::clicked, this, &TfUstawienia::bOdczytClick);
  connect(bZapis, &QPushButton::clicked, this, &TfUstawienia::bZapisClick);
  connect(bDomyslne, &QPushButton::clicked, this, &TfUstawienia::bDomyslneClick);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bOdczyt);
  buttons->addWidget(bZapis);
  buttons->addWidget(bDomyslne);

  auto* columns = new QHBoxLayout;
  columns->addLayout(options);
  columns->addSpacing(12);
  columns->addLayout(values);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfUstawienia::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  CentreOverParent(*this);
  // Read once the dialog is on screen, so that any message appears over it;
  // the buttons wait for the read.
  SetButtonsEnabled(false);
  QTimer::singleShot(0, this, &TfUstawienia::bOdczytClick);
}

void TfUstawienia::SetButtonsEnabled(bool enabled) {
  for (QPushButton* button : {bOdczyt, bZapis, bDomyslne}) button->setEnabled(enabled);
}

bool TfUstawienia::OpeningChecks(uint8_t& deviceType) {
  SetArrowCursor();
  SetBusyCursor();
  bool failed = false;
  if (!CheckFiscalDevice(deviceType, failed)) {
    if (!failed) {
      ErrorBeep();
      ShowError(QString::fromUtf8(kNotFiscalPrinter));
    }
    SetArrowCursor();
    HideProgressText();
    return false;
  }
  const bool erased = ClockMemoryErased(failed);
  if (failed || erased) {
    if (erased) {
      ErrorBeep();
      ShowError(PrinterErrorText(1));
    }
    SetArrowCursor();
    HideProgressText();
    return false;
  }
  uint32_t version = 0;
  if (const int32_t read = ReadDeviceType(deviceType, version); read != 0) {
    ShowFailure(read);
    return false;
  }
  if (!IsLuno(deviceType)) {
    SetArrowCursor();
    ErrorBeep();
    ShowError(QStringLiteral("Podłączone urządzenie nie jest drukarką LUNO/LUNO F"));
    HideProgressText();
    return false;
  }
  return true;
}

bool TfUstawienia::ReadBlock(SettingsBytes& block) {
  for (uint8_t group = 0; group < kSettingsGroups; ++group) {
    uint8_t* bytes = &block[group * 3u];
    if (const int32_t read = ReadSetting(group, bytes[0], bytes[1], bytes[2]); read != 0) {
      ShowFailure(read);
      return false;
    }
  }
  return true;
}

bool TfUstawienia::WriteGroup(const SettingsBytes& block, uint8_t group) {
  const uint8_t* bytes = &block[group * 3u];
  if (const int32_t written = WriteSetting(group, bytes[0], bytes[1], bytes[2]); written != 0) {
    ShowFailure(written);
    return false;
  }
  return true;
}

void TfUstawienia::bOdczytClick() {
  ButtonsBusy busy([this](bool enabled) { SetButtonsEnabled(enabled); });
  uint8_t deviceType = 0;
  if (!OpeningChecks(deviceType)) return;
  // The Luno F always prints its lines in full.
  rgWydruk->setEnabled(deviceType == kLuno);
  SettingsBytes block{};
  if (!ReadBlock(block)) return;
  int32_t feedLines = 0;
  if (const int32_t read = ReadFeedLines(feedLines); read != 0) {
    ShowFailure(read);
    return;
  }
  Fill(block, feedLines);
  SetArrowCursor();
  HideProgressText();
}

void TfUstawienia::Fill(const SettingsBytes& block, int32_t feedLines) {
  const uint16_t speed = BlockSpeed(block);
  rgSzybkosc->SetItemIndex(speed / 9600 - 1);
  rgWydruk->SetItemIndex(block[0] & kSinglePrintLine ? 1 : 0);
  rgZera->SetItemIndex(block[0] & kDropZeros ? 1 : 0);
  rgSposobWyswietlenia->SetItemIndex(block[0] & kPositive ? 1 : 0);
  rgStronaKodowa->SetItemIndex(block[0] & kCodePage1250 ? 1 : 0);
  seReklama->setValue(block[9]);
  seCzasWyl->setValue(block[10]);
  cbTimeout->setCurrentIndex(block[11] < cbTimeout->count() ? block[11] : 0);
  sePodsw->setValue(block[12]);
  seKontrast->setValue(block[13]);
  seGlosnosc->setValue(block[14]);
  seLinie->setValue(feedLines);
  rgWydrukClick();
}

void TfUstawienia::bZapisClick() {
  ButtonsBusy busy([this](bool enabled) { SetButtonsEnabled(enabled); });
  uint8_t deviceType = 0;
  if (!OpeningChecks(deviceType)) return;
  // What the dialog does not edit goes back as the printer holds it.
  SettingsBytes block{};
  if (!ReadBlock(block)) return;
  const uint16_t current = BlockSpeed(block);
  const auto wanted = static_cast<uint16_t>(rgSzybkosc->ItemIndex() * 9600 + 9600);
  ApplySpeed(block, wanted);
  SetBit(block[0], kSinglePrintLine, rgWydruk->ItemIndex() == 1);
  SetBit(block[0], kDropZeros, rgZera->ItemIndex() == 1);
  SetBit(block[0], kPositive, rgSposobWyswietlenia->ItemIndex() == 1);
  SetBit(block[0], kCodePage1250, rgStronaKodowa->ItemIndex() == 1);
  block[12] = static_cast<uint8_t>(sePodsw->value());
  block[13] = static_cast<uint8_t>(seKontrast->value());
  block[14] = static_cast<uint8_t>(seGlosnosc->value());
  if (!WriteGroup(block, 4)) return;
  block[10] = static_cast<uint8_t>(seCzasWyl->value());
  block[11] = static_cast<uint8_t>(cbTimeout->currentIndex());
  block[9] = static_cast<uint8_t>(seReklama->value());
  if (!WriteGroup(block, 3)) return;
  for (SpeedStep step : SpeedChangeSteps(current, wanted)) {
    switch (step) {
      case SpeedStep::WriteGroup0:
        if (!WriteGroup(block, 0)) return;
        break;
      case SpeedStep::WriteGroup2:
        if (!WriteGroup(block, 2)) return;
        break;
      case SpeedStep::FollowSpeed:
        if (FollowLineSpeed(wanted) != 0) {
          SetArrowCursor();
          HideProgressText();
          return;
        }
        break;
    }
  }
  if (const int32_t written = WriteFeedLines(static_cast<uint8_t>(seLinie->value()));
      written != 0) {
    ShowFailure(written);
    return;
  }
  SetArrowCursor();
  HideProgressText();
}

void TfUstawienia::bDomyslneClick() {
  rgSzybkosc->SetItemIndex(0);
  rgWydruk->SetItemIndex(0);
  rgZera->SetItemIndex(0);
  seLinie->setValue(0);
  seCzasWyl->setValue(30);
  sePodsw->setValue(12);
  seKontrast->setValue(8);
  rgSposobWyswietlenia->SetItemIndex(1);
  seGlosnosc->setValue(8);
  cbTimeout->setCurrentIndex(0);
  seReklama->setValue(46);
  rgStronaKodowa->SetItemIndex(0);
  rgWydrukClick();
}

void TfUstawienia::rgWydrukClick() {
  rgZera->setEnabled(rgWydruk->ItemIndex() == 1);
}

}  // namespace sigra::app
