// The operator feedback: message boxes as the flags ask for them, the
// progress text, the exception handler, the busy cursor file and the texts
// built for the operator.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "app/about_box.h"
#include "app/ani_cursor.h"
#include "app/app_exception.h"
#include "app/device_checks.h"
#include "app/feedback.h"
#include "app/forms.h"
#include "app/glowne_okno.h"
#include "app/message_box.h"
#include "app/startup.h"
#include "protocol/feedback.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

QStringList ButtonTexts(const QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* button : box.buttons()) texts << button->text().remove(QChar('&'));
  texts.sort();
  return texts;
}

TEST(MessageBoxStyle, ErrorIsTaskModalStopWithPolishOk) {
  auto box = app::BuildMessageBox(QStringLiteral("Brak portu COM3 w systemie.\rNależy"),
                                  QStringLiteral("Błąd"), 0x2010);
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Błąd"));
  EXPECT_EQ(box->text(), QStringLiteral("Brak portu COM3 w systemie.\nNależy"));
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(box->parentWidget(), nullptr);
  EXPECT_EQ(ButtonTexts(*box), QStringList{QStringLiteral("OK")});
}

TEST(MessageBoxStyle, QuestionsHaveTakAndNieWithTakAsDefault) {
  struct Case {
    uint32_t flags;
    QMessageBox::Icon icon;
  } cases[] = {{0x2014, QMessageBox::Critical},
               {0x2024, QMessageBox::Question},
               {0x2034, QMessageBox::Warning}};
  for (const Case& c : cases) {
    auto box = app::BuildMessageBox(QStringLiteral("?"), QStringLiteral("Odpowiedz"), c.flags);
    EXPECT_EQ(box->icon(), c.icon) << std::hex << c.flags;
    EXPECT_EQ(ButtonTexts(*box), (QStringList{QStringLiteral("Nie"), QStringLiteral("Tak")}));
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
  }
  auto second = app::BuildMessageBox(QStringLiteral("?"), QStringLiteral("Pytanie"),
                                     0x2024 | app::kMbDefButton2);
  EXPECT_EQ(second->defaultButton(), second->button(QMessageBox::No));
}

TEST(MessageBoxStyle, WarningAndInformationIcons) {
  EXPECT_EQ(app::BuildMessageBox({}, QStringLiteral("Uwaga"), 0x2030)->icon(),
            QMessageBox::Warning);
  auto info = app::BuildMessageBox({}, QStringLiteral("Informacja"), 0x2040);
  EXPECT_EQ(info->icon(), QMessageBox::Information);
  EXPECT_EQ(ButtonTexts(*info), QStringList{QStringLiteral("OK")});
}

TEST(MessageBoxStyle, ShownBoxAnswersSixForTakAndSevenForEscape) {
  app::QtMessageBoxes boxes;
  {
    ModalHandler tak([](QWidget* w) {
      if (auto* box = qobject_cast<QMessageBox*>(w)) box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(boxes.MessageBoxExA(QStringLiteral("Czy?"), QStringLiteral("Odpowiedz"), 0x2024), 6);
  }
  {
    ModalHandler escape([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(boxes.MessageBoxExA(QStringLiteral("Czy?"), QStringLiteral("Odpowiedz"), 0x2024), 7);
  }
  {
    ModalHandler ok([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_EQ(boxes.MessageBoxExA(QStringLiteral("Błąd"), QStringLiteral("Błąd"), 0x2010), 1);
  }
}

TEST(ProgressTextGeometry, CentredWithTruncationTowardZero) {
  EXPECT_EQ(app::CentredTextRect(QSize(600, 300), QSize(100, 20)), QRect(248, 138, 102, 22));
  // Odd differences are halved toward zero, also below zero.
  EXPECT_EQ(app::CentredTextRect(QSize(101, 31), QSize(10, 10)), QRect(43, 8, 12, 12));
  EXPECT_EQ(app::CentredTextRect(QSize(100, 30), QSize(301, 20)), QRect(-102, 3, 303, 22));
}

using FeedbackTest = AppTest;

TEST_F(FeedbackTest, ProgressTextShownCentredAndHidden) {
  app::GlowneOkno->show();
  app::ShowProgressText(QStringLiteral("Sprawdzanie typu podłączonego urządzenia..."));
  EXPECT_EQ(app::GlowneOkno->ProgressText(),
            QStringLiteral("Sprawdzanie typu podłączonego urządzenia..."));
  const QRect rect = app::GlowneOkno->ProgressTextRect();
  const QWidget* area = app::GlowneOkno->centralWidget();
  EXPECT_EQ(area->font().pointSize(), 12);
  EXPECT_NEAR(rect.center().x(), area->width() / 2, 3);
  EXPECT_NEAR(rect.center().y(), area->height() / 2, 3);
  // The text is drawn: the middle of the window is no longer plain background.
  const QImage before = app::GlowneOkno->grab().toImage();
  app::HideProgressText();
  EXPECT_TRUE(app::GlowneOkno->ProgressText().isEmpty());
  EXPECT_NE(before, app::GlowneOkno->grab().toImage());
}

// A progress text tells of work under way; none may stay behind a dialog or
// a message box, whichever command shows it.
TEST_F(FeedbackTest, ProgressTextGoesBeforeAnyDialogOrMessageBoxAppears) {
  app::FirstActivation = false;
  app::GlowneOkno->show();
  QStringList behind;
  const auto recordWhenShown = [&](QWidget* w) {
    behind << w->objectName() + QStringLiteral(": ") + app::GlowneOkno->ProgressText();
  };
  app::ShowProgressText(QStringLiteral("Odczyt stawek..."));
  {
    ModalHandler handler(recordWhenShown);
    app::AboutBox->exec();
    EXPECT_TRUE(handler.handled());
  }
  app::ShowProgressText(QStringLiteral("Odczyt stawek..."));
  {
    ModalHandler handler([&](QWidget* w) {
      w->setObjectName(QStringLiteral("box"));
      recordWhenShown(w);
      static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
    });
    app::QtMessageBoxes().MessageBoxExA(QStringLiteral("Tekst"), QStringLiteral("Informacja"),
                                        app::kInformationStyle);
    EXPECT_TRUE(handler.handled());
  }
  EXPECT_EQ(behind, (QStringList{"AboutBox: ", "box: "}));
  // Without a dialog it stays.
  app::ShowProgressText(QStringLiteral("Odczyt stawek..."));
  QCoreApplication::processEvents();
  EXPECT_EQ(app::GlowneOkno->ProgressText(), QStringLiteral("Odczyt stawek..."));
}

TEST_F(FeedbackTest, DriverProgressTextArrivesConvertedFromWindows1250) {
  sigra::ShowProgressText("Odczyt bajtów statusu...");
  EXPECT_EQ(app::GlowneOkno->ProgressText(), QStringLiteral("Odczyt bajtów statusu..."));
}

TEST_F(FeedbackTest, ResultCodeReportShowsTheCodeTextAsError) {
  app::ShowProgressText(QStringLiteral("Trwa wydruk..."));
  app::ReportResultCode(109);
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0],
                QStringLiteral("Brak papieru lub podniesiona głowica mechanizmu drukującego."),
                QStringLiteral("Błąd"), 0x2010);
  EXPECT_TRUE(app::GlowneOkno->ProgressText().isEmpty());
}

// A field whose event handler throws, as the time field does for a wrong
// time. The exception comes from an event of its own sent straight to the
// field: thrown from a key press it would also unwind through Qt's key
// delivery, which is built without exceptions and leaks what it holds then.
class Thrower : public QWidget {
 public:
  static constexpr QEvent::Type kThrow = QEvent::User;
  explicit Thrower(const char* name) { setObjectName(QString::fromLatin1(name)); }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == kThrow) throw std::runtime_error("Niepoprawna godzina");
    return QWidget::event(e);
  }
};

TEST_F(FeedbackTest, ExceptionFromTheTimeFieldIsReportedAndTheProgramGoesOn) {
  Thrower field("meZegar");
  QEvent typed(Thrower::kThrow);
  EXPECT_FALSE(QCoreApplication::sendEvent(&field, &typed));
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Godzina została wprowadzona nieprawidłowo."),
                QStringLiteral("Błąd"), 0x2010);
}

TEST_F(FeedbackTest, OtherExceptionIsShownAndEndsTheProgram) {
  EXPECT_FALSE(app::AppException(nullptr, QStringLiteral("Coś poszło źle")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  ExpectMessage(boxes.shown[0], QStringLiteral("Coś poszło źle."), QStringLiteral("SigraSW"),
                0x2010);
}

// A cursor file of one 32 x 32 picture, black and transparent, hot spot at
// (5, 7), wrapped as the first frame of an animated cursor.
QByteArray SampleAni() {
  auto u16 = [](QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
  };
  auto u32 = [](QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
  };
  QByteArray image;
  u32(image, 40);
  u32(image, 32);
  u32(image, 64);
  u16(image, 1);
  u16(image, 1);
  for (int i = 0; i < 6; ++i) u32(image, 0);
  u32(image, 0);                             // black
  u32(image, 0x00FFFFFF);                    // white
  image.append(QByteArray(32 * 4, '\0'));    // colour bits
  image.append(QByteArray(16 * 4, '\xFF'));  // mask: lower half transparent
  image.append(QByteArray(16 * 4, '\0'));
  QByteArray cur;
  u16(cur, 0);
  u16(cur, 2);
  u16(cur, 1);
  cur.append(char(32)).append(char(32)).append(char(0)).append(char(0));
  u16(cur, 5);
  u16(cur, 7);
  u32(cur, static_cast<quint32>(image.size()));
  u32(cur, 22);
  cur.append(image);

  auto chunk = [&](const char* id, const QByteArray& data) {
    QByteArray out(id, 4);
    u32(out, static_cast<quint32>(data.size()));
    out.append(data);
    if (data.size() & 1) out.append('\0');
    return out;
  };
  QByteArray header;
  for (quint32 v : {36u, 1u, 1u, 0u, 0u, 0u, 0u, 10u, 1u}) u32(header, v);
  QByteArray body = QByteArray("ACON") + chunk("anih", header) +
                    chunk("LIST", QByteArray("fram") + chunk("icon", cur));
  return chunk("RIFF", body);
}

TEST(AnimatedCursor, FirstFrameWithItsHotSpot) {
  const std::optional<QCursor> cursor = app::CursorFromAni(SampleAni());
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->hotSpot(), QPoint(5, 7));
  EXPECT_EQ(cursor->pixmap().size(), QSize(32, 32));
}

TEST(AnimatedCursor, OtherDataGivesNone) {
  EXPECT_FALSE(app::CursorFromAni(QByteArray()).has_value());
  EXPECT_FALSE(app::CursorFromAni(QByteArray("RIFF\4\0\0\0WAVE")).has_value());
  QByteArray cut = SampleAni();
  cut.truncate(cut.size() - 100);
  EXPECT_FALSE(app::CursorFromAni(cut).has_value());
}

TEST(AnimatedCursor, LoadedFromItsFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("hourglas.ani"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(SampleAni());
  file.close();
  const std::optional<QCursor> cursor = app::LoadAniCursorFile(path);
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->hotSpot(), QPoint(5, 7));
  EXPECT_EQ(cursor->pixmap().size(), QSize(32, 32));
  EXPECT_FALSE(app::LoadAniCursorFile(dir.filePath(QStringLiteral("missing.ani"))).has_value());
}

TEST(OperatorTexts, PortFailuresHaveTheirOwnTexts) {
  EXPECT_EQ(app::PortOpenFailureText(2, 3),
            QStringLiteral("Brak portu COM3 w systemie.\rNależy ustawić parametry komunikacji"));
  EXPECT_EQ(app::PortOpenFailureText(5, 12),
            QStringLiteral("Nie można otworzyć portu COM12.Prawdopodobnie jest używany przez "
                           "inną aplikację"));
  EXPECT_EQ(app::PortOpenFailureText(114, 0),
            QStringLiteral("Nieustawione parametry komunikacji (numer portu)."));
  EXPECT_EQ(app::PortAndSpeedText(1, 9600), QStringLiteral("COM1, 9600 b/s"));
}

TEST(OperatorTexts, PrinterErrorKinds) {
  EXPECT_EQ(app::PrinterErrorText(6),
            QStringLiteral("Brak papieru lub podniesiona głowica mechanizmu drukującego"));
  EXPECT_EQ(app::PrinterErrorText(7), QStringLiteral("Niskie napięcie akumulatora głównego"));
  EXPECT_EQ(app::PrinterErrorText(8), QStringLiteral("NIEZDEFINIOWANY BŁĄD"));
}

TEST(CommandLine, HelpAndVersionInsteadOfStarting) {
  const QString usage = app::CommandLineInformation({"COM3", "--help", "--version"});
  EXPECT_TRUE(
      usage.startsWith(QStringLiteral("Użycie: sigrasw [COM1..COM255] [9600|19200|28800]\n")))
      << usage.toStdString();
  const QString version = app::CommandLineInformation({"--version", "--help"});
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^sigrasw \\d+\\.\\d+\\.\\d+\n$"))
                  .match(version)
                  .hasMatch())
      << version.toStdString();
  // Anything else is left to the port and speed search, which ignores it.
  EXPECT_TRUE(app::CommandLineInformation({"COM3", "9600", "-h", "--HELP", "help"}).isEmpty());
  EXPECT_TRUE(app::CommandLineInformation({}).isEmpty());
}

TEST(CommandLine, PortAndSpeed) {
  EXPECT_EQ(app::PortFromArguments({"com3", "19200"}), 3);
  EXPECT_EQ(app::SpeedFromArguments({"com3", "19200"}), 19200);
  // Every number the port list holds; nothing beyond it, no leading zero,
  // nothing but digits.
  EXPECT_EQ(app::PortFromArguments({"COM0", "xCOM5", "COM12"}), 12);
  EXPECT_EQ(app::PortFromArguments({"COM256", "COM05", "COM1x", "COM+3", "Com255"}), 255);
  EXPECT_EQ(app::PortFromArguments({"COM256", "COM0", "COM", "COM9999"}), 0);
  EXPECT_EQ(app::SpeedFromArguments({"9601", "096000", "28800", "9600"}), 28800);
  EXPECT_EQ(app::SpeedFromArguments({"9601"}), 0);
}

}  // namespace
}  // namespace sigra::testing
