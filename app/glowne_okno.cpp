#include "app/glowne_okno.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include "app/about_box.h"
#include "app/app_exception.h"
#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/komunikacja.h"
#include "app/startup.h"
#include "link/comm.h"
#include "protocol/device_family.h"

namespace sigra::app {

// The central area: draws the progress text over an empty background.
class ProgressCanvas : public QWidget {
 public:
  explicit ProgressCanvas(QWidget* parent) : QWidget(parent) {}

  QString text;

  QRect TextRect() const {
    return CentredTextRect(size(), QFontMetrics(font()).size(Qt::TextSingleLine, text));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (text.isEmpty()) return;
    QPainter painter(this);
    const QColor brush = palette().color(QPalette::Active, QPalette::Button);
    const QRect rect = TextRect();
    painter.setClipRect(rect);
    painter.fillRect(rect, brush);
    painter.setPen(Qt::black);
    painter.drawText(QRect(rect.topLeft(), rect.size()), Qt::AlignLeft | Qt::AlignTop, text);
    painter.setPen(brush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
  }
};

namespace {

constexpr int kWidth = 602;
constexpr int kHeight = 414;

const QString kClosingText = QStringLiteral("Zamknięcie po zakończeniu pracy drukarki...");

// Counts a level of work for as long as it lives, also when an exception
// leaves the work.
class Level {
 public:
  explicit Level(int& depth) : depth_(depth) { ++depth_; }
  ~Level() { --depth_; }
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;

 private:
  int& depth_;
};

// The entries that need a printer of the second generation.
constexpr const char* kSecondGenerationItems[] = {"Odczytuytkownika1",
                                                  "Miesiczny1",
                                                  "Miesiczny2",
                                                  "Wedugnumerw1",
                                                  "Wedugnumerw2",
                                                  "Opiswstaych1",
                                                  "Zdalnewyaczeniedrukarki1",
                                                  "Wy1",
                                                  "N41",
                                                  "Zapis1"};

QAction* AddItem(QMenu* menu, const char* caption, const char* name) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QMenu* AddSubmenu(QMenu* menu, const char* caption, const char* name) {
  QMenu* sub = menu->addMenu(QString::fromUtf8(caption));
  sub->setObjectName(QString::fromLatin1(name));
  sub->menuAction()->setObjectName(QString::fromLatin1(name));
  return sub;
}

QMenu* AddTopMenu(QMenuBar* bar, const char* caption, const char* name) {
  QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

void AddSeparator(QMenu* menu, const char* name) {
  menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

}  // namespace

QRect CentredTextRect(QSize area, QSize text) {
  // Integer division truncates toward zero, also for a text wider than the area.
  const int left = (area.width() - text.width()) / 2 - 2;
  const int top = (area.height() - text.height()) / 2 - 2;
  return QRect(left, top, text.width() + 2, text.height() + 2);
}

TGlowneOkno::TGlowneOkno(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("GlowneOkno"));
  setWindowTitle(QStringLiteral("Program użytkownika drukarek fiskalnych VELMO Sigra i Sigra F"));
  resize(kWidth, kHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect desktop = screen->availableGeometry();
    move(desktop.center() - QPoint(kWidth / 2, kHeight / 2));
  }

  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(12);
  canvas_ = new ProgressCanvas(this);
  canvas_->setFont(font);
  setCentralWidget(canvas_);
  // Every dialog and message box of the program, and the file dialogs, pass
  // through here as they are shown.
  QCoreApplication::instance()->installEventFilter(this);

  BuildMenu();
  ConnectReportCommands();
  ConnectClockCommands();
  ConnectTestCommands();
  ConnectSettingsCommands();
  ConnectUserDataCommand();
  ConnectTaxRateCommands();
  ConnectDisplayCommands();
  ConnectFiscalSwitchCommands();

  sb = new QStatusBar(this);
  sb->setObjectName(QStringLiteral("sb"));
  sb->setFixedHeight(40);
  QFont panelFont(font);
  panelFont.setPixelSize(19);
  sb->setFont(panelFont);
  const int widths[2] = {384, 210};
  for (int i = 0; i < 2; ++i) {
    panels_[i] = new QLabel(sb);
    panels_[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i));
    panels_[i]->setFixedWidth(widths[i]);
    panels_[i]->setAlignment(Qt::AlignCenter);
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sb->addWidget(panels_[i]);
  }
  setStatusBar(sb);

  pbFiskal = new QProgressBar(canvas_);
  pbFiskal->setObjectName(QStringLiteral("pbFiskal"));
  pbFiskal->setGeometry(222, 176, 150, 16);
  pbFiskal->setRange(0, 16);
  pbFiskal->setTextVisible(false);
  pbFiskal->hide();

  FormCreate();
}

void TGlowneOkno::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menuGlowne"));

  QMenu* raporty = AddTopMenu(bar, "&Raporty", "Raporty1");
  AddItem(raporty, "Fiskalny dobowy", "Fiskalnydobowy1");
  AddItem(raporty, "Finansowy podatkowy", "Finansowypodatkowy1");
  AddItem(raporty, "Stanu drukarki", "Stanudrukarki1");
  QMenu* skrocony = AddSubmenu(raporty, "Okresowy skrócony", "Okresowyskrcony1");
  AddItem(skrocony, "Miesięczny", "Miesiczny1");
  AddItem(skrocony, "Według dat", "Wedugdat1");
  AddItem(skrocony, "Według numerów", "Wedugnumerw1");
  QMenu* szczegolowy = AddSubmenu(raporty, "Okresowy szczegółowy", "Okresowyszczegowy1");
  AddItem(szczegolowy, "Miesięczny", "Miesiczny2");
  AddItem(szczegolowy, "Według dat", "Wedugdat2");
  AddItem(szczegolowy, "Według numerów", "Wedugnumerw2");
  AddItem(raporty, "Nazw towarów zablokowanych", "Nazwtowarwzablokowanych1");
  AddItem(raporty, "Opisów stałych", "Opiswstaych1");
  AddItem(raporty, "Wydruk kontrolny nazw i stawek", "Wydrukkontrolnynazwistawek1");
  AddSeparator(raporty, "N1");
  AddItem(raporty, "Kasowanie bufora wycen", "Kasowaniebuforawycen1");
  AddItem(raporty, "Zdalne wyłaczenie drukarki", "Zdalnewyaczeniedrukarki1");

  QMenu* testy = AddTopMenu(bar, "&Testy", "Testy1");
  AddItem(testy, "Stan drukarki", "Standrukarki1");
  AddItem(testy, "Bajty statusu", "Bajtystatusu1");
  AddItem(testy, "Wyświetlacz", "Wy1");
  AddItem(testy, "Szuflada", "N41");
  AddItem(testy, "Pamięć PROM", "PamicEPROM1");
  AddItem(testy, "Numer unikatowy", "Numerunikatowy1");

  QMenu* zegar = AddTopMenu(bar, "&Zegar", "Zegar1");
  AddItem(zegar, "&Odczyt zegara", "Odczytzegara1");
  AddItem(zegar, "&Przestawianie zegara", "Przestawianiezegara1");
  AddItem(zegar, "&Inicjowanie zegara", "Inicjowaniezegara1");

  QMenu* podatki = AddTopMenu(bar, "&Podatki", "Podatki1");
  AddItem(podatki, "&Odczyt", "Odczyt1");
  AddItem(podatki, "&Zapis", "Zapis1");

  QMenu* ustawienia = AddTopMenu(bar, "&Ustawienia", "Ustawienia1");
  AddItem(ustawienia, "&Nr kasy i kod obsługującego", "Nrkasyikodobsugujcego1");
  AddItem(ustawienia, "Ilość wierszy do wysunięcia", "Ilo1");
  AddItem(ustawienia, "Sposób zaokrąglania", "Sposbzaokrglania1")->setVisible(false);
  AddSeparator(ustawienia, "N2");
  QMenu* luno = AddSubmenu(ustawienia, "Ustawienia LUNO/LUNO F", "Nowadrukarka1");
  AddItem(luno, "Ustawienia", "Ustawienia2");
  AddItem(luno, "Data wprowadzenia euro", "Datawprowadzeniaeuro1");
  AddItem(luno, "Data następnego przeglądu", "Datanastpnegoprzegldu1");
  QMenu* wyswietlacz = AddSubmenu(luno, "Dane na wyświetlacz", "Danenawy1");
  AddItem(wyswietlacz, "Odczyt", "Odczyt2");
  AddItem(wyswietlacz, "Zapis", "Danenawy2");
  AddItem(wyswietlacz, "Kasowanie", "Kasowanie1");
  AddItem(luno, "Linie reklamowe", "Liniereklamowe1");

  QMenu* serwis = AddTopMenu(bar, "Serwis", "Serwis1");
  AddItem(serwis, "Użytkownik", "Odczytuytkownika1");
  AddSeparator(serwis, "N3");
  QMenu* tryb = AddSubmenu(serwis, "Tryb fiskalny", "Trybfiskalny1");
  AddItem(tryb, "Przełączenie w tryb fiskalny", "Przeczeniewtrybfiskalny1");
  QMenu* rozliczeniowy = AddSubmenu(tryb, "Raport rozliczeniowy", "Raportrozliczeniowy1");
  AddItem(rozliczeniowy, "Całości", "Cao1");
  AddItem(rozliczeniowy, "Według dat", "Wedugdat3");
  AddItem(rozliczeniowy, "Według numerów", "Wedugnumerw3");
  AddItem(tryb, "Baza nazw i stawek", "Bazanazwitowarw1");

  QMenu* komunikacja = AddTopMenu(bar, "&Komunikacja", "Komunikacja1");
  AddItem(komunikacja, "Parametry", "Parametry1");
  AddItem(komunikacja, "O programie", "Oprogramie1");
  ConnectCommand("Parametry1", &TGlowneOkno::Parametry1Click);
  ConnectCommand("Oprogramie1", &TGlowneOkno::Oprogramie1Click);
}

void TGlowneOkno::ConnectCommand(const char* item, void (TGlowneOkno::*command)()) {
  connect(MenuItem(QString::fromLatin1(item)), &QAction::triggered, this,
          [this, command] { RunCommand([this, command] { (this->*command)(); }); });
}

void TGlowneOkno::FormCreate() {
  InstallAppException();
  setWindowTitle(QStringLiteral(
      "Program użytkownika drukarek fiskalnych VELMO: Sigra, Sigra F, LUNO, LUNO F"));
  HideServiceEntries();
}

QAction* TGlowneOkno::MenuItem(const QString& name) const {
  return menuBar()->findChild<QAction*>(name);
}

void TGlowneOkno::HideServiceEntries() {
  for (const char* name :
       {"Przeczeniewtrybfiskalny1", "Raportrozliczeniowy1", "Inicjowaniezegara1"}) {
    QAction* item = MenuItem(QString::fromLatin1(name));
    item->setVisible(false);
    item->setEnabled(false);
  }
}

void TGlowneOkno::AdaptMenuToDevice(uint8_t deviceType) {
  const bool enabled = !IsFirstGeneration(deviceType);
  for (const char* name : kSecondGenerationItems) {
    MenuItem(QString::fromLatin1(name))->setEnabled(enabled);
  }
}

void TGlowneOkno::AdaptMenuAfterConnection(uint8_t deviceType) {
  HideServiceEntries();
  AdaptMenuToDevice(deviceType);
  if (IsFirstGeneration(deviceType)) return;
  const bool luno = IsLuno(deviceType);
  MenuItem(QStringLiteral("Nowadrukarka1"))->setEnabled(luno);
  MenuItem(QStringLiteral("Finansowypodatkowy1"))->setEnabled(luno);
  MenuItem(QStringLiteral("Ilo1"))->setEnabled(!luno);
}

void TGlowneOkno::SetProgressText(const QString& text) {
  canvas_->text = text;
  canvas_->repaint();
}

QString TGlowneOkno::ProgressText() const {
  return canvas_->text;
}

QRect TGlowneOkno::ProgressTextRect() const {
  return canvas_->TextRect();
}

void TGlowneOkno::Processmessages() {
  // Input waits until the command ends, so that no second command can start
  // while this one is talking to the printer. The window system's requests
  // come through, a close among them: closeEvent holds it.
  const Level turn(messageTurns_);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TGlowneOkno::RunCommand(const std::function<void()>& command) {
  {
    const Level level(commandDepth_);
    command();
  }
  // The command's own messages have been answered by now.
  if (commandDepth_ == 0 && closePending_) close();
}

bool TGlowneOkno::CommandRunning() const {
  return commandDepth_ > 0 || messageTurns_ > 0;
}

void TGlowneOkno::QueueCloseRetry() {
  if (closeRetryQueued_) return;
  closeRetryQueued_ = true;
  // Served by the next turn of the message loop: held again while the driver
  // still turns it, carried out once it is back with its owner.
  QTimer::singleShot(0, this, [this] {
    closeRetryQueued_ = false;
    if (closePending_) close();
  });
}

void TGlowneOkno::ShowDevice(const QString& deviceName, int port, int speed) {
  panels_[0]->setText(deviceName.toUpper());
  panels_[1]->setText(PortAndSpeedText(port, speed));
}

QString TGlowneOkno::PanelText(int panel) const {
  return panels_[panel]->text();
}

void TGlowneOkno::Parametry1Click() {
  ErrorBeep();
  Komunikacja->exec();
}

void TGlowneOkno::Oprogramie1Click() {
  ErrorBeep();
  AboutBox->exec();
  HideProgressText();
}

void TGlowneOkno::FormActivate() {
  RunCommand([this] {
    activationQueued_ = false;
    if (FirstActivation) {
      StartupConnection();
    } else {
      HideProgressText();
    }
  });
}

bool TGlowneOkno::event(QEvent* e) {
  // The activation handler may show modal dialogs: it runs after the event.
  // The first showing counts as the first activation too, for a display
  // without a window manager never activates the window.
  const bool activation =
      e->type() == QEvent::WindowActivate || (e->type() == QEvent::Show && FirstActivation);
  if (activation && !activationQueued_) {
    activationQueued_ = true;
    QTimer::singleShot(0, this, &TGlowneOkno::FormActivate);
  }
  return QMainWindow::event(e);
}

bool TGlowneOkno::eventFilter(QObject* watched, QEvent* e) {
  // A progress text left behind a dialog would tell of work that has ended:
  // it goes before any dialog or message box appears.
  if (e->type() == QEvent::Show && !canvas_->text.isEmpty()) {
    if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow()) {
      SetProgressText(QString());
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TGlowneOkno::closeEvent(QCloseEvent* e) {
  if (CommandRunning()) {
    // The printer carries on with the command whatever happens here: cutting
    // the port would only turn its outcome into a receive timeout. The close
    // follows the command.
    e->ignore();
    if (!closePending_) {
      closePending_ = true;
      sb->showMessage(kClosingText);
    }
    if (commandDepth_ == 0) QueueCloseRetry();
    return;
  }
  closePending_ = false;
  sb->clearMessage();
  link::PurgePrinterPort();
  link::ClosePrinterPort();
  QMainWindow::closeEvent(e);
}

}  // namespace sigra::app
