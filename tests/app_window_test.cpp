// The main window's menu tree, status bar and progress bar, and the menu as
// it follows the connected device.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using WindowTest = AppTest;

QAction* Item(const char* name) {
  return app::GlowneOkno->MenuItem(QString::fromLatin1(name));
}

// Captions of a menu's entries, separators as "-".
QStringList Captions(const char* menuName) {
  QStringList captions;
  const QMenu* menu = app::GlowneOkno->menuBar()->findChild<QMenu*>(QString::fromLatin1(menuName));
  for (const QAction* action : menu->actions()) {
    captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  return captions;
}

TEST_F(WindowTest, CaptionAndMenuTree) {
  EXPECT_EQ(app::GlowneOkno->windowTitle(),
            QStringLiteral(
                "Program użytkownika drukarek fiskalnych VELMO: Sigra, Sigra F, LUNO, LUNO F"));
  QStringList top;
  for (const QAction* action : app::GlowneOkno->menuBar()->actions()) top << action->text();
  EXPECT_EQ(top, (QStringList{"&Raporty", "&Testy", "&Zegar", "&Podatki", "&Ustawienia", "Serwis",
                              "&Komunikacja"}));
  EXPECT_EQ(Captions("Raporty1"),
            (QStringList{"Fiskalny dobowy", "Finansowy podatkowy", "Stanu drukarki",
                         "Okresowy skrócony", "Okresowy szczegółowy", "Nazw towarów zablokowanych",
                         "Opisów stałych", "Wydruk kontrolny nazw i stawek", "-",
                         "Kasowanie bufora wycen", "Zdalne wyłaczenie drukarki"}));
  EXPECT_EQ(Captions("Okresowyskrcony1"),
            (QStringList{"Miesięczny", "Według dat", "Według numerów"}));
  EXPECT_EQ(Captions("Okresowyszczegowy1"),
            (QStringList{"Miesięczny", "Według dat", "Według numerów"}));
  EXPECT_EQ(Captions("Testy1"), (QStringList{"Stan drukarki", "Bajty statusu", "Wyświetlacz",
                                             "Szuflada", "Pamięć PROM", "Numer unikatowy"}));
  EXPECT_EQ(Captions("Zegar1"),
            (QStringList{"&Odczyt zegara", "&Przestawianie zegara", "&Inicjowanie zegara"}));
  EXPECT_EQ(Captions("Podatki1"), (QStringList{"&Odczyt", "&Zapis"}));
  EXPECT_EQ(Captions("Ustawienia1"),
            (QStringList{"&Nr kasy i kod obsługującego", "Ilość wierszy do wysunięcia",
                         "Sposób zaokrąglania", "-", "Ustawienia LUNO/LUNO F"}));
  EXPECT_EQ(Captions("Nowadrukarka1"),
            (QStringList{"Ustawienia", "Data wprowadzenia euro", "Data następnego przeglądu",
                         "Dane na wyświetlacz", "Linie reklamowe"}));
  EXPECT_EQ(Captions("Danenawy1"), (QStringList{"Odczyt", "Zapis", "Kasowanie"}));
  EXPECT_EQ(Captions("Serwis1"), (QStringList{"Użytkownik", "-", "Tryb fiskalny"}));
  EXPECT_EQ(Captions("Trybfiskalny1"), (QStringList{"Przełączenie w tryb fiskalny",
                                                    "Raport rozliczeniowy", "Baza nazw i stawek"}));
  EXPECT_EQ(Captions("Raportrozliczeniowy1"),
            (QStringList{"Całości", "Według dat", "Według numerów"}));
  EXPECT_EQ(Captions("Komunikacja1"), (QStringList{"Parametry", "O programie"}));
}

TEST_F(WindowTest, HiddenEntriesAtCreation) {
  for (const char* name :
       {"Przeczeniewtrybfiskalny1", "Raportrozliczeniowy1", "Inicjowaniezegara1"}) {
    EXPECT_FALSE(Item(name)->isVisible()) << name;
    EXPECT_FALSE(Item(name)->isEnabled()) << name;
  }
  EXPECT_FALSE(Item("Sposbzaokrglania1")->isVisible());
  EXPECT_TRUE(Item("Bazanazwitowarw1")->isVisible());
  EXPECT_TRUE(Item("Odczytzegara1")->isVisible());
}

TEST_F(WindowTest, StatusBarAndProgressBar) {
  const QStatusBar* sb = app::GlowneOkno->statusBar();
  EXPECT_EQ(sb->objectName(), QStringLiteral("sb"));
  EXPECT_EQ(sb->height(), 40);
  app::GlowneOkno->ShowDevice(QStringLiteral("VELMO Luno"), 1, 9600);
  EXPECT_EQ(app::GlowneOkno->PanelText(0), QStringLiteral("VELMO LUNO"));
  EXPECT_EQ(app::GlowneOkno->PanelText(1), QStringLiteral("COM1, 9600 b/s"));

  const QProgressBar* bar = app::GlowneOkno->pbFiskal;
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 16);
  EXPECT_EQ(bar->geometry(), QRect(222, 176, 150, 16));
}

TEST_F(WindowTest, FirstGenerationPrinterDisablesTheTenEntriesOnly) {
  app::GlowneOkno->AdaptMenuAfterConnection(2);
  for (const char* name : kTenItems) EXPECT_FALSE(Item(name)->isEnabled()) << name;
  // The Luno entries keep their state for a first-generation printer.
  EXPECT_TRUE(Item("Nowadrukarka1")->isEnabled());
  EXPECT_TRUE(Item("Finansowypodatkowy1")->isEnabled());
  EXPECT_TRUE(Item("Ilo1")->isEnabled());
  EXPECT_TRUE(Item("Fiskalnydobowy1")->isEnabled());

  app::GlowneOkno->AdaptMenuToDevice(7);
  for (const char* name : kTenItems) EXPECT_TRUE(Item(name)->isEnabled()) << name;
}

TEST_F(WindowTest, LunoEnablesItsSettingsAndDisablesLineFeeds) {
  app::GlowneOkno->AdaptMenuAfterConnection(7);
  for (const char* name : kTenItems) EXPECT_TRUE(Item(name)->isEnabled()) << name;
  EXPECT_TRUE(Item("Nowadrukarka1")->isEnabled());
  EXPECT_TRUE(Item("Finansowypodatkowy1")->isEnabled());
  EXPECT_FALSE(Item("Ilo1")->isEnabled());

  app::GlowneOkno->AdaptMenuAfterConnection(3);
  EXPECT_FALSE(Item("Nowadrukarka1")->isEnabled());
  EXPECT_FALSE(Item("Finansowypodatkowy1")->isEnabled());
  EXPECT_TRUE(Item("Ilo1")->isEnabled());
  EXPECT_FALSE(Item("Inicjowaniezegara1")->isVisible());
}

}  // namespace
}  // namespace sigra::testing
