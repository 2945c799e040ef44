// The customer display and the advertising lines from the operator program
// against an emulated Luno: the lines dialog, the picture read back through
// "tmp.bmp" and a bitmap file written to the display.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/dialogs/advertising_text.h"
#include "app/dialogs/f_reklama.h"
#include "app/dialogs/f_reklama_odczyt.h"
#include "app/dialogs/f_teksty_reklamowe.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

using app::GlowneOkno;


std::vector<uint8_t> LineBlock(uint8_t number, const std::string& text) {
  std::vector<uint8_t> block(42, ' ');
  block[0] = number;
  std::copy(text.begin(), text.end(), block.begin() + 1);
  block[41] = 0;
  for (size_t i = 1; i < 41; ++i) block[41] ^= block[i];
  return block;
}

TEST(AdvertisingText, CentresTrimmedTextInFortyCharacters) {
  EXPECT_EQ(app::CentredAdvertisingLine(QStringLiteral("AB")),
            QString(19, ' ') + QStringLiteral("AB") + QString(19, ' '));
  EXPECT_EQ(app::CentredAdvertisingLine(QStringLiteral("  Żółw\t ")),
            QString(18, ' ') + QStringLiteral("Żółw") + QString(18, ' '));
  EXPECT_EQ(app::CentredAdvertisingLine(QStringLiteral("ABC")),
            QString(18, ' ') + QStringLiteral("ABC") + QString(19, ' '));
  EXPECT_EQ(app::CentredAdvertisingLine(QString(45, 'x')), QString(40, 'x'));
  EXPECT_EQ(app::AdvertisingLineToSend(QStringLiteral("A\tB")),
            QStringLiteral("A B") + QString(37, ' '));
  EXPECT_EQ(app::AdvertisingLineToSend(QString(41, 'y')), QString(40, 'y'));
}

class DisplayTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartPrinter(7, 3);
    StartUp({"COM3", "9600"});
    boxes.shown.clear();
    Printer().ClearRecord();
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(workDir_));
  }
  void TearDown() override {
    QDir::setCurrent(previousDir_);
    std::filesystem::remove_all(workDir_);
    AppTest::TearDown();
  }

  // Opens the advertising-lines dialog from the menu and runs `action` in it.
  void InLinesDialog(const std::function<void()>& action) {
    ModalHandler handler([&](QWidget* w) {
      ASSERT_EQ(w, app::fTekstyReklamowe);
      action();
    });
    GlowneOkno->Liniereklamowe1Click();
    EXPECT_TRUE(handler.handled());
  }

  std::string workDir_ = [] {
    char pattern[] = "/tmp/sigra-display-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  QString previousDir_;
};

TEST_F(DisplayTest, UncentredLineIsSentPaddedToForty) {
  InLinesDialog([] {
    app::fTekstyReklamowe->cb1->setChecked(false);
    app::fTekstyReklamowe->l1->setText(QStringLiteral("AB"));
    app::fTekstyReklamowe->l2->setText(QStringLiteral("Środa"));
    app::fTekstyReklamowe->l3->clear();
    app::fTekstyReklamowe->bZapis1->click();
  });
  const auto sent = DataOf(Printer(), 46);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], LineBlock(0, "AB"));
  // Centred, with the Polish letter in code page 852.
  EXPECT_EQ(sent[1], LineBlock(1, std::string(17, ' ') + "\x97roda"));
  EXPECT_EQ(sent[2], LineBlock(2, ""));
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Zapisano do drukarki teksty reklamowe"),
                kInformacja, 0x2040);
  EXPECT_TRUE(app::fTekstyReklamowe->bZapis1->isEnabled());
}

TEST_F(DisplayTest, ShowingReadsTheLinesAndEmptiesThoseWithoutText) {
  Printer().WithPrinter([](emu::Printer& p) { p.Display().WriteLine(LineBlock(1, "  Promocja")); });
  app::fTekstyReklamowe->l1->setText(QStringLiteral("stary"));
  app::fTekstyReklamowe->l3->setText(QStringLiteral("stary"));
  QString lines[3];
  InLinesDialog([&] {
    lines[0] = app::fTekstyReklamowe->l1->text();
    lines[1] = app::fTekstyReklamowe->l2->text();
    lines[2] = app::fTekstyReklamowe->l3->text();
  });
  EXPECT_EQ(lines[0], QString());
  EXPECT_EQ(lines[1], QStringLiteral("  Promocja").leftJustified(40));
  EXPECT_EQ(lines[2], QString());
  EXPECT_EQ(DataOf(Printer(), 56).size(), 3u);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DisplayTest, ErasingEmptiesTheEditsAndARefusalIsReported) {
  Printer().WithPrinter([](emu::Printer& p) { p.Display().WriteLine(LineBlock(0, "A")); });
  InLinesDialog([] { app::fTekstyReklamowe->bKasuj->click(); });
  EXPECT_TRUE(app::fTekstyReklamowe->l1->text().isEmpty());
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Skasowano teksty reklamowe"), kInformacja, 0x2040);

  boxes.shown.clear();
  Printer().WithPrinter([](emu::Printer& p) { p.Display().awaitingDailyReport = true; });
  InLinesDialog([] {
    app::fTekstyReklamowe->l1->setText(QStringLiteral("x"));
    app::fTekstyReklamowe->bKasuj->click();
  });
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Błąd"));
  EXPECT_EQ(boxes.shown[0].flags, 0x2010u);
  EXPECT_EQ(app::fTekstyReklamowe->l1->text(), QStringLiteral("x"));
  EXPECT_TRUE(app::fTekstyReklamowe->bKasuj->isEnabled());
}

// An image of which row 63 starts with 0x0F, the rest white.
void StoreImage(emu::Emulator& printer) {
  printer.WithPrinter([](emu::Printer& p) {
    for (uint8_t r = 0; r < 64; ++r) {
      std::vector<uint8_t> block(26, 0);
      block[0] = r;
      if (r == 63) block[1] = block[25] = 0x0F;
      p.Display().WriteRow(block);
    }
  });
}

TEST_F(DisplayTest, ReadBackPictureShowsBlackWhereTheBitsAreSet) {
  StoreImage(Printer());
  QImage shown;
  bool visible = false;
  ModalHandler handler([&](QWidget* w) {
    ASSERT_EQ(w, app::fReklamaOdczyt);
    shown = app::fReklamaOdczyt->iBitmapa->pixmap().toImage();
    visible = app::fReklamaOdczyt->iBitmapa->isVisible();
  });
  GlowneOkno->Odczyt2Click();
  ASSERT_TRUE(handler.handled());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(visible);
  ASSERT_EQ(shown.size(), QSize(192, 64));
  EXPECT_EQ(QColor(shown.pixel(3, 63)), QColor(Qt::white));
  EXPECT_EQ(QColor(shown.pixel(4, 63)), QColor(Qt::black));
  EXPECT_EQ(QColor(shown.pixel(7, 63)), QColor(Qt::black));
  EXPECT_EQ(QColor(shown.pixel(8, 63)), QColor(Qt::white));
  EXPECT_EQ(QColor(shown.pixel(4, 0)), QColor(Qt::white));
  EXPECT_EQ(DataOf(Printer(), 47).size(), 64u);
  EXPECT_FALSE(std::filesystem::exists(workDir_ + "/tmp.bmp"));
}

TEST_F(DisplayTest, ReadBackWithoutImageOrWithoutWritableFileTellsWhy) {
  ModalHandler none([](QWidget*) {});
  GlowneOkno->Odczyt2Click();
  EXPECT_FALSE(none.handled());
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Brak danych do wyświetlania w drukarce"),
                QStringLiteral("Błąd"), 0x2010);

  boxes.shown.clear();
  StoreImage(Printer());
  std::filesystem::create_directory(workDir_ + "/tmp.bmp");
  ModalHandler stillNone([](QWidget*) {});
  GlowneOkno->Odczyt2Click();
  EXPECT_FALSE(stillNone.handled());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(
      boxes.shown[0].text.startsWith(u"Nie można zapisać pliku tmp.bmp w bieżącym katalogu"))
      << boxes.shown[0].text.toStdString();
  EXPECT_TRUE(std::filesystem::is_directory(workDir_ + "/tmp.bmp"));
}

// A 192 x 64 bitmap with palette entry 0 black whose bottom row is black.
std::string WriteBitmap(const std::string& dir, const char* name, uint16_t bits = 1) {
  std::vector<uint8_t> file(62 + 64 * 24, 0xFF);
  std::fill_n(file.begin(), 62, uint8_t{0});
  const auto put = [&](size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<uint32_t>(file.size()));
  put(10, 62);
  put(14, 40);
  put(18, 192);
  put(22, 64);
  file[26] = 1;
  file[28] = static_cast<uint8_t>(bits);
  file[58] = file[59] = file[60] = 255;
  std::fill_n(file.begin() + 62, 24, uint8_t{0});
  const std::string path = dir + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return path;
}

class BitmapWriteTest : public DisplayTest {
 protected:
  // Chooses `path` in the open-picture dialog of the "Zapis" command.
  bool Choose(const std::string& path) {
    ModalHandler open([&](QWidget* w) {
      ASSERT_EQ(w, app::fReklama->opOpen);
      EXPECT_EQ(QDir(app::fReklama->opOpen->directory()).canonicalPath(),
                QDir(QString::fromStdString(workDir_)).canonicalPath());
      // Typed as the operator would, in the folder the dialog starts in.
      auto* name = app::fReklama->opOpen->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(QString::fromStdString(std::filesystem::path(path).filename().string()));
      QMetaObject::invokeMethod(app::fReklama->opOpen, "accept");
    });
    GlowneOkno->Danenawy2Click();
    return open.handled();
  }
};

TEST_F(BitmapWriteTest, ConfirmedBitmapIsSentRowByRowAndARepeatWarns) {
  const std::string path = WriteBitmap(workDir_, "obraz.bmp");
  boxes.answers = {app::kIdYes};
  ASSERT_TRUE(Choose(path));
  ASSERT_EQ(boxes.shown.size(), 2u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Czy zapisać dane do drukarki?"),
                QStringLiteral("Pytanie"), 0x2024);
  ExpectMessage(boxes.shown[1], QStringLiteral("Zapisano dane na wyświetlacz do drukarki"),
                kInformacja, 0x2040);
  const auto rows = DataOf(Printer(), 45);
  ASSERT_EQ(rows.size(), 64u);
  std::vector<uint8_t> bottom(26, 0xFF);
  bottom[0] = 63;
  bottom[25] = 0x00;
  EXPECT_EQ(rows[63], bottom);
  EXPECT_EQ(rows[0], (std::vector<uint8_t>(26, 0)));

  boxes.shown.clear();
  boxes.answers = {app::kIdYes};
  ASSERT_TRUE(Choose(path));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].caption, QStringLiteral("UWAGA"));
  EXPECT_EQ(boxes.shown[1].flags, 0x2030u);
  EXPECT_TRUE(boxes.shown[1].text.startsWith(u"Powtórnie przesłano te same dane."));
}

TEST_F(BitmapWriteTest, RefusedBitmapAsksNothingAndSendsNothing) {
  ASSERT_TRUE(Choose(WriteBitmap(workDir_, "kolor.bmp", 4)));
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("BITMAPA NIE JEST MONOCHROMATYCZNA"),
                QStringLiteral("Błąd"), 0x2010);
  // Answering No to the question sends nothing either.
  boxes.shown.clear();
  boxes.answers = {app::kIdNo};
  ASSERT_TRUE(Choose(WriteBitmap(workDir_, "obraz.bmp")));
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(DataOf(Printer(), 45).empty());
}

TEST_F(DisplayTest, ErasingThePictureIsConfirmed) {
  StoreImage(Printer());
  GlowneOkno->Kasowanie1Click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Skasowano informacje na wyświetlacz"), kInformacja,
                0x2040);
  bool kept = true;
  Printer().WithPrinter([&](emu::Printer& p) { kept = p.Display().HasImage(); });
  EXPECT_FALSE(kept);
}

}  // namespace
}  // namespace sigra::testing
