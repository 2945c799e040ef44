// The tax rates read from the printer, one label per rate; the rate commands
// fill the labels before they show the dialog.
#ifndef SIGRA_APP_DIALOGS_F_ODCZYT_STAWEK_H
#define SIGRA_APP_DIALOGS_F_ODCZYT_STAWEK_H

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;

namespace sigra::app {

class TfOdczytStawek : public QDialog {
  Q_OBJECT

 public:
  explicit TfOdczytStawek(QWidget* parent = nullptr);

  // Label1 to Label7, rates A to G.
  std::array<QLabel*, 7> Labels() const;

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QPushButton* Button1 = nullptr;

 protected:
  void showEvent(QShowEvent* e) override;
};

}  // namespace sigra::app

#endif
