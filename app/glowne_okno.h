// The main window: the menu tree, the status bar with the device and the
// port, the fiscal-switch progress bar and the progress text drawn in the
// middle of the window.
#ifndef SIGRA_APP_GLOWNE_OKNO_H
#define SIGRA_APP_GLOWNE_OKNO_H

#include <QMainWindow>
#include <cstdint>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;

namespace sigra::app {

class ProgressCanvas;

// The rectangle of a progress text of size `text` centred in `area`, with a
// margin of two pixels to the left and above and the frame to the right and
// below. A text wider than the area starts left of it.
QRect CentredTextRect(QSize area, QSize text);

class TGlowneOkno : public QMainWindow {
  Q_OBJECT

 public:
  explicit TGlowneOkno(QWidget* parent = nullptr);

  // The menu entry (or the entry that opens a submenu) of this object name.
  QAction* MenuItem(const QString& name) const;

  void SetProgressText(const QString& text);
  QString ProgressText() const;
  // Where the progress text is drawn, in the coordinates of the central area.
  QRect ProgressTextRect() const;
  // A turn of the message loop in the middle of a command. Input waits until
  // the command ends; a close request is taken in and held (see closeEvent).
  void Processmessages();

  // Runs `command` as a command to the printer: a close requested while it
  // runs is carried out once it has ended, its messages answered. Every menu
  // entry and the activation run their handler through here.
  void RunCommand(const std::function<void()>& command);

  // Status panel 0 shows the device name in upper case, panel 1 the port and
  // speed.
  void ShowDevice(const QString& deviceName, int port, int speed);
  QString PanelText(int panel) const;

  // The ten entries that need a second-generation printer, after the start-up
  // connection.
  void AdaptMenuToDevice(uint8_t deviceType);
  // The same and the Luno entries, after a connection confirmed in the
  // communication dialog.
  void AdaptMenuAfterConnection(uint8_t deviceType);
  // The fiscal switch, the settlement report and the clock initialisation
  // stay out of sight.
  void HideServiceEntries();

  QStatusBar* sb = nullptr;
  QProgressBar* pbFiskal = nullptr;

 public slots:
  void Parametry1Click();
  void Oprogramie1Click();
  // Runs on every activation; the first one connects to the printer.
  void FormActivate();

  // The report menu (app/report_commands.cpp).
  void Fiskalnydobowy1Click();
  void Finansowypodatkowy1Click();
  void Stanudrukarki1Click();
  void Miesiczny1Click();
  void Miesiczny2Click();
  void Wedugdat1Click();
  void Wedugdat2Click();
  void Wedugnumerw1Click();
  void Wedugnumerw2Click();
  void Nazwtowarwzablokowanych1Click();
  void Opiswstaych1Click();
  void Kasowaniebuforawycen1Click();
  void Zdalnewyaczeniedrukarki1Click();

  // The clock menu (app/clock_commands.cpp). The clock initialisation's entry
  // stays hidden; the communication dialog runs it after an erased clock
  // memory.
  void Odczytzegara1Click();
  void Przestawianiezegara1Click();
  void Inicjowaniezegara1Click();
  // After a connection to a printer whose clock memory is erased: asks whether
  // to go to the clock initialisation and runs it, again after each attempt
  // that did not reach the printer. True once the operator has gone through
  // it, false after No.
  bool OfferClockInitialisation();

  // The "&Testy" menu (app/test_commands.cpp).
  void Standrukarki1Click();
  void Bajtystatusu1Click();
  void Wy1Click();
  void N41Click();
  void PamicEPROM1Click();
  void Numerunikatowy1Click();

  // The "&Ustawienia" menu but for the customer display (app/settings_commands.cpp).
  void Nrkasyikodobsugujcego1Click();
  void Ilo1Click();
  void Sposbzaokrglania1Click();
  void Ustawienia2Click();
  void Datawprowadzeniaeuro1Click();
  void Datanastpnegoprzegldu1Click();

  // "Serwis" > "Użytkownik" (app/user_data_command.cpp).
  void Odczytuytkownika1Click();

  // Tax rates and the names database (app/tax_rate_commands.cpp).
  void Odczyt1Click();
  void Zapis1Click();
  void Wydrukkontrolnynazwistawek1Click();
  void Bazanazwitowarw1Click();

  // The customer display and the advertising lines (app/display_commands.cpp).
  void Odczyt2Click();
  void Danenawy2Click();
  void Kasowanie1Click();
  void Liniereklamowe1Click();

  // "Serwis" > "Tryb fiskalny": the fiscalisation and the settlement report
  // (app/fiscal_switch.cpp). Their entries stay hidden and disabled.
  void Przeczeniewtrybfiskalny1Click();
  void Cao1Click();
  void Wedugdat3Click();
  void Wedugnumerw3Click();

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildMenu();
  // A command runs, or the driver turns the message loop outside any.
  bool CommandRunning() const;
  // The menu entry `item` runs `command` through RunCommand.
  void ConnectCommand(const char* item, void (TGlowneOkno::*command)());
  // Asks again for a close held while the driver turned the message loop
  // outside any command, once that loop is left.
  void QueueCloseRetry();
  void ConnectReportCommands();
  void ConnectClockCommands();
  void ConnectDisplayCommands();
  void FormCreate();
  void ConnectTestCommands();
  void ConnectSettingsCommands();
  void ConnectUserDataCommand();
  void ConnectTaxRateCommands();
  void ConnectFiscalSwitchCommands();

  ProgressCanvas* canvas_ = nullptr;
  QLabel* panels_[2] = {nullptr, nullptr};
  bool activationQueued_ = false;
  int commandDepth_ = 0;
  int messageTurns_ = 0;
  bool closePending_ = false;
  bool closeRetryQueued_ = false;
};

}  // namespace sigra::app

#endif
