// A USB serial adapter in SigraSW's port list, with no link made by hand.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <filesystem>
#include <fstream>

#include "app/device_checks.h"
#include "app/forms.h"
#include "app/komunikacja.h"
#include "app/logic/port_item.h"
#include "emulator/emulator.h"
#include "link/posix/serial_ports.h"
#include "tests/app_fixture.h"

namespace sigra::testing {
namespace {

namespace fs = std::filesystem;

class AdapterPortListTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    char pattern[] = "/tmp/sigra-by-id-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directory(dir_ + "/by-id");
    setenv("SIGRA_SERIAL_DIR", (dir_ + "/by-id").c_str(), 1);
    setenv("SIGRA_PORTS_FILE", (dir_ + "/ports").c_str(), 1);
  }

  void TearDown() override {
    AppTest::TearDown();
    unsetenv("SIGRA_SERIAL_DIR");
    unsetenv("SIGRA_PORTS_FILE");
    fs::remove_all(dir_);
  }

  std::string dir_;
};

TEST_F(AdapterPortListTest, AnAdapterIsListedUnderItsNumberAndOpens) {
  emu::Emulator adapter(7);
  const std::string name = "usb-Zeta_USB-Serial_Z0001-if00-port0";
  fs::create_symlink(adapter.DevicePath(), dir_ + "/by-id/" + name);
  int number = 0;
  for (const link::ports::Port& port : link::ports::List()) {
    if (port.adapter == name) number = port.number;
  }
  ASSERT_GT(number, 0);

  // Listed with its name beside its number, as sigractl ports shows it.
  app::Komunikacja->FillPortList();
  EXPECT_GE(app::Komunikacja->cbNumerPortu->findText(QStringLiteral("COM%1 ").arg(number) +
                                                     QString::fromStdString(name)),
            0);
  ChooseInDialog(number);
  app::Komunikacja->TakeParameters();
  EXPECT_EQ(app::ConfiguredComPort, number);
  EXPECT_EQ(app::OpenConfiguredPort(), 0);

  // Gone, it leaves the list.
  fs::remove(dir_ + "/by-id/" + name);
  app::Komunikacja->FillPortList();
  EXPECT_LT(app::Komunikacja->cbNumerPortu->findText(QStringLiteral("COM%1").arg(number),
                                                     Qt::MatchStartsWith),
            0);
}

TEST_F(AdapterPortListTest, ABrokenPortTableOpensNoPortAndSaysWhy) {
  std::ofstream(dir_ + "/ports") << "COM4 usb-Zeta\nCOM4 usb-Alfa\n";
  app::ConfiguredComPort = 4;
  const int32_t code = app::OpenConfiguredPort();
  ASSERT_NE(code, 0);
  const QString text = app::PortOpenFailureText(code, 4);
  EXPECT_TRUE(text.contains(QStringLiteral("tabela numerów portów")) &&
              text.contains(QString::fromStdString(dir_ + "/ports, lines 1 and 2: both give COM4")))
      << text.toStdString();
}

TEST(PortItem, NamesTheAdapterBesideTheNumberAndReadsTheNumberBack) {
  const std::string adapter = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  EXPECT_EQ(app::PortItemText(3, ""), "COM3");
  EXPECT_EQ(app::PortItemText(12, adapter), "COM12 " + adapter);
  for (int port : {1, 9, 10, 12, 99, 100, 255}) {
    EXPECT_EQ(app::PortOfItem(app::PortItemText(port, "")), port);
    EXPECT_EQ(app::PortOfItem(app::PortItemText(port, adapter)), port);
  }
  // An adapter's name may hold digits and "COM"; only the number counts.
  EXPECT_EQ(app::PortOfItem("COM2 usb-COM7_Serial_0012-if00"), 2);
  for (const char* text :
       {"", "COM", "COM0", "COM256", "COM012", "COM1x", "com3", " COM3", "COM3x usb", "COM1000"}) {
    EXPECT_EQ(app::PortOfItem(text), 0) << text;
  }
}

}  // namespace
}  // namespace sigra::testing
