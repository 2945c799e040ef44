// The tax rates editor: seven rows A to G, each a two-digit percentage or one
// of the boxes "REZERWA" (not in use) and "ZWOLNIONA" (exempt). "&Tak" writes
// the rates to the printer, running the daily report it demands first, and
// has them read back; in collect mode it only hands the checked values to the
// fiscal-mode switch.
#ifndef SIGRA_APP_DIALOGS_F_STAWKI_PODATKOWE_H
#define SIGRA_APP_DIALOGS_F_STAWKI_PODATKOWE_H

#include <QDialog>
#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sigra::app {

class TfStawkiPodatkowe : public QDialog {
  Q_OBJECT

 public:
  explicit TfStawkiPodatkowe(QWidget* parent = nullptr);

  // Sets row `row` (0 is A) to a rate value: 25500 checks its reserve box,
  // 10000 its exempt box, anything else shows the field with the whole
  // percentage and clears both boxes.
  void SetRate(int row, uint32_t rate);
  // The rate value row `row` stands for; none, and the operator told why, for
  // a field that is not a percentage from 0 to 99.83.
  std::optional<uint32_t> RowRate(int row);

  QLineEdit* me1 = nullptr;
  QLineEdit* me2 = nullptr;
  QLineEdit* me3 = nullptr;
  QLineEdit* me4 = nullptr;
  QLineEdit* me5 = nullptr;
  QLineEdit* me6 = nullptr;
  QLineEdit* me7 = nullptr;
  QCheckBox* cb1R = nullptr;
  QCheckBox* cb2R = nullptr;
  QCheckBox* cb3R = nullptr;
  QCheckBox* cb4R = nullptr;
  QCheckBox* cb5R = nullptr;
  QCheckBox* cb6R = nullptr;
  QCheckBox* cb7R = nullptr;
  QCheckBox* cb1Z = nullptr;
  QCheckBox* cb2Z = nullptr;
  QCheckBox* cb3Z = nullptr;
  QCheckBox* cb4Z = nullptr;
  QCheckBox* cb5Z = nullptr;
  QCheckBox* cb6Z = nullptr;
  QCheckBox* cb7Z = nullptr;
  QLabel* Label8 = nullptr;  // the question
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;

  std::array<QLineEdit*, 7> Fields() const;
  std::array<QCheckBox*, 7> ReserveBoxes() const;
  std::array<QCheckBox*, 7> ExemptBoxes() const;

 signals:
  // The rates were written; the main window reads them back.
  void RatesWritten();

 public slots:
  void Button1Click();
  void Button2Click();
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BoxToggled(int row, QCheckBox* box, bool checked);
  void me1Exit(QLineEdit* field);
  void WriteRates(const std::array<uint32_t, 7>& rates, uint8_t deviceType);

  // The rate each row was last set to, kept while its field shows only the
  // whole percentage of a rate with a fraction.
  std::array<uint32_t, 7> set_{};
};

}  // namespace sigra::app

#endif
