#include "app/dialogs/f_raporty_okresowe_wg_dat.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/feedback.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/report_ranges.h"
#include "protocol/connection.h"
#include "protocol/device_family.h"

namespace sigra::app {
namespace {

// Devices that print every periodic report with command 49.
bool HasPeriodicReportCommand(uint8_t deviceType) {
  return IsSigra2OrLater(deviceType);
}

QDateEdit* DateField(QWidget* parent, const char* name) {
  auto* field = new QDateEdit(QDate::currentDate(), parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setLocale(QLocale(QLocale::Polish));
  field->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  field->setCalendarPopup(true);
  return field;
}

}  // namespace

TfRaportyOkresoweWgDat::TfRaportyOkresoweWgDat(QWidget* parent)
    : TPeriodicReportDialog(parent, "fRaportyOkresoweWgDat",
                            QStringLiteral("Raporty okresowe według dat")) {
  Label1 = new QLabel(QStringLiteral("Od"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  dtOd = DateField(this, "dtOd");
  Label2 = new QLabel(QStringLiteral("do"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  dtDo = DateField(this, "dtDo");
  Label1->setBuddy(dtOd);
  Label2->setBuddy(dtDo);
  ConfirmOnEnter(dtOd);
  ConfirmOnEnter(dtDo);

  Fields()->addWidget(Label1, 0, 0);
  Fields()->addWidget(dtOd, 0, 1);
  Fields()->addWidget(Label2, 0, 2);
  Fields()->addWidget(dtDo, 0, 3);
}

QWidget* TfRaportyOkresoweWgDat::FirstField() const {
  return dtOd;
}

void TfRaportyOkresoweWgDat::Button1Click() {
  Button1->setEnabled(false);
  const ReportDigits range = DateRangeDigits(dtOd->date(), dtDo->date());
  if (CollectReportRange) {
    ReportRangeForSwitch = range;
    done(Accepted);
    return;
  }
  setCursor(Qt::WaitCursor);
  SetBusyCursor();
  uint8_t type = kDeviceOther;
  uint32_t version = 0;
  if (const int32_t result = ReadDeviceType(type, version); result != 0) {
    setCursor(Qt::ArrowCursor);
    SetArrowCursor();
    ReportResultCode(result);
    Button1->setEnabled(true);
    done(Rejected);
    return;
  }
  if (!PrinterReady(type)) {
    setCursor(Qt::ArrowCursor);
    return;
  }
  int32_t result = 0;
  if (HasPeriodicReportCommand(type)) {
    SetBusyCursor();
    result = PeriodicReport(ReportKind, range);
  } else {
    ReportKind = InvertedKind(ReportKind);
    const DateRange dates = DateRangeFromDigits(range);
    result = PeriodReport(ReportKind, dates.yearFrom, dates.monthFrom, dates.dayFrom, dates.yearTo,
                          dates.monthTo, dates.dayTo);
  }
  setCursor(Qt::ArrowCursor);
  FinishReport(result, type);
}

}  // namespace sigra::app
