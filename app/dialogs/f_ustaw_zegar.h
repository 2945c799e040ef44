// "Inicjowanie zegara drukarki fiskalnej ": sets the date and time of a
// printer whose clock memory was erased. While a Luno erases its memory first
// the dialog shows a progress view in place of its entry controls.
#ifndef SIGRA_APP_DIALOGS_F_USTAW_ZEGAR_H
#define SIGRA_APP_DIALOGS_F_USTAW_ZEGAR_H

#include <QDialog>

class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;

namespace sigra::app {

class TTimeField;

class TfUstawZegar : public QDialog {
  Q_OBJECT

 public:
  explicit TfUstawZegar(QWidget* parent);
  ~TfUstawZegar() override;

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  TTimeField* meZegar = nullptr;
  QDateEdit* dtDate = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label4 = nullptr;
  QProgressBar* pbZegar = nullptr;

  // The entry controls, or "Trwa kasowanie ..." and the progress bar.
  void ShowProgressView(bool progress);

 signals:
  // The clock was initialised: the program shows the printer's clock.
  void ClockInitialised();

 public slots:
  void Button1Click();
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace sigra::app

#endif
