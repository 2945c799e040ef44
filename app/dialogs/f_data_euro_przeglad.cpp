#include "app/dialogs/f_data_euro_przeglad.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/special_dates.h"
#include "app/dialogs/dialog_state.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

constexpr uint8_t kServiceJumper = 0x40;  // status byte 4

uint8_t Kind() {
  return EuroDateMode ? kEuroChangeoverDate : kNextInspectionDate;
}

}  // namespace

TfDataEuroPrzeglad::TfDataEuroPrzeglad(QWidget* parent) : TAnswerDialog(parent) {
  setObjectName(QStringLiteral("fDataEuroPrzeglad"));
  setWindowTitle(QStringLiteral("Data następnego przeglądu"));
  dtDate = new QDateEdit(this);
  dtDate->setObjectName(QStringLiteral("dtDate"));
  // The month by its Polish name, whatever the machine's language.
  dtDate->setLocale(QLocale(QLocale::Polish, QLocale::Poland));
  dtDate->setDisplayFormat(QStringLiteral("d MMMM yyyy"));
  dtDate->setDateRange(QDate(2007, 1, 1), QDate(2100, 1, 1));
  dtDate->setCalendarPopup(true);
  dtDate->setMinimumWidth(200);
  bOdczyt = new QPushButton(QStringLiteral("&Odczyt z drukarki"), this);
  bOdczyt->setObjectName(QStringLiteral("bOdczyt"));
  bOdczyt->setAutoDefault(false);
  bZapis = new QPushButton(QStringLiteral("&Zapis do drukarki"), this);
  bZapis->setObjectName(QStringLiteral("bZapis"));
  bZapis->setDefault(true);
  connect(bOdczyt, &QPushButton::clicked, this, &TfDataEuroPrzeglad::bOdczytClick);
  connect(bZapis, &QPushButton::clicked, this, &TfDataEuroPrzeglad::bZapisClick);

  auto* date = new QHBoxLayout;
  date->addWidget(new QLabel(QStringLiteral("Data:"), this));
  date->addWidget(dtDate);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bOdczyt);
  buttons->addWidget(bZapis);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(date);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfDataEuroPrzeglad::FormActivate() {
  bOdczytClick();
}

void TfDataEuroPrzeglad::bOdczytClick() {
  SetBusyCursor();
  uint8_t year = 0;
  uint8_t month = 0;
  uint8_t day = 0;
  if (const int32_t code = ReadSpecialDate(Kind(), year, month, day); code != 0) {
    Succeeded(code);
    HideProgressText();
    return;
  }
  if (year == 0 && month == 0 && day == 0) {
    ErrorBeep();
    ShowMessage(EuroDateMode ? QStringLiteral("W drukarce brak daty przejścia na euro")
                             : QStringLiteral("W drukarce brak daty kolejnego przeglądu"),
                QStringLiteral("UWAGA"), kWarningStyle);
    const QDate today = QDate::currentDate();
    dtDate->setDate(EuroDateMode ? today : today.addYears(1));
  } else if (const QDate kept(2000 + year, month, day); kept.isValid()) {
    dtDate->setDate(kept);
  } else {
    ErrorBeep();
    ShowMessage(EuroDateMode
                    ? QStringLiteral("W drukarce wpisana niewłaściwa data przejścia na euro")
                    : QStringLiteral("W drukarce wpisana niewłaściwa data kolejnego przeglądu"),
                QStringLiteral("Błąd"), kMbTaskModal | kMbIconExclamation | kMbOk);
  }
  SetArrowCursor();
}

void TfDataEuroPrzeglad::bZapisClick() {
  SetBusyCursor();
  Write();
  SetArrowCursor();
  HideProgressText();
}

void TfDataEuroPrzeglad::Write() {
  uint8_t type = 0;
  bool failed = false;
  if (!CheckFiscalDevice(type, failed)) {
    if (!failed) {
      ErrorBeep();
      HideProgressText();
      ShowError(QString::fromUtf8(kNotFiscalPrinter));
    }
    return;
  }
  for (;;) {
    int32_t count = 0;
    uint8_t b[9] = {};
    bool hasByte8 = false;
    if (!Succeeded(
            ReadStatusBytes(count, b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], hasByte8))) {
      return;
    }
    if (b[4] & kServiceJumper) break;
    ErrorBeep();
    HideProgressText();
    if (ShowMessage(QStringLiteral("Ustawienie daty jest niemożliwe.\r"
                                   "Zwora serwisowa jest w pozycji normalnej.        \r"
                                   "Czy sprawdzić stan zwory ponownie?        "),
                    QStringLiteral("Błąd"), kFaultQuestionStyle) != kIdYes) {
      return;
    }
  }
  const QDate date = dtDate->date();
  const int32_t code =
      WriteSpecialDate(Kind(), static_cast<uint8_t>(date.year() - 2000),
                       static_cast<uint8_t>(date.month()), static_cast<uint8_t>(date.day()));
  if (!Succeeded(code)) return;
  ErrorBeep();
  ShowMessage(EuroDateMode
                  ? QStringLiteral("Zapisano datę wprowadzenia euro do drukarki fiskalnej")
                  : QStringLiteral("Zapisano datę następnego przeglądu do drukarki fiskalnej"),
              QStringLiteral("Informacja"), kInformationStyle);
}

}  // namespace sigra::app
