// A printer emulator linked as COM1 in a private dosdevices folder, and the
// driver's process-wide state put back to that of a fresh program around each
// test.
#ifndef SIGRA_TESTS_DRIVER_FIXTURE_H
#define SIGRA_TESTS_DRIVER_FIXTURE_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands/driver_state.h"
#include "emulator/emulator.h"
#include "link/comm.h"
#include "protocol/connection.h"
#include "protocol/receipt_state.h"

namespace sigra::testing {

using Frame = std::vector<uint8_t>;
using Frames = std::vector<Frame>;

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sigra-dosdevices-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("SIGRA_DOSDEVICES", dir_.c_str(), 1);
    ResetDriverState();
  }

  void TearDown() override {
    ResetDriverState();
    emulator_.reset();
    std::filesystem::remove_all(dir_);
  }

  // Starts a printer of this type and links it as COM1.
  emu::Emulator& StartPrinter(int deviceType, int version = -1) {
    emulator_ = std::make_unique<emu::Emulator>(deviceType, version);
    emulator_->LinkAsComPort(dir_, 1);
    return *emulator_;
  }

  emu::Emulator& Printer() { return *emulator_; }

  // Opens a connection as a point-of-sale program does, then forgets the bytes
  // of the opening so that a test sees only its own.
  void Connect(int timeoutSeconds = 1) {
    ASSERT_EQ(CommunicationInit(1, 9600, timeoutSeconds), 0);
    emulator_->ClearRecord();
  }

  // The command frames the printer received, once `hostBytes` bytes arrived.
  Frames Sent(size_t hostBytes = 0) {
    if (hostBytes > 0) {
      EXPECT_TRUE(emulator_->WaitForHostBytes(hostBytes, std::chrono::seconds(2)));
    }
    return emulator_->Commands();
  }

  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
  std::unique_ptr<emu::Emulator> emulator_;
};

// The by-id names of the USB serial adapters the port tests plug in.
inline constexpr const char* kZeta = "usb-Zeta_USB-Serial_Z0001-if00-port0";
inline constexpr const char* kAlfa = "usb-Alfa_UART_A0002-if00-port0";

}  // namespace sigra::testing

#endif
