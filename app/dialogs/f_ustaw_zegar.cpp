#include "app/dialogs/f_ustaw_zegar.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/clock.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/time_entry.h"
#include "app/dialogs/time_field.h"

namespace sigra::app {

TfUstawZegar::TfUstawZegar(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fUstawZegar"));
  setWindowTitle(QStringLiteral("Inicjowanie zegara drukarki fiskalnej "));

  Label1 = new QLabel(QStringLiteral("Czy zainicjować zegar?"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("Godzina:"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3 = new QLabel(QStringLiteral("Data:"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  meZegar = new TTimeField(this);
  meZegar->onEnter = [this] { Button1->click(); };
  Label2->setBuddy(meZegar);

  dtDate = new QDateEdit(this);
  dtDate->setObjectName(QStringLiteral("dtDate"));
  dtDate->setCalendarPopup(true);
  dtDate->setDisplayFormat(QLocale(QLocale::Polish).dateFormat(QLocale::LongFormat));
  dtDate->setLocale(QLocale(QLocale::Polish));
  // The clock keeps two-digit years of this century.
  dtDate->setDateRange(QDate(2004, 1, 1), QDate(2099, 12, 31));
  dtDate->installEventFilter(this);
  Label3->setBuddy(dtDate);

  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  connect(Button1, &QPushButton::clicked, this, &TfUstawZegar::Button1Click);
  Button2 = new QPushButton(QStringLiteral("&Nie"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  Label4 = new QLabel(QStringLiteral("Trwa kasowanie ..."), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  pbZegar = new QProgressBar(this);
  pbZegar->setObjectName(QStringLiteral("pbZegar"));
  pbZegar->setRange(0, 16);
  pbZegar->setValue(0);
  pbZegar->setTextVisible(false);

  auto* fields = new QGridLayout;
  fields->addWidget(Label2, 0, 0);
  fields->addWidget(meZegar, 0, 1, Qt::AlignLeft);
  fields->addWidget(Label3, 1, 0);
  fields->addWidget(dtDate, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addStretch();
  layout->addWidget(Label1, 0, Qt::AlignHCenter);
  layout->addLayout(fields);
  layout->addWidget(Label4, 0, Qt::AlignHCenter);
  layout->addWidget(pbZegar);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->addStretch();
  ShowProgressView(false);
  // The size of the entry view in both views: the progress view takes its
  // place without the dialog moving.
  setFixedSize(sizeHint());

  SetClockEraseProgress({.begin = [this] { ShowProgressView(true); },
                         .step =
                             [this] {
                               pbZegar->setValue(pbZegar->value() + 1);
                               repaint();
                             }});
}

TfUstawZegar::~TfUstawZegar() {
  SetClockEraseProgress({});
}

void TfUstawZegar::ShowProgressView(bool progress) {
  const std::initializer_list<QWidget*> entryView = {Button1, dtDate, Button2, meZegar,
                                                     Label1,  Label2, Label3};
  const std::initializer_list<QWidget*> progressView = {Label4, pbZegar};
  // The view that goes is hidden first, so that the dialog never has to make
  // room for both.
  for (QWidget* w : progress ? entryView : progressView) w->hide();
  for (QWidget* w : progress ? progressView : entryView) w->show();
  repaint();
}

void TfUstawZegar::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  CentreOverParent(*this);
  meZegar->setFocus();
}

bool TfUstawZegar::eventFilter(QObject* watched, QEvent* e) {
  if (watched == dtDate && e->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Button1->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void TfUstawZegar::done(int result) {
  HideProgressText();
  QDialog::done(result);
}

void TfUstawZegar::Button1Click() {
  ClockJustInitialised = false;
  const std::optional<ClockTime> time = ParseTime(meZegar->displayText());
  if (!time) {
    ShowError(QStringLiteral("Godzina została wprowadzona nieprawidłowo."));
    return;
  }
  SetBusyCursor();
  const QDate date = dtDate->date();
  Button1->setEnabled(false);
  const int32_t result =
      InitClock(static_cast<uint8_t>(date.year() % 100), static_cast<uint8_t>(date.month()),
                static_cast<uint8_t>(date.day()), static_cast<uint8_t>(time->hour),
                static_cast<uint8_t>(time->minute), 0);
  ShowProgressView(false);
  if (result != 0) {
    SetArrowCursor();
    ErrorBeep();
    ShowError(ResultCodeText(result));
  } else {
    ClockJustInitialised = true;
    emit ClockInitialised();
  }
  Button1->setEnabled(true);
  ClockInitAttempted = true;
  done(Accepted);
}

}  // namespace sigra::app
