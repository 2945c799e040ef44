// The user-data editor and the "Serwis" > "Użytkownik" command against an
// emulated printer: the bytes of each line written, the tax number check, the
// read-back, the control print, the text file and the overwrite mode.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <random>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/message_box.h"
#include "app/dialogs/dialog_state.h"
#include "app/dialogs/f_dane_uzytkownika.h"
#include "app/dialogs/radio_group.h"
#include "emulator/tester_states.h"
#include "tests/app_fixture.h"
#include "tests/printer_state_helpers.h"

namespace sigra::testing {
namespace {

using app::fDaneUzytkownika;

const QString kWrongNip = QStringLiteral("NUMER NIP ZOSTAŁ WPROWADZONY NIEPRAWIDŁOWO\r");

class UserDataTest : public AppTest {
 protected:
  // A printer of this type on COM3, chosen in the communication dialog.
  emu::Emulator& Connect(int type) {
    emu::Emulator& printer = StartPrinter(type, 3);
    ChooseInDialog(3);
    app::Komunikacja->TakeParameters();
    return printer;
  }

  // Line n typed with "Centruj" and the width as given; the text stays as
  // typed until a command or a click shapes it.
  void Type(int n, const QString& text, bool centred = true, int width = 40) {
    QCheckBox* box = fDaneUzytkownika->CentreBox(n);
    box->blockSignals(true);
    box->setChecked(centred);
    box->blockSignals(false);
    fDaneUzytkownika->WidthChoice(n)->Item(width == 20 ? 1 : 0)->click();
    fDaneUzytkownika->Edit(n)->setText(text);
  }

  // The data of each user-data line the printer received: line, attribute and
  // the characters.
  std::vector<std::string> WrittenLines() {
    std::vector<std::string> lines;
    for (const std::vector<uint8_t>& frame : Printer().Commands()) {
      if (frame.size() > 2 && frame[1] == 156) lines.emplace_back(frame.begin() + 2, frame.end());
    }
    return lines;
  }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    const QString path = files.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  QTemporaryDir files;
};

std::string Line(int n, uint8_t attributes, const std::string& text) {
  return std::string{static_cast<char>(n), static_cast<char>(attributes)} + text;
}

TEST_F(UserDataTest, WriteSendsEachLineFittedOrCentredToItsWidth) {
  Connect(3);
  fDaneUzytkownika->rgTyp->SetItemIndex(0);
  Type(1, QStringLiteral("  ABC"), false);
  Type(2, QStringLiteral("  ABC"), true);
  Type(3, QString(45, QChar('x')), false);
  Type(4, QStringLiteral("NIP 123-456-32-18"), true, 20);
  fDaneUzytkownika->cbWys2->setChecked(true);
  fDaneUzytkownika->Button2Click();

  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Do drukarki zostały zapisane 4 linie danych użytkownika."),
                QStringLiteral("Informacja"), app::kInformationStyle);
  const std::vector<std::string> lines = WrittenLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], Line(1, 0, "  ABC" + std::string(35, ' ')));
  // "Wys. gen." is shown on the six-line layout only, but its box still counts.
  EXPECT_EQ(lines[1], Line(2, 2, std::string(18, ' ') + "ABC" + std::string(19, ' ')));
  EXPECT_EQ(lines[2], Line(3, 0, std::string(40, 'x')));
  EXPECT_EQ(lines[3], Line(4, 1, " NIP 123-456-32-18  "));
  // Line 1 and the tax number line show what was sent.
  EXPECT_EQ(fDaneUzytkownika->l1->text(), QStringLiteral("  ABC") + QString(35, QChar(' ')));
  EXPECT_EQ(fDaneUzytkownika->L4->text(), QStringLiteral(" NIP 123-456-32-18  "));
  EXPECT_EQ(app::UserDataDeviceType, 3);
  EXPECT_TRUE(fDaneUzytkownika->Button2->isEnabled());
  EXPECT_TRUE(app::GlowneOkno->ProgressText().isEmpty());
}

TEST_F(UserDataTest, SixLinesOnALunoWithTheTaxNumberLast) {
  Connect(7);
  Type(1, QStringLiteral("Sklep ŻAK"));
  Type(5, QStringLiteral("piąta"), true, 20);
  Type(6, QStringLiteral("NIP 123-456-32-18"), false);
  fDaneUzytkownika->cbWys5->setChecked(true);
  fDaneUzytkownika->Button2Click();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Do drukarki zostało zapisanych 6 linii danych użytkownika."));
  const std::vector<std::string> lines = WrittenLines();
  ASSERT_EQ(lines.size(), 6u);
  // Ż is 0xBD in code page 852.
  EXPECT_EQ(lines[0], Line(1, 0,
                           std::string(15, ' ') +
                               "Sklep \xBD"
                               "AK" +
                               std::string(16, ' ')));
  EXPECT_EQ(lines[4], Line(5, 3, std::string(7, ' ') + "pi\xA5ta" + std::string(8, ' ')));
  EXPECT_EQ(lines[5], Line(6, 0, "NIP 123-456-32-18" + std::string(23, ' ')));
}

TEST_F(UserDataTest, TaxNumberChecksStopOrAskBeforeAnythingIsWritten) {
  Connect(3);
  const QString tail1 = QStringLiteral(
      "   Program wykrył błędną sumę kontrolną.  \rAby ponownie wprowadzić NIP naciśnij NIE. \r"
      "      Aby kontynuować naciśnij TAK.       ");
  Type(4, QStringLiteral("NIP 123-456-32-19"));
  fDaneUzytkownika->Button2Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], kWrongNip + tail1, kBlad, app::kFaultQuestionStyle);
  EXPECT_TRUE(WrittenLines().empty());

  boxes.answers = {app::kIdYes};
  fDaneUzytkownika->Button2Click();
  EXPECT_EQ(WrittenLines().size(), 4u);

  Printer().ClearRecord();
  boxes.shown.clear();
  Type(4, QStringLiteral("123-456-32-18"));
  fDaneUzytkownika->Button2Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                kWrongNip + QStringLiteral("     Brak słowa 'NIP' w ciągu znaków     "), kBlad,
                app::kErrorStyle);
  Type(4, QStringLiteral("NIP"));
  fDaneUzytkownika->Button2Click();
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(
      boxes.shown[1],
      kWrongNip + QStringLiteral("                      Brak cyfr w ciągu znaków.         "), kBlad,
      app::kErrorStyle);
  EXPECT_TRUE(WrittenLines().empty());
  EXPECT_EQ(app::GlowneOkno->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(UserDataTest, FiscalModeKeepsTheTaxNumberLineAndLocksItsEdit) {
  emu::Emulator& printer = Connect(3);
  printer.WithPrinter([](emu::Printer& p) { emu::SetFiscalMode(p, true); });
  Type(1, QStringLiteral("NOWY SKLEP"));
  Type(4, QStringLiteral("bez numeru"));
  fDaneUzytkownika->Button2Click();

  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("       Drukarka pracuje w trybie fiskalnym.     \r"
                               "    Do drukarki zostały zapisane linie danych   \r"
                               "użytkownika oprócz linii zawierającej numer NIP."),
                QStringLiteral("Informacja"), app::kInformationStyle);
  EXPECT_EQ(WrittenLines().size(), 3u);
  // The read that followed shows what the printer holds.
  EXPECT_EQ(fDaneUzytkownika->l1->text().trimmed(), QStringLiteral("NOWY SKLEP"));
  EXPECT_EQ(fDaneUzytkownika->L4->text().trimmed(), QStringLiteral("NIP 123-456-32-18"));
  EXPECT_FALSE(fDaneUzytkownika->L4->isEnabled());
}

TEST_F(UserDataTest, ReadTakesWidthsFromTheTextsAndOptionsOnALuno) {
  emu::Emulator& printer = Connect(8);
  printer.WithPrinter([](emu::Printer& p) {
    p.UserDataLines().Write(2, 3, "   DRUGA LINIA      ", false);
    p.UserDataLines().Write(5, 2, std::string(40, '5'), false);
  });
  fDaneUzytkownika->rgTyp->SetItemIndex(0);
  fDaneUzytkownika->Button3Click();

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fDaneUzytkownika->rgTyp->ItemIndex(), 1);
  EXPECT_EQ(fDaneUzytkownika->LineWidth(2), 20);
  EXPECT_EQ(fDaneUzytkownika->l2->text(), QStringLiteral("    DRUGA LINIA     "));
  EXPECT_EQ(fDaneUzytkownika->LineWidth(1), 40);
  EXPECT_EQ(fDaneUzytkownika->L5->text(), QString(40, QChar('5')));
  EXPECT_TRUE(fDaneUzytkownika->cbWys2->isChecked());
  EXPECT_TRUE(fDaneUzytkownika->cbWys5->isChecked());
  EXPECT_FALSE(fDaneUzytkownika->cbWys1->isChecked());
  EXPECT_TRUE(fDaneUzytkownika->l6->isEnabled());
  EXPECT_EQ(CommandBytes().back(), 158);
}

TEST_F(UserDataTest, PrintersWithoutUserDataAreRefused) {
  Connect(2);
  fDaneUzytkownika->Button3Click();
  fDaneUzytkownika->Button2Click();
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji"), kBlad,
                app::kErrorStyle);
  EXPECT_EQ(boxes.shown[1].text,
            QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji."));
  EXPECT_TRUE(fDaneUzytkownika->Button3->isEnabled());
}

TEST_F(UserDataTest, ControlPrintCentresTheLinesAndPrintsThem) {
  emu::Emulator& printer = Connect(3);
  app::UserDataDeviceType = 3;
  Type(1, QStringLiteral("SKLEP"), false);
  Type(4, QStringLiteral("NIP 123-456-32-18"), false, 20);
  fDaneUzytkownika->bWydrKontrClick();

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fDaneUzytkownika->l1->text(),
            QString(17, QChar(' ')) + "SKLEP" + QString(18, QChar(' ')));
  // The tax number line is printed 40 wide on the Sigra models.
  EXPECT_EQ(fDaneUzytkownika->L4->text().size(), 40);
  ASSERT_TRUE(Eventually([&] { return !printer.Printouts().empty(); }));
  EXPECT_NE(printer.Printouts().back().find("NIP 123-456-32-18"), std::string::npos);
  EXPECT_EQ(CommandBytes().back(), 149);  // the print control's poll after command 51

  boxes.shown.clear();
  printer.WithPrinter([](emu::Printer& p) { emu::SetFiscalMode(p, true); });
  fDaneUzytkownika->bWydrKontrClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QStringLiteral("    Drukarka pracuje w trybie fiskalnym.   \r"
                                                "Kontrolny wydruk nagłówka nie jest możliwy."));
}

TEST_F(UserDataTest, FileKeepsTheTextAsShownAndTheLayoutsWidths) {
  fDaneUzytkownika->rgTyp->SetItemIndex(0);
  Type(1, QStringLiteral("ABCDE"), false, 20);
  fDaneUzytkownika->cb1->setChecked(true);
  Type(4, QStringLiteral("NIP 1"), true, 20);
  const QString path = files.filePath(QStringLiteral("dane.txt"));
  fDaneUzytkownika->SaveFile(path);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_EQ(lines.size(), 8);
  EXPECT_EQ(lines[0], "#1\r");
  EXPECT_EQ(lines[3], "$" + QByteArray(7, ' ') + "ABCDE" + QByteArray(8, ' ') + "\t20\r");
  // The tax number line of the four-line layout is saved 40 wide.
  EXPECT_TRUE(lines[6].endsWith("\t40\r")) << lines[6].toStdString();

  fDaneUzytkownika->LoadFile(path);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fDaneUzytkownika->LineWidth(4), 40);
  EXPECT_EQ(fDaneUzytkownika->LineWidth(1), 20);
  EXPECT_EQ(fDaneUzytkownika->l1->text(),
            QString(7, QChar(' ')) + "ABCDE" + QString(8, QChar(' ')));
}

TEST_F(UserDataTest, LoadTakesOverAGoodFileAndNamesABadOne) {
  // Any first line will do.
  fDaneUzytkownika->LoadFile(
      WriteFile(QStringLiteral("a.txt"),
                "xx\r\n#\r\n#\r\n$\xA3\xB9ka\t40\t1\r\n$B\t40\r\n$C\t40\r\n$D\t40\r\n"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fDaneUzytkownika->l1->text().trimmed(), QStringLiteral("Łąka"));

  const QString bad = WriteFile(QStringLiteral("b.txt"),
                                "#1\r\n#\r\n#\r\n$nowe\t40\r\n$druga\t30\r\n$C\t40\r\n$D\t40\r\n");
  fDaneUzytkownika->LoadFile(bad);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Błędny format pliku ") + QDir::toNativeSeparators(bad), kBlad,
                app::kErrorStyle);
  EXPECT_EQ(fDaneUzytkownika->l1->text().trimmed(), QStringLiteral("Łąka"));

  boxes.shown.clear();
  fDaneUzytkownika->LoadFile(files.filePath(QStringLiteral("missing.txt")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Błędny format pliku ")));
}

// Everything the editor shows of its lines.
struct EditorState {
  int layout;
  std::vector<QString> texts;
  std::vector<int> widths;
  std::vector<bool> highPrint;
  std::vector<bool> enabled;
  std::vector<bool> shown;
  bool operator==(const EditorState&) const = default;
};

EditorState StateOfEditor() {
  EditorState state{fDaneUzytkownika->rgTyp->ItemIndex(), {}, {}, {}, {}, {}};
  for (int n = 1; n <= 6; ++n) {
    state.texts.push_back(fDaneUzytkownika->Edit(n)->text());
    state.widths.push_back(fDaneUzytkownika->LineWidth(n));
    state.highPrint.push_back(fDaneUzytkownika->HighPrintBox(n) != nullptr &&
                              fDaneUzytkownika->HighPrintBox(n)->isChecked());
    state.enabled.push_back(fDaneUzytkownika->Edit(n)->isEnabled());
    state.shown.push_back(fDaneUzytkownika->Edit(n)->isVisibleTo(fDaneUzytkownika));
  }
  return state;
}

// A file that is not a header file, however far it reads like one, leaves
// every field as it was; "Zapis do drukarki" would otherwise send its lines.
TEST_F(UserDataTest, ABadFileLeavesEveryFieldAsItWas) {
  fDaneUzytkownika->rgTyp->SetItemIndex(1);
  for (int n = 1; n <= 6; ++n) Type(n, QStringLiteral("linia %1").arg(n), false, n == 2 ? 20 : 40);
  fDaneUzytkownika->cbWys3->setChecked(true);
  fDaneUzytkownika->l6->setEnabled(false);
  const EditorState before = StateOfEditor();

  const std::vector<QByteArray> badFiles = {
      // Not a header file at all: its fourth line used to become line 1.
      "Lista zakupów\r\nmleko\r\nchleb\r\nmasło\r\njajka\r\nser\r\nkawa\r\n",
      "Lista zakupów\r\nmleko\r\nchleb\r\n$masło\t40\r\n",
      // Lines 1 to 4 good, line 2's width unknown.
      "#1\r\n#\r\n#\r\n$nowe\t40\t1\r\n$druga\t30\r\n$C\t40\r\n$D\t40\r\n",
      // A six-line file whose fifth line has no width: lines 1 to 4 read well.
      "#1\r\n#\r\n#\r\n$A\t20\t1\r\n$B\t40\t1\r\n$C\t20\t0\r\n$D\t20\t1\r\n$E\r\n$NIP\t40\r\n",
      // Too short, in UTF-8.
      "#1\r\n#\r\n#\r\n$Żółć\t20\r\n",
  };
  for (const QByteArray& bytes : badFiles) {
    boxes.shown.clear();
    fDaneUzytkownika->LoadFile(WriteFile(QStringLiteral("bad.txt"), bytes));
    ASSERT_EQ(boxes.shown.size(), 1u) << bytes.toStdString();
    EXPECT_TRUE(boxes.shown[0].text.startsWith(QStringLiteral("Błędny format pliku ")));
    EXPECT_TRUE(StateOfEditor() == before) << bytes.toStdString();
  }
}

// Header files written on Linux are UTF-8; they load as the same letters as
// the Windows-1250 files, and saving still writes Windows-1250.
TEST_F(UserDataTest, UtfEightHeaderFileLoadsLikeItsWindows1250Twin) {
  const QByteArray tail = "\t40\r\n$B\t40\r\n$C\t40\r\n$NIP 123\t40\r\n";
  fDaneUzytkownika->LoadFile(
      WriteFile(QStringLiteral("utf8.txt"), "#1\r\n#\r\n#\r\n$Sklep „Żółć” Łódź" + tail));
  ASSERT_TRUE(boxes.shown.empty());
  // The quotation marks are Windows-1250 characters too.
  EXPECT_EQ(fDaneUzytkownika->l1->text(), QStringLiteral("Sklep „Żółć” Łódź"));
  fDaneUzytkownika->LoadFile(WriteFile(QStringLiteral("cp1250.txt"),
                                       "#1\r\n#\r\n#\r\n$Sklep \x84\xAF\xF3\xB3\xE6\x94 "
                                       "\xA3\xF3"
                                       "d\x9F" +
                                           tail));
  ASSERT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fDaneUzytkownika->l1->text(), QStringLiteral("Sklep „Żółć” Łódź"));

  const QString saved = files.filePath(QStringLiteral("saved.txt"));
  fDaneUzytkownika->SaveFile(saved);
  QFile file(saved);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(
      file.readAll().startsWith("#1\r\n#\r\n#\r\n$Sklep \x84\xAF\xF3\xB3\xE6\x94 \xA3\xF3"
                                "d\x9F\t40"));
}

TEST_F(UserDataTest, FourLineFileSwitchesTheLayoutAndEmptiesLinesFiveAndSix) {
  fDaneUzytkownika->rgTyp->SetItemIndex(1);
  Type(5, QStringLiteral("piąta"));
  Type(6, QStringLiteral("szósta"));
  fDaneUzytkownika->LoadFile(WriteFile(
      QStringLiteral("c.txt"), "#1\r\n#\r\n#\r\n$A\t40\r\n$B\t40\r\n$C\t40\r\n$NIP\t40\r\n"));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(fDaneUzytkownika->rgTyp->ItemIndex(), 0);
  EXPECT_TRUE(fDaneUzytkownika->L5->text().isEmpty());
  EXPECT_TRUE(fDaneUzytkownika->l6->text().isEmpty());
  EXPECT_TRUE(fDaneUzytkownika->L5->isHidden());
  EXPECT_EQ(fDaneUzytkownika->RowLabel(4)->text(), QStringLiteral("NIP"));

  fDaneUzytkownika->LoadFile(WriteFile(QStringLiteral("d.txt"),
                                       "#1\r\n#\r\n#\r\n$A\t40\t1\r\n$B\t40\t0\r\n$C\t40\t0\r\n"
                                       "$D\t20\t1\r\n$E\t20\t1\r\n$NIP\t40\t0\r\n"));
  EXPECT_EQ(fDaneUzytkownika->rgTyp->ItemIndex(), 1);
  EXPECT_EQ(fDaneUzytkownika->RowLabel(4)->text(), QStringLiteral("  4"));
  EXPECT_TRUE(fDaneUzytkownika->cbWys1->isChecked());
  EXPECT_TRUE(fDaneUzytkownika->cbWys5->isChecked());
  EXPECT_EQ(fDaneUzytkownika->LineWidth(5), 20);
}

// Files of every malformed kind through the dialog: each loads or names itself
// in the format message, and the dialog stays usable.
TEST_F(UserDataTest, MalformedFilesNeverBreakTheDialog) {
  std::mt19937 random(852);
  const QByteArray good =
      "#1\r\n#\r\n#\r\n$A\t40\t1\r\n$B\t20\t0\r\n$C\t40\t0\r\n$D\t20\t1\r\n"
      "$E\t20\t1\r\n$NIP\t40\t0\r\n";
  const QString path = files.filePath(QStringLiteral("fuzz.txt"));
  for (int round = 0; round < 150; ++round) {
    QByteArray bytes = round % 2 ? good.left(static_cast<int>(random() % good.size())) : good;
    for (int n = static_cast<int>(random() % 6); n > 0 && !bytes.isEmpty(); --n) {
      bytes[static_cast<int>(random() % static_cast<unsigned>(bytes.size()))] =
          static_cast<char>(random());
    }
    if (round % 5 == 0) bytes.append(QByteArray(static_cast<int>(random() % 3000), 'w'));
    WriteFile(QStringLiteral("fuzz.txt"), bytes);
    boxes.shown.clear();
    fDaneUzytkownika->LoadFile(path);
    ASSERT_LE(boxes.shown.size(), 1u);
    if (!boxes.shown.empty()) {
      ASSERT_EQ(boxes.shown[0].text,
                QStringLiteral("Błędny format pliku ") + QDir::toNativeSeparators(path));
    }
    for (int n = 1; n <= 6; ++n) ASSERT_LE(fDaneUzytkownika->Edit(n)->text().size(), 40);
  }
}

TEST_F(UserDataTest, InsertSwitchesToOverwriting) {
  QLineEdit* edit = fDaneUzytkownika->l1;
  fDaneUzytkownika->cb1->setChecked(false);
  edit->setText(QStringLiteral("abc"));
  edit->setCursorPosition(0);
  QTest::keyClick(edit, Qt::Key_Insert);
  EXPECT_TRUE(fDaneUzytkownika->OverwriteMode());
  EXPECT_FALSE(fDaneUzytkownika->Label8->isHidden());
  EXPECT_EQ(fDaneUzytkownika->Label8->text(), QStringLiteral("INS"));
  QTest::keyClick(edit, 'X');
  EXPECT_EQ(edit->text(), QStringLiteral("Xbc"));
  QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("ż"), {});
  EXPECT_EQ(edit->text(), QStringLiteral("Xżc"));

  QTest::keyClick(edit, Qt::Key_Insert);
  EXPECT_TRUE(fDaneUzytkownika->Label8->isHidden());
  QTest::keyClick(edit, 'Y');
  EXPECT_EQ(edit->text(), QStringLiteral("XżYc"));
}

TEST_F(UserDataTest, WidthTwentyTrimsAndCentresTheLine) {
  Type(3, QStringLiteral("   ab   "), false);
  fDaneUzytkownika->rg3->Item(1)->click();
  EXPECT_EQ(fDaneUzytkownika->l3->text(), QStringLiteral("ab"));
  EXPECT_EQ(fDaneUzytkownika->l3->maxLength(), 20);
  fDaneUzytkownika->cb3->setChecked(true);
  EXPECT_EQ(fDaneUzytkownika->l3->text(), QString(9, QChar(' ')) + "ab" + QString(9, QChar(' ')));
  fDaneUzytkownika->rg3->Item(0)->click();
  EXPECT_EQ(fDaneUzytkownika->l3->text().size(), 40);
}

TEST_F(UserDataTest, CommandOpensTheEditorInTheLayoutOfThePrinter) {
  Connect(7);
  app::UserDataDeviceType = 0;
  bool shown = false;
  ModalHandler editor([&](QWidget* w) {
    shown = w == fDaneUzytkownika;
    EXPECT_EQ(fDaneUzytkownika->rgTyp->ItemIndex(), 1);
    EXPECT_FALSE(fDaneUzytkownika->l6->isHidden());
    EXPECT_EQ(fDaneUzytkownika->RowLabel(6)->text(), QStringLiteral("NIP"));
    EXPECT_TRUE(fDaneUzytkownika->Button2->isEnabled());
  });
  app::GlowneOkno->MenuItem(QStringLiteral("Odczytuytkownika1"))->trigger();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(app::UserDataDeviceType, 7);
  EXPECT_TRUE(app::GlowneOkno->ProgressText().isEmpty());
}

TEST_F(UserDataTest, CommandOffersEditingWithoutAPrinterThatDoesNotAnswer) {
  Connect(3).SetSilent(true);
  const QString question = QStringLiteral(
      "Brak komunikacji z drukarką fiskalną (niewłaściwie ustawione parametry komunikacji).\r"
      "                  Czy przejść do edycji danych użytkownika?");
  boxes.answers = {app::kIdYes};
  bool shown = false;
  ModalHandler editor([&](QWidget* w) { shown = w == fDaneUzytkownika; });
  app::GlowneOkno->Odczytuytkownika1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], question, QStringLiteral("Odpowiedz"), app::kQuestionStyle);
  EXPECT_TRUE(shown);
}

TEST_F(UserDataTest, CommandRefusesAFirstGenerationPrinter) {
  Connect(2);
  app::GlowneOkno->Odczytuytkownika1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Podłączone urządzenie nie jest drukarką drugiej generacji"), kBlad,
                app::kErrorStyle);
}

}  // namespace
}  // namespace sigra::testing
