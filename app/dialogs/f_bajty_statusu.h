// The status window: the printer's status bytes described line by line and
// read again continuously while the window is open.
#ifndef SIGRA_APP_DIALOGS_F_BAJTY_STATUSU_H
#define SIGRA_APP_DIALOGS_F_BAJTY_STATUSU_H

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTextEdit;
class QTimer;

namespace sigra::app {

class TfBajtyStatusu : public QDialog {
  Q_OBJECT

 public:
  explicit TfBajtyStatusu(QWidget* parent = nullptr);

  // The lines the memo shows.
  QStringList Lines() const { return lines_; }

  QTextEdit* mStatusy = nullptr;
  QPushButton* bOK = nullptr;
  QTimer* tStatus = nullptr;

 public slots:
  void tStatusTimer();
  void bOKClick();

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QStringList lines_;
};

}  // namespace sigra::app

#endif
