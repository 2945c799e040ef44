#include "app/dialogs/f_data_godzina.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/clock.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/dialog_state.h"

namespace sigra::app {
namespace {

constexpr int kReadIntervalMs = 10;

}  // namespace

TfDataGodzina::TfDataGodzina(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fDataGodzina"));
  setWindowTitle(QStringLiteral("Data i godzina z drukarki fiskalnej..."));

  lData = new QLabel(QStringLiteral("Data: "), this);
  lData->setObjectName(QStringLiteral("lData"));
  lCzas = new QLabel(QStringLiteral("Czas:"), this);
  lCzas->setObjectName(QStringLiteral("lCzas"));
  QFont big = lData->font();
  big.setFamily(QStringLiteral("Monospace"));
  big.setStyleHint(QFont::Monospace);
  big.setPointSize(big.pointSize() + 2);
  for (QLabel* label : {lData, lCzas}) {
    label->setFont(big);
    // Room for "Data   :     2024.05.17" whatever the label shows now.
    label->setMinimumWidth(QFontMetrics(big).horizontalAdvance(QString(26, QChar('0'))));
  }

  Button1 = new QPushButton(QStringLiteral("&OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  tZegar = new QTimer(this);
  tZegar->setObjectName(QStringLiteral("tZegar"));
  tZegar->setInterval(kReadIntervalMs);
  tZegar->setSingleShot(true);
  connect(tZegar, &QTimer::timeout, this, &TfDataGodzina::tZegarTimer);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lData);
  layout->addWidget(lCzas);
  layout->addSpacing(8);
  layout->addWidget(Button1, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfDataGodzina::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  CentreOverParent(*this);
  tZegar->start();
}

void TfDataGodzina::done(int result) {
  tZegar->stop();
  HideProgressText();
  QDialog::done(result);
}

void TfDataGodzina::tZegarTimer() {
  tZegar->stop();
  bool failed = false;
  const bool erased = ClockMemoryErased(failed);
  if (failed) {
    SetArrowCursor();
    done(Rejected);
    return;
  }
  if (erased) {
    ErrorBeep();
    HideProgressText();
    if (ClockJustInitialised) {
      ClockJustInitialised = false;
      ShowError(
          QStringLiteral("Zegar drukarki fiskalnej nie został zainicjowany.\r"
                         "Najprawdopodobniej data, którą próbowano ustawić nie jest poprawna.\r"
                         "Nie wolno ustawiać daty, która jest wcześniejsza niż data ostatniego\r"
                         "raportu dobowego (jeśli jakiś był już wykonany)."));
    } else {
      ShowError(QStringLiteral("Skasowana pamięć CMOS. Wejdź do inicjowania zegara."));
    }
    done(Rejected);
    SetArrowCursor();
    return;
  }
  std::string date;
  std::string time;
  const int32_t result = ReadClock(date, time);
  SetArrowCursor();
  if (result != 0) {
    ReportResultCode(result);
    done(Rejected);
    return;
  }
  lData->setText(QStringLiteral("Data   :     ") + QString::fromStdString(date));
  lCzas->setText(QStringLiteral("Godzina:     ") + QString::fromStdString(time));
  // The dialog may have been closed while the printer answered.
  if (isVisible()) tZegar->start();
}

}  // namespace sigra::app
