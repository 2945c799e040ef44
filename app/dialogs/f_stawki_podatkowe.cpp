#include "app/dialogs/f_stawki_podatkowe.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/message_box.h"
#include "commands/reports.h"
#include "commands/tax_rates.h"
#include "app/dialogs/dialog_placement.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/rate_values.h"

namespace sigra::app {
namespace {

constexpr int32_t kDailyReportDemanded = 218;

// The fields take whole percentages; a comma is their decimal separator.
const QLocale& FieldLocale() {
  static const QLocale polish(QLocale::Polish, QLocale::Poland);
  return polish;
}

QString RateError(const QString& shown) {
  return QStringLiteral("Błąd w stawce podatkowej: ") + shown;
}

// Enables the button again on every way out of the write.
class Reenabled {
 public:
  explicit Reenabled(QPushButton* button) : button_(button) { button_->setEnabled(false); }
  ~Reenabled() { button_->setEnabled(true); }
  Reenabled(const Reenabled&) = delete;
  Reenabled& operator=(const Reenabled&) = delete;

 private:
  QPushButton* button_;
};

}  // namespace

TfStawkiPodatkowe::TfStawkiPodatkowe(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fStawkiPodatkowe"));
  setWindowTitle(QStringLiteral("Stawki podatkowe"));

  QLineEdit** fields[7] = {&me1, &me2, &me3, &me4, &me5, &me6, &me7};
  QCheckBox** reserve[7] = {&cb1R, &cb2R, &cb3R, &cb4R, &cb5R, &cb6R, &cb7R};
  QCheckBox** exempt[7] = {&cb1Z, &cb2Z, &cb3Z, &cb4Z, &cb5Z, &cb6Z, &cb7Z};
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(16);
  for (int row = 0; row < 7; ++row) {
    auto* label = new QLabel(QStringLiteral("Stawka ") + QChar('A' + row), this);
    label->setObjectName(QStringLiteral("lStawka%1").arg(QChar('A' + row)));
    QLineEdit* field = new QLineEdit(this);
    *fields[row] = field;
    field->setObjectName(QStringLiteral("me%1").arg(row + 1));
    // Two optional digits, blanks shown as spaces.
    field->setInputMask(QStringLiteral("00; "));
    field->setMaxLength(2);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    QSizePolicy keepPlace = field->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    field->setSizePolicy(keepPlace);
    field->installEventFilter(this);
    label->setBuddy(field);
    *reserve[row] = new QCheckBox(QStringLiteral("REZERWA"), this);
    (*reserve[row])->setObjectName(QStringLiteral("cb%1R").arg(row + 1));
    *exempt[row] = new QCheckBox(QStringLiteral("ZWOLNIONA"), this);
    (*exempt[row])->setObjectName(QStringLiteral("cb%1Z").arg(row + 1));
    for (QCheckBox* box : {*reserve[row], *exempt[row]}) {
      connect(box, &QCheckBox::toggled, this,
              [this, row, box](bool checked) { BoxToggled(row, box, checked); });
    }
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    grid->addWidget(*reserve[row], row, 2);
    grid->addWidget(*exempt[row], row, 3);
  }

  Label8 = new QLabel(QStringLiteral("Czy wpisać stawki podatkowe?"), this);
  Label8->setObjectName(QStringLiteral("Label8"));
  Button1 = new QPushButton(QStringLiteral("&Tak"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("&Nie"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  // Never shown, and it does nothing.
  Button3 = new QPushButton(QStringLiteral("&Domyślne"), this);
  Button3->setObjectName(QStringLiteral("Button3"));
  Button3->hide();
  connect(Button1, &QPushButton::clicked, this, &TfStawkiPodatkowe::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TfStawkiPodatkowe::Button2Click);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addWidget(Label8, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::array<QLineEdit*, 7> TfStawkiPodatkowe::Fields() const {
  return {me1, me2, me3, me4, me5, me6, me7};
}

std::array<QCheckBox*, 7> TfStawkiPodatkowe::ReserveBoxes() const {
  return {cb1R, cb2R, cb3R, cb4R, cb5R, cb6R, cb7R};
}

std::array<QCheckBox*, 7> TfStawkiPodatkowe::ExemptBoxes() const {
  return {cb1Z, cb2Z, cb3Z, cb4Z, cb5Z, cb6Z, cb7Z};
}

void TfStawkiPodatkowe::SetRate(int row, uint32_t rate) {
  const auto r = static_cast<size_t>(row);
  set_[r] = rate;
  ReserveBoxes()[r]->setChecked(rate == kReserveRate);
  ExemptBoxes()[r]->setChecked(rate == kExemptRate);
  if (rate != kReserveRate && rate != kExemptRate) {
    Fields()[r]->setText(QString::number(rate / 100));
    Fields()[r]->show();
  }
}

void TfStawkiPodatkowe::BoxToggled(int row, QCheckBox* box, bool checked) {
  const auto r = static_cast<size_t>(row);
  QCheckBox* other = box == ReserveBoxes()[r] ? ExemptBoxes()[r] : ReserveBoxes()[r];
  if (!checked) {
    Fields()[r]->show();
    return;
  }
  other->setChecked(false);
  Fields()[r]->hide();
}

bool TfStawkiPodatkowe::eventFilter(QObject* watched, QEvent* e) {
  // Leaving a field for another control of the dialog, not the dialog losing
  // the focus to a message box.
  if (e->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (auto* field = qobject_cast<QLineEdit*>(watched); field && field->isVisible()) {
        me1Exit(field);
      }
    }
  }
  return QDialog::eventFilter(watched, e);
}

void TfStawkiPodatkowe::me1Exit(QLineEdit* field) {
  if (field->text().trimmed().isEmpty()) field->setText(QStringLiteral("0"));
  bool ok = false;
  const double percent = FieldLocale().toDouble(field->text().trimmed(), &ok);
  if (!ok) {
    ErrorBeep();
    ShowError(RateError(field->text()));
  } else if (percent < 0 || percent > 99) {
    ErrorBeep();
    ShowError(RateError(field->text()) + QStringLiteral(" (stawka poza zakresem)"));
  }
}

std::optional<uint32_t> TfStawkiPodatkowe::RowRate(int row) {
  const auto r = static_cast<size_t>(row);
  // The exempt box is tested first.
  if (ExemptBoxes()[r]->isChecked()) return kExemptRate;
  if (ReserveBoxes()[r]->isChecked()) return kReserveRate;
  QLineEdit* field = Fields()[r];
  if (field->text().trimmed().isEmpty()) field->setText(QStringLiteral("0"));
  const QString text = field->text().trimmed();
  bool ok = false;
  const double percent = FieldLocale().toDouble(text, &ok);
  if (!ok) {
    ErrorBeep();
    ShowError(RateError(field->text()));
    return std::nullopt;
  }
  const std::optional<uint32_t> rate = RateFromPercent(percent);
  if (!rate) {
    ErrorBeep();
    ShowError(RateError(QString::number(percent, 'g')) + QStringLiteral(" (stawka poza zakresem)"));
    return std::nullopt;
  }
  // A field still showing the whole percentage it was given keeps the
  // fraction the printer holds.
  const uint32_t given = set_[r];
  if (given != kReserveRate && given != kExemptRate && *rate == given / 100 * 100) return given;
  return rate;
}

void TfStawkiPodatkowe::Button1Click() {
  uint8_t deviceType = 0;
  bool failed = false;
  if (!CheckFiscalDevice(deviceType, failed)) {
    if (!failed) {
      ErrorBeep();
      HideProgressText();
      ShowError(QString::fromUtf8(kNotFiscalPrinter) + QChar('.'));
    }
    HideProgressText();
    return;
  }
  HideProgressText();
  std::array<uint32_t, 7> rates{};
  for (int row = 0; row < 7; ++row) {
    const std::optional<uint32_t> rate = RowRate(row);
    if (!rate) return;
    rates[static_cast<size_t>(row)] = *rate;
  }
  if (CollectRatesOnly) {
    for (size_t i = 0; i < rates.size(); ++i) {
      RatesForFiscalisation[i] = static_cast<int32_t>(rates[i]);
    }
    Button1->setEnabled(true);
    done(kIdYes);
    return;
  }
  WriteRates(rates, deviceType);
}

void TfStawkiPodatkowe::WriteRates(const std::array<uint32_t, 7>& rates, uint8_t deviceType) {
  Reenabled busy(Button1);
  bool unchanged = true;
  for (size_t i = 0; i < rates.size(); ++i) unchanged = unchanged && rates[i] == RatesLastRead[i];
  if (unchanged) {
    SetArrowCursor();
    ErrorBeep();
    ShowMessage(QStringLiteral("Stawki podatkowe nie uległy zmianie dlatego nie zostaną zapisane."),
                QStringLiteral("Informacja"), kInformationStyle);
    return;
  }
  for (;;) {
    int32_t count = 7;
    const int32_t result = SetVAT(
        count, TaxRates{rates[0], rates[1], rates[2], rates[3], rates[4], rates[5], rates[6]});
    if (result == 0) {
      close();
      emit RatesWritten();
      return;
    }
    if (result != kDailyReportDemanded) {
      SetArrowCursor();
      ReportResultCode(result);
      return;
    }
    ErrorBeep();
    const int answer = ShowMessage(
        QStringLiteral("  Licznik paragonów jest różny od 0  \rCzy wykonać raport dobowy?"),
        QStringLiteral("Odpowiedz"), kQuestionStyle);
    if (answer != kIdYes) {
      SetArrowCursor();
      return;
    }
    SetBusyCursor();
    ShowProgressText(QStringLiteral("Raport dobowy..."));
    const int32_t report = DailyReport(1);
    // A report stopped for paper is resumed; one that failed is shown before
    // the printer is asked again.
    HandlePrintResult(report, deviceType);
    SetArrowCursor();
  }
}

void TfStawkiPodatkowe::Button2Click() {
  close();
}

void TfStawkiPodatkowe::done(int result) {
  HideProgressText();
  QDialog::done(result);
}

void TfStawkiPodatkowe::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  CentreOverParent(*this);
  Button1->setEnabled(true);
  me1->setFocus();
}

}  // namespace sigra::app
