// "Data i godzina z drukarki fiskalnej...": shows the printer's date and time,
// read again and again while the dialog is open, one read at a time.
#ifndef SIGRA_APP_DIALOGS_F_DATA_GODZINA_H
#define SIGRA_APP_DIALOGS_F_DATA_GODZINA_H

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace sigra::app {

class TfDataGodzina : public QDialog {
  Q_OBJECT

 public:
  explicit TfDataGodzina(QWidget* parent);

  QLabel* lData = nullptr;
  QLabel* lCzas = nullptr;
  QPushButton* Button1 = nullptr;
  QTimer* tZegar = nullptr;

 public slots:
  void tZegarTimer();
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
};

}  // namespace sigra::app

#endif
