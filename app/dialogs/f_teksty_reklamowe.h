// "Linie reklamowe": the three advertising lines of the customer display,
// read from the printer whenever the dialog is shown, written back and erased.
#ifndef SIGRA_APP_DIALOGS_F_TEKSTY_REKLAMOWE_H
#define SIGRA_APP_DIALOGS_F_TEKSTY_REKLAMOWE_H

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace sigra::app {

class TfTekstyReklamowe : public QDialog {
  Q_OBJECT

 public:
  explicit TfTekstyReklamowe(QWidget* parent);

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* l1 = nullptr;
  QLineEdit* l2 = nullptr;
  QLineEdit* l3 = nullptr;
  QCheckBox* cb1 = nullptr;
  QCheckBox* cb2 = nullptr;
  QCheckBox* cb3 = nullptr;
  QPushButton* bZapis1 = nullptr;
  QPushButton* bOdczyt = nullptr;
  QPushButton* bKasuj = nullptr;

 public slots:
  void cb1Click();
  void cb2Click();
  void cb3Click();
  void bZapis1Click();
  void bOdczytClick();
  void bKasujClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void EnableButtons(bool enabled);
  // Buttons back, the arrow cursor and the code's text in an error box.
  void ReportFailure(int32_t code);
};

}  // namespace sigra::app

#endif
