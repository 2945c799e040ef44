// The communication dialog: the operator picks the COM port and the line
// speed; confirming connects, identifies the device, adapts the menu and
// checks that the register is not locked and its clock memory is intact.
#ifndef SIGRA_APP_KOMUNIKACJA_H
#define SIGRA_APP_KOMUNIKACJA_H

#include <QDialog>
#include <cstdint>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace sigra::app {

// "KASA ZABLOKOWANA: " and a line for each reason set in a Luno's lock byte.
QString LockMessage(uint8_t lockFlags);

class TKomunikacja : public QDialog {
  Q_OBJECT

 public:
  explicit TKomunikacja(QWidget* parent = nullptr);

  // Clears the port list and adds "COM" + n for each port that opens or that
  // is there but this user may not open.
  void FillPortList();
  // The port number of the selected entry; 0 when the list is empty.
  uint8_t SelectedPort() const;
  // Selects the entry of port n when the list has one.
  void SelectPort(uint8_t port);
  // 9600, 19200 or 28800 by the selected speed option.
  uint16_t SelectedSpeed() const;
  int SpeedIndex() const;
  void SetSpeedIndex(int index);
  // 19200 selects the second option, 28800 the third, anything else the first.
  void SelectSpeed(uint16_t speed);
  // The configured port and speed become those of the two controls.
  void TakeParameters();

  QLabel* Label1 = nullptr;
  QComboBox* cbNumerPortu = nullptr;
  QGroupBox* rgPredkosc = nullptr;
  QPushButton* Button1 = nullptr;
  QFrame* Bevel1 = nullptr;

 public slots:
  void Button1Click();
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void FormActivate();
  void Confirm();
  QRadioButton* speeds_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace sigra::app

#endif
