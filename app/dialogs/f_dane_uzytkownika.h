// "Dane użytkownika": the editor of the header lines the printer prints at the
// top of every receipt. Four lines on the Sigra models (the fourth holds the
// tax number NIP), six on the Luno models (the sixth holds it). The lines are
// written to the printer, read back, printed for control, and saved to and
// loaded from a text file.
#ifndef SIGRA_APP_DIALOGS_F_DANE_UZYTKOWNIKA_H
#define SIGRA_APP_DIALOGS_F_DANE_UZYTKOWNIKA_H

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sigra::app {

class TRadioGroup;

class TfDaneUzytkownika : public QDialog {
  Q_OBJECT

 public:
  explicit TfDaneUzytkownika(QWidget* parent = nullptr);

  // The parts of line n (1 to 6); line 6 has no "Wys. gen." box.
  QLineEdit* Edit(int n) const { return edits_[Index(n)]; }
  TRadioGroup* WidthChoice(int n) const { return widths_[Index(n)]; }
  QCheckBox* CentreBox(int n) const { return centres_[Index(n)]; }
  QCheckBox* HighPrintBox(int n) const { return n <= 5 ? highs_[Index(n)] : nullptr; }
  QLabel* RowLabel(int n) const { return rowLabels_[Index(n)]; }
  // 40 or 20 characters, as the width choice of line n says.
  int LineWidth(int n) const;
  bool OverwriteMode() const { return overwrite_; }

  // Save and load without the file dialogs.
  void SaveFile(const QString& path);
  void LoadFile(const QString& path);

  TRadioGroup* rgTyp = nullptr;
  QLineEdit *l1 = nullptr, *l2 = nullptr, *l3 = nullptr, *L4 = nullptr, *L5 = nullptr,
            *l6 = nullptr;
  TRadioGroup *rg1 = nullptr, *rg2 = nullptr, *rg3 = nullptr, *rg4 = nullptr, *rg5 = nullptr,
              *rg6 = nullptr;
  QCheckBox *cb1 = nullptr, *CB2 = nullptr, *cb3 = nullptr, *cb4 = nullptr, *cb5 = nullptr,
            *cb6 = nullptr;
  QCheckBox *cbWys1 = nullptr, *cbWys2 = nullptr, *cbWys3 = nullptr, *cbWys4 = nullptr,
            *cbWys5 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* bWydrKontr = nullptr;
  QPushButton* bOdczytPlik = nullptr;
  QPushButton* bZapisPlik = nullptr;
  QLabel* Label8 = nullptr;
  QFileDialog* oPlik = nullptr;
  QFileDialog* zPlik = nullptr;

 public slots:
  void rgTypClick();
  void Button2Click();
  void Button3Click();
  void bWydrKontrClick();
  void bOdczytPlikClick();
  void bZapisPlikClick();
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  static size_t Index(int n) { return static_cast<size_t>(n - 1); }
  void FormActivate();
  void WidthClick(int n);
  void CentreClick(int n);
  void ToggleOverwrite();
  void SetLayout(int index);
  void SetPrinterButtonsEnabled(bool enabled);
  // The opening checks of the three printer commands; false when the command
  // ends (the operator has been told why).
  bool OpeningChecks(bool write, uint8_t& deviceType, bool& fiscal);
  // The NIP check of `text` and the reaction to its result: whether the
  // command goes on.
  bool NipAccepted(const QString& text);
  void Write();
  void Read();
  void ControlPrint();
  // Line n fitted to its width, centred when its "Centruj" box is checked.
  QString Fitted(int n) const;
  bool WriteLine(int n, uint8_t attributes, const QString& text);
  uint8_t Attributes(int n) const;
  // Puts a text into line n; a width of 20 or 40 then selects that width.
  void PutLine(int n, const QString& text, int width);

  std::array<QLineEdit*, 6> edits_{};
  std::array<TRadioGroup*, 6> widths_{};
  std::array<QCheckBox*, 6> centres_{};
  std::array<QCheckBox*, 5> highs_{};
  std::array<QLabel*, 6> rowLabels_{};
  int wideEdit_ = 0;
  int narrowEdit_ = 0;
  bool overwrite_ = false;
};

}  // namespace sigra::app

#endif
