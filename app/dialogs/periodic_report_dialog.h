// What the three periodic report dialogs share: the question with "&Tak" and
// "&Nie" below the range fields, their placement, the port reopened for the
// long report, the readiness check and the handling of the report's result.
#ifndef SIGRA_APP_DIALOGS_PERIODIC_REPORT_DIALOG_H
#define SIGRA_APP_DIALOGS_PERIODIC_REPORT_DIALOG_H

#include <QDialog>
#include <cstdint>

class QGridLayout;
class QLabel;
class QPushButton;

namespace sigra::app {

class TPeriodicReportDialog : public QDialog {
  Q_OBJECT

 public:
  TPeriodicReportDialog(QWidget* parent, const char* objectName, const QString& caption);

  QPushButton* Button1 = nullptr;
  QPushButton* bCofnij = nullptr;
  QLabel* Label3 = nullptr;

 public slots:
  virtual void Button1Click() = 0;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // The grid above the question that holds the range fields.
  QGridLayout* Fields() const { return fields_; }
  // Enter in `field` presses "&Tak".
  void ConfirmOnEnter(QWidget* field);
  // The first range field, focused on each showing.
  virtual QWidget* FirstField() const = 0;

  // The port again with the program's port, speed and write timeout but a
  // read timeout of 90 seconds, as the printer searches its fiscal memory
  // before it answers. `purge` empties its queues first.
  static void ReopenForReport(bool purge);
  // The port at the program's own timeouts again.
  static void RestorePort();
  // Waits for the printer to be ready; a failure is shown and false returned.
  static bool PrinterReady(uint8_t deviceType);
  // Shows the outcome of a report and closes the dialog; paper out offers to
  // resume the printout once paper is loaded.
  void FinishReport(int32_t result, uint8_t deviceType);

 private:
  QGridLayout* fields_ = nullptr;
};

}  // namespace sigra::app

#endif
