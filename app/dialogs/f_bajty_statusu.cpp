#include "app/dialogs/f_bajty_statusu.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "app/feedback.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/dialog_state.h"
#include "protocol/device_family.h"
#include "protocol/status.h"
#include "protocol/status_text.h"

namespace sigra::app {

TfBajtyStatusu::TfBajtyStatusu(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fBajtyStatusu"));
  setWindowTitle(QStringLiteral("Informacja..."));

  mStatusy = new QTextEdit(this);
  mStatusy->setObjectName(QStringLiteral("mStatusy"));
  mStatusy->setReadOnly(true);
  mStatusy->setTextInteractionFlags(Qt::NoTextInteraction);
  mStatusy->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
  mStatusy->setFixedSize(620, 340);
  mStatusy->installEventFilter(this);

  bOK = new QPushButton(QStringLiteral("&OK"), this);
  bOK->setObjectName(QStringLiteral("bOK"));
  bOK->setDefault(true);
  connect(bOK, &QPushButton::clicked, this, &TfBajtyStatusu::bOKClick);

  tStatus = new QTimer(this);
  tStatus->setObjectName(QStringLiteral("tStatus"));
  tStatus->setInterval(10);
  tStatus->setSingleShot(true);
  connect(tStatus, &QTimer::timeout, this, &TfBajtyStatusu::tStatusTimer);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(mStatusy);
  layout->addWidget(bOK, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfBajtyStatusu::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) tStatus->start();
}

void TfBajtyStatusu::bOKClick() {
  tStatus->stop();
  accept();
}

bool TfBajtyStatusu::eventFilter(QObject* watched, QEvent* e) {
  if (watched == mStatusy && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      tStatus->stop();
      reject();
    }
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

void TfBajtyStatusu::tStatusTimer() {
  tStatus->stop();
  CentreOverParent(*this);
  StatusBytes status;
  auto& b = status.bytes;
  const int32_t code = ReadStatusBytes(status.count, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7],
                                       status.hasByte8);
  status.clockBattery = UserDataDeviceType == kSigraSecondGeneration || UserDataDeviceType == kSigraF;
  SetArrowCursor();
  if (code != 0) {
    ReportResultCode(code);
    reject();
    return;
  }
  QStringList lines;
  for (const std::string& line : StatusLines(status)) {
    lines << QString::fromStdString(line);
  }
  // Rewritten only when the printer's state changed, so that the text stays
  // still between changes.
  if (lines != lines_) {
    lines_ = lines;
    mStatusy->setPlainText(lines.join(QChar('\n')));
  }
  if (isVisible()) tStatus->start();
}

}  // namespace sigra::app
