#include "app/dialogs/f_przestawianie.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTime>
#include <QVBoxLayout>
#include <cstdlib>
#include <string>

#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/clock.h"
#include "commands/receipt_counter.h"
#include "commands/reports.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/time_entry.h"
#include "app/dialogs/time_field.h"

namespace sigra::app {
namespace {

constexpr int kLongestShift = 60;

const QString kBlad = QStringLiteral("Błąd");

}  // namespace

TfPrzestawianie::TfPrzestawianie(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fPrzestawianie"));
  setWindowTitle(QStringLiteral("Przestawianie zegara w drukarce fiskalnej"));

  Label1 = new QLabel(QStringLiteral("Czy przestawić zegar?"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("Godzina (gg : mm)"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  meZegar = new TTimeField(this);
  meZegar->onEnter = [this] { Button1->click(); };
  Label2->setBuddy(meZegar);

  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  connect(Button1, &QPushButton::clicked, this, &TfPrzestawianie::Button1Click);
  Button2 = new QPushButton(QStringLiteral("&Nie"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  auto* timeRow = new QHBoxLayout;
  timeRow->addWidget(Label2);
  timeRow->addWidget(meZegar);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1, 0, Qt::AlignHCenter);
  layout->addLayout(timeRow);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfPrzestawianie::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  CentreOverParent(*this);
  Button1->setEnabled(true);
  meZegar->setText(QTime::currentTime().toString(QStringLiteral("hh:mm")));
  meZegar->setFocus();
}

void TfPrzestawianie::done(int result) {
  HideProgressText();
  QDialog::done(result);
}

void TfPrzestawianie::ReportFailure(int32_t code) {
  ErrorBeep();
  ShowError(QStringLiteral("Nie udało się przestawić zegara: \r") + ResultCodeText(code));
  HideProgressText();
  SetArrowCursor();
}

bool TfPrzestawianie::ReadPrinterTime(QString& time) {
  std::string date;
  std::string text;
  const int32_t result = ReadClock(date, text);
  if (result != 0) {
    ReportFailure(result);
    return false;
  }
  time = QString::fromStdString(text);
  return true;
}

void TfPrzestawianie::Button1Click() {
  const std::optional<ClockTime> entered = ParseTime(meZegar->displayText());
  if (!entered) {
    ShowError(QStringLiteral("Godzina została wprowadzona nieprawidłowo."));
    return;
  }
  Button1->setEnabled(false);
  // Every way out below that keeps the dialog open gives the button back.
  struct Reenable {
    QPushButton* button;
    ~Reenable() { button->setEnabled(true); }
  } reenable{Button1};

  uint32_t counter = 0;
  if (const int32_t result = ReadReceiptCounter(counter); result != 0) {
    ReportFailure(result);
    return;
  }
  if (counter != 0) {
    ErrorBeep();
    const int answer =
        ShowMessage(QStringLiteral("Niezerowy licznik paragonów.\r"
                                   "Aby przestawić zegar należy wykonać raport fiskalny dobowy.\r"
                                   "Czy wykonać ten raport?"),
                    kBlad, kMbTaskModal | kMbIconInformation | kMbYesNo);
    if (answer != kIdYes) return;
    if (const int32_t result = DailyReport(0); result != 0) {
      ReportFailure(result);
      return;
    }
  }

  QString before;
  if (!ReadPrinterTime(before)) return;
  const std::optional<ClockTime> printer = ParseTime(before);
  if (!printer) {
    ErrorBeep();
    ShowError(QStringLiteral("Czas został wprowadzony niepoprawnie"));
    return;
  }
  const int minutes = MinutesBetween(*printer, *entered);
  if (minutes == 0 || std::abs(minutes) > kLongestShift) {
    ErrorBeep();
    ShowError(minutes == 0 ? QStringLiteral("Nie można przestawić zegara o 0 minut")
                           : QStringLiteral("Nie można przestawić zegara o więcej niż 60 minut"));
    HideProgressText();
    return;
  }
  if (const int32_t result = ShiftClock(minutes < 0 ? 0 : 1, std::abs(minutes)); result != 0) {
    ReportFailure(result);
    return;
  }

  QString after;
  if (!ReadPrinterTime(after)) return;
  HideProgressText();
  SetArrowCursor();
  ErrorBeep();
  if (after.left(5) == before.left(5)) {
    ShowError(
        QStringLiteral("             Nie udało się przestawić zegara:                \r"
                       "Nie można przestawiać zegara dwa razy w ciągu tej samej doby."));
    return;
  }
  ShowMessage(QStringLiteral("Zegar został przestawiony."), QStringLiteral("Informacja"),
              kInformationStyle);
  Button1->setEnabled(true);
  emit ClockShifted();
  accept();
}

}  // namespace sigra::app
