#include "app/dialogs/periodic_report_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/message_box.h"
#include "app/dialogs/dialog_placement.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/status.h"

namespace sigra::app {
namespace {

constexpr uint16_t kReportReadSeconds = 90;
constexpr int32_t kPaperOut = 109;

void ShowFailure(int32_t code) {
  SetArrowCursor();
  ReportResultCode(code);
}

}  // namespace

TPeriodicReportDialog::TPeriodicReportDialog(QWidget* parent, const char* objectName,
                                             const QString& caption)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(caption);

  Label3 = new QLabel(QStringLiteral("Czy wykonać raport?"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TPeriodicReportDialog::Button1Click);
  bCofnij = new QPushButton(QStringLiteral("&Nie"), this);
  bCofnij->setObjectName(QStringLiteral("bCofnij"));
  connect(bCofnij, &QPushButton::clicked, this, &QDialog::reject);

  fields_ = new QGridLayout;
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addWidget(bCofnij);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields_);
  layout->addSpacing(8);
  layout->addWidget(Label3, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPeriodicReportDialog::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  CentreOverParent(*this);
  setCursor(Qt::ArrowCursor);
  Button1->setEnabled(true);
  FirstField()->setFocus();
}

void TPeriodicReportDialog::done(int result) {
  HideProgressText();
  QDialog::done(result);
}

void TPeriodicReportDialog::ConfirmOnEnter(QWidget* field) {
  field->installEventFilter(this);
}

bool TPeriodicReportDialog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Button1->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void TPeriodicReportDialog::ReopenForReport(bool purge) {
  if (purge) link::PurgePrinterPort();
  link::ClosePrinterPort();
  OpenPrinterPort(ConfiguredComPort, ConfiguredSpeed, kWriteSeconds, kReportReadSeconds);
}

void TPeriodicReportDialog::RestorePort() {
  link::ClosePrinterPort();
  OpenPrinterPort(ConfiguredComPort, ConfiguredSpeed, kWriteSeconds, kReadSeconds);
}

bool TPeriodicReportDialog::PrinterReady(uint8_t deviceType) {
  const int32_t result = PrintControl(kModeChecking, deviceType);
  if (result == 0) return true;
  ShowFailure(result);
  return false;
}

void TPeriodicReportDialog::FinishReport(int32_t result, uint8_t deviceType) {
  if (result == 0) {
    done(Accepted);
    SetArrowCursor();
    return;
  }
  if (result == kPaperOut) {
    for (;;) {
      ErrorBeep();
      const int answer = ShowMessage(
          QStringLiteral(" Brak papieru lub podniesiona głowica mechanizmu drukującego\r"
                         "Czy wznowić wydruk po założeniu papieru?"),
          QStringLiteral("Odpowiedz"), kPaperQuestionStyle);
      if (answer != kIdYes) break;
      const int32_t resumed = PrintControl(kModePrinting, deviceType);
      if (resumed == kPaperOut) continue;
      if (resumed != 0) ShowFailure(resumed);
      break;
    }
  } else {
    ShowFailure(result);
  }
  SetArrowCursor();
  Button1->setEnabled(true);
  done(Rejected);
}

}  // namespace sigra::app
