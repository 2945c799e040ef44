#include "app/dialogs/f_okresowe_wg_numerow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/feedback.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/report_ranges.h"
#include "protocol/connection.h"

namespace sigra::app {
namespace {

constexpr int kFirstNumber = 1;
constexpr int kLastNumber = 3000;

QSpinBox* NumberField(QWidget* parent, const char* name) {
  auto* field = new QSpinBox(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setRange(kFirstNumber, kLastNumber);
  field->setValue(kFirstNumber);
  return field;
}

}  // namespace

TfOkresoweWgNumerow::TfOkresoweWgNumerow(QWidget* parent)
    : TPeriodicReportDialog(parent, "fOkresoweWgNumerow",
                            QStringLiteral("Raporty okresowe według numerów")) {
  Label1 = new QLabel(QStringLiteral("Od"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  seOd = NumberField(this, "seOd");
  Label2 = new QLabel(QStringLiteral("do"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  seDo = NumberField(this, "seDo");
  Label1->setBuddy(seOd);
  Label2->setBuddy(seDo);
  connect(seOd, &QSpinBox::valueChanged, this, &TfOkresoweWgNumerow::seOdChange);
  ConfirmOnEnter(seOd);
  ConfirmOnEnter(seDo);

  Fields()->addWidget(Label1, 0, 0);
  Fields()->addWidget(seOd, 0, 1);
  Fields()->addWidget(Label2, 0, 2);
  Fields()->addWidget(seDo, 0, 3);
}

QWidget* TfOkresoweWgNumerow::FirstField() const {
  return seOd;
}

void TfOkresoweWgNumerow::seOdChange() {
  seDo->setMinimum(seOd->value());
}

void TfOkresoweWgNumerow::Button1Click() {
  Button1->setEnabled(false);
  ReopenForReport(true);
  SetBusyCursor();
  const ReportDigits range = NumberRangeDigits(seOd->value(), seDo->value());
  if (CollectReportRange) {
    ReportRangeForSwitch = range;
    RestorePort();
    SetArrowCursor();
    done(Accepted);
    return;
  }
  if (!PrinterReady(sigra::DeviceType)) {
    RestorePort();
    return;
  }
  FinishReport(PeriodicReport(ReportKind, range), sigra::DeviceType);
}

}  // namespace sigra::app
