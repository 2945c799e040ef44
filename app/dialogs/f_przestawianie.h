// "Przestawianie zegara w drukarce fiskalnej": moves the printer's running
// clock to the time the operator enters, by at most 60 minutes either way.
#ifndef SIGRA_APP_DIALOGS_F_PRZESTAWIANIE_H
#define SIGRA_APP_DIALOGS_F_PRZESTAWIANIE_H

#include <QDialog>

class QLabel;
class QPushButton;

namespace sigra::app {

class TTimeField;

class TfPrzestawianie : public QDialog {
  Q_OBJECT

 public:
  explicit TfPrzestawianie(QWidget* parent);

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  TTimeField* meZegar = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 signals:
  // The clock was moved: the program shows the printer's clock.
  void ClockShifted();

 public slots:
  void Button1Click();
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  // Shows "Nie udało się przestawić zegara: " with the code's text.
  void ReportFailure(int32_t code);
  // The printer's clock as hour and minute; false after a reported failure.
  bool ReadPrinterTime(QString& time);
};

}  // namespace sigra::app

#endif
