// USB serial adapters reached by COM number: emulated printers on
// pseudo-terminals, linked in a folder of adapter names as udev links real
// ones in /dev/serial/by-id.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "driver_fixture.h"
#include "link/posix/serial_ports.h"
#include "sigra/sigradrv.h"

namespace sigra::testing {
namespace {

namespace fs = std::filesystem;
using link::ports::List;
using link::ports::Port;

constexpr const char* kBeta = "usb-Beta_UART_B0003-if00-port0";

class SerialPortsTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    byId_ = Dir() + "/by-id";
    fs::create_directory(byId_);
    setenv("SIGRA_SERIAL_DIR", byId_.c_str(), 1);
    setenv("SIGRA_PORTS_FILE", (Dir() + "/ports").c_str(), 1);
  }

  void TearDown() override {
    unsetenv("SIGRA_SERIAL_DIR");
    unsetenv("SIGRA_PORTS_FILE");
    printers_.clear();
    DriverTest::TearDown();
  }

  // Plugs in an adapter with a printer of this type behind it.
  emu::Emulator& PlugIn(const std::string& name, int deviceType) {
    printers_.push_back(std::make_unique<emu::Emulator>(deviceType));
    fs::create_symlink(printers_.back()->DevicePath(), byId_ + "/" + name);
    return *printers_.back();
  }

  void Unplug(const std::string& name) { fs::remove(byId_ + "/" + name); }

  // The number of the adapter in the port list; 0 when it is not listed.
  static int NumberOf(const std::string& name) {
    for (const Port& port : List()) {
      if (port.adapter == name) return port.number;
    }
    return 0;
  }

  static bool Listed(int n) {
    for (const Port& port : List()) {
      if (port.number == n) return true;
    }
    return false;
  }

  // The device name the printer on COM n gives; the result code on failure.
  static std::string NameOn(int n) {
    char name[34] = {};
    const int32_t result = CommunicationInit(n, 9600, 1);
    if (result == 0) pDeviceName(name);
    CommunicationEnd();
    return result == 0 ? std::string(name) : "result " + std::to_string(result);
  }

  // sigractl's output and errors; `as` runs it under another program.
  std::string Sigractl(const std::string& args, const std::string& as = "") {
    const std::string out = Dir() + "/sigractl.out";
    EXPECT_NE(std::system((as + SIGRACTL + " " + args + " >" + out + " 2>&1").c_str()), -1);
    std::ifstream file(out);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::string byId_;
  std::vector<std::unique_ptr<emu::Emulator>> printers_;
};

TEST_F(SerialPortsTest, AnAdapterKeepsItsNumberWhateverElseIsPluggedIn) {
  PlugIn(kZeta, 7);
  const int zeta = NumberOf(kZeta);
  ASSERT_GT(zeta, 0);
  EXPECT_EQ(NameOn(zeta), "Nowa drukarka fiskalna");

  // A second adapter whose name sorts first gets a number of its own.
  PlugIn(kAlfa, 3);
  EXPECT_EQ(NumberOf(kZeta), zeta);
  const int alfa = NumberOf(kAlfa);
  ASSERT_GT(alfa, 0);
  EXPECT_NE(alfa, zeta);
  EXPECT_EQ(NameOn(alfa), "SIGRA II generacji");

  // Removed, it leaves the list and its number is no port; a third adapter
  // plugged in meanwhile does not take the number.
  Unplug(kZeta);
  EXPECT_FALSE(Listed(zeta));
  EXPECT_EQ(NameOn(zeta), "result 2");
  PlugIn(kBeta, 0);
  const int beta = NumberOf(kBeta);
  EXPECT_NE(beta, zeta);
  EXPECT_NE(beta, alfa);

  // Put back, it has its number again.
  fs::create_symlink(printers_[0]->DevicePath(), byId_ + "/" + kZeta);
  EXPECT_EQ(NumberOf(kZeta), zeta);
  EXPECT_EQ(NumberOf(kAlfa), alfa);
  EXPECT_EQ(NameOn(zeta), "Nowa drukarka fiskalna");
}

TEST_F(SerialPortsTest, TheListShowsTheDeviceAndOnlyPortsThatAreThere) {
  const emu::Emulator& printer = PlugIn(kZeta, 7);
  // An adapter name whose device went away is no port.
  fs::create_symlink(Dir() + "/gone", byId_ + "/" + kAlfa);
  const int zeta = NumberOf(kZeta);
  ASSERT_GT(zeta, 0);
  for (const Port& port : List()) {
    EXPECT_NE(port.adapter, kAlfa);
    if (port.number == zeta) {
      EXPECT_EQ(port.device, fs::canonical(printer.DevicePath()).string());
    }
  }
}

TEST_F(SerialPortsTest, SigractlGivesTheDriversNumbers) {
  const emu::Emulator& printer = PlugIn(kZeta, 7);
  PlugIn(kAlfa, 3);
  const std::string ports = Sigractl("ports");
  const int zeta = NumberOf(kZeta), alfa = NumberOf(kAlfa);
  EXPECT_NE(ports.find("COM" + std::to_string(zeta) + " " +
                       fs::canonical(printer.DevicePath()).string() + " " + kZeta + "\n"),
            std::string::npos)
      << ports;
  EXPECT_NE(ports.find("COM" + std::to_string(alfa) + " "), std::string::npos) << ports;
  EXPECT_EQ(Sigractl("--port COM" + std::to_string(zeta) + " name"), "Nowa drukarka fiskalna\n");
}

TEST_F(SerialPortsTest, ProgramsSeeingANewAdapterAtOnceGiveItOneNumber) {
  PlugIn(kZeta, 7);
  PlugIn(kAlfa, 3);
  PlugIn(kBeta, 0);
  // Four programs race to number three new adapters.
  const std::string out = Dir() + "/race";
  ASSERT_EQ(std::system(("for i in 1 2 3 4; do " + std::string(SIGRACTL) + " ports >" + out +
                         "$i & done; wait")
                            .c_str()),
            0);
  std::string first;
  for (int i = 1; i <= 4; ++i) {
    std::ifstream file(out + std::to_string(i));
    std::ostringstream text;
    text << file.rdbuf();
    if (i == 1) first = text.str();
    EXPECT_EQ(text.str(), first);
  }
  for (const char* name : {kZeta, kAlfa, kBeta}) {
    EXPECT_NE(first.find(std::string(" ") + name), std::string::npos) << first;
  }
  std::ifstream table(Dir() + "/ports");
  std::string line;
  int entries = 0;
  while (std::getline(table, line)) entries += line.rfind("COM", 0) == 0 ? 1 : 0;
  EXPECT_EQ(entries, 3);
}

TEST_F(SerialPortsTest, ALinkInTheDosdevicesFolderWins) {
  PlugIn(kZeta, 7);
  const int zeta = NumberOf(kZeta);
  ASSERT_GT(zeta, 0);
  const emu::Emulator& other = PlugIn(kAlfa, 3);
  other.LinkAsComPort(Dir(), zeta);
  EXPECT_EQ(NameOn(zeta), "SIGRA II generacji");
  EXPECT_EQ(link::ports::DeviceOf(zeta), other.DevicePath());
  fs::remove(Dir() + "/com" + std::to_string(zeta));
  EXPECT_EQ(NameOn(zeta), "Nowa drukarka fiskalna");
}

TEST_F(SerialPortsTest, ANumberChangedInTheTableHolds) {
  std::ofstream(Dir() + "/ports") << "# by hand\nCOM42 " << kZeta << "\n\n  # COM7 kept free\n";
  PlugIn(kZeta, 7);
  PlugIn(kAlfa, 3);
  EXPECT_EQ(NumberOf(kZeta), 42);
  EXPECT_NE(NumberOf(kAlfa), 42);
  EXPECT_EQ(NameOn(42), "Nowa drukarka fiskalna");
}

TEST_F(SerialPortsTest, APortThatDoesNotOpenTellsTheDeviceAndWhy) {
  PlugIn(kZeta, 7);
  const int zeta = NumberOf(kZeta);
  Unplug(kZeta);
  const link::ports::OpenProblem missing = link::ports::TryOpen(zeta);
  EXPECT_EQ(missing.device, byId_ + "/" + kZeta);
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_FALSE(link::ports::LacksRights(missing));
  const std::string said = Sigractl("--port " + std::to_string(zeta) + " name");
  EXPECT_NE(said.find("sigractl: COM" + std::to_string(zeta) + " is " + byId_ + "/" + kZeta +
                      ": No such file or directory\n"),
            std::string::npos)
      << said;
}

TEST_F(SerialPortsTest, APortInUseSaysSo) {
  PlugIn(kZeta, 7);
  const int zeta = NumberOf(kZeta);
  ASSERT_EQ(OpenPort(zeta, 9600, 1, 1), 0);
  EXPECT_EQ(link::ports::TryOpen(zeta).error, EBUSY);
  const std::string said = Sigractl("--port " + std::to_string(zeta) + " name");
  EXPECT_NE(said.find(": Device or resource busy\n"), std::string::npos) << said;
  ClosePort();
}

// Run as root, the test asks as the user nobody, whom the device's group
// dialout does not hold.
TEST_F(SerialPortsTest, APortOfAGroupTheUserIsNotInSaysWhichToJoin) {
  if (geteuid() != 0 || std::system("command -v setpriv >/dev/null") != 0) {
    GTEST_SKIP() << "needs root and setpriv";
  }
  const emu::Emulator& printer = PlugIn(kZeta, 7);
  const int zeta = NumberOf(kZeta);
  ASSERT_EQ(std::system(("chgrp dialout " + printer.DevicePath() + " && chmod 660 " +
                         printer.DevicePath() + " && chmod 755 " + Dir())
                            .c_str()),
            0);
  const std::string asNobody =
      Sigractl("--port " + std::to_string(zeta) + " name", "setpriv --reuid=nobody --regid=nogroup --clear-groups ");
  EXPECT_NE(asNobody.find("Permission denied; the device belongs to group dialout, which nobody is "
                          "not in: add the user to it (sudo adduser nobody dialout) and log in "
                          "again\n"),
            std::string::npos)
      << asNobody;
  const std::string ports = Sigractl("ports", "setpriv --reuid=nobody --regid=nogroup --clear-groups ");
  EXPECT_NE(ports.find(" " + std::string(kZeta) + " (no access: Permission denied"), std::string::npos)
      << ports;
}

}  // namespace
}  // namespace sigra::testing
