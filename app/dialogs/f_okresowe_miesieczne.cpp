#include "app/dialogs/f_okresowe_miesieczne.h"

#include <QDate>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/dialogs/dialog_state.h"
#include "app/dialogs/report_ranges.h"
#include "protocol/connection.h"

namespace sigra::app {

TfOkresoweMiesieczne::TfOkresoweMiesieczne(QWidget* parent)
    : TPeriodicReportDialog(parent, "fOkresoweMiesieczne",
                            QStringLiteral("Raporty okresowe miesięczne")) {
  Label1 = new QLabel(QStringLiteral("Rok:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  seRok = new QSpinBox(this);
  seRok->setObjectName(QStringLiteral("seRok"));
  seRok->setRange(2001, 2050);
  Label2 = new QLabel(QStringLiteral("Miesiąc:"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  seMiesiac = new QSpinBox(this);
  seMiesiac->setObjectName(QStringLiteral("seMiesiac"));
  seMiesiac->setRange(1, 12);
  Label1->setBuddy(seRok);
  Label2->setBuddy(seMiesiac);
  ConfirmOnEnter(seRok);
  ConfirmOnEnter(seMiesiac);

  Fields()->addWidget(Label1, 0, 0);
  Fields()->addWidget(seRok, 0, 1);
  Fields()->addWidget(Label2, 0, 2);
  Fields()->addWidget(seMiesiac, 0, 3);

  // Until a command presets them: today's two-digit year, which the field
  // raises to its minimum, and today's month.
  const QDate today = QDate::currentDate();
  seRok->setValue(today.year() % 100);
  seMiesiac->setValue(today.month());
}

void TfOkresoweMiesieczne::SetMonth(QDate month) {
  seRok->setValue(month.year());
  seMiesiac->setValue(month.month());
}

QWidget* TfOkresoweMiesieczne::FirstField() const {
  return seRok;
}

void TfOkresoweMiesieczne::Button1Click() {
  Button1->setEnabled(false);
  ReopenForReport(false);
  const ReportDigits range = MonthDigits(seRok->value(), seMiesiac->value());
  if (!PrinterReady(sigra::DeviceType)) {
    RestorePort();
    return;
  }
  FinishReport(PeriodicReport(ReportKind, range), sigra::DeviceType);
}

}  // namespace sigra::app
