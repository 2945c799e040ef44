// A USB serial adapter in SigraSW's port list, with no link made by hand.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <filesystem>

#include "app/device_checks.h"
#include "app/forms.h"
#include "app/komunikacja.h"
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

  app::Komunikacja->FillPortList();
  EXPECT_GE(app::Komunikacja->cbNumerPortu->findText(QStringLiteral("COM%1").arg(number)), 0);
  ChooseInDialog(number);
  app::Komunikacja->TakeParameters();
  EXPECT_EQ(app::ConfiguredComPort, number);
  EXPECT_EQ(app::OpenConfiguredPort(), 0);

  // Gone, it leaves the list.
  fs::remove(dir_ + "/by-id/" + name);
  app::Komunikacja->FillPortList();
  EXPECT_LT(app::Komunikacja->cbNumerPortu->findText(QStringLiteral("COM%1").arg(number)), 0);
}

}  // namespace
}  // namespace sigra::testing
