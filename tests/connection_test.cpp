// Opening and closing connections and identifying the device.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>
#include <utility>

#include "driver_fixture.h"
#include "link/comm.h"
#include "link/text_1250.h"
#include "protocol/connection.h"
#include "sigra/sigradrv.hpp"

namespace sigra::testing {
namespace {

using Connection = DriverTest;

TEST_F(Connection, InitChecksWaitsForThePrintoutAndIdentifiesTheDevice) {
  StartPrinter(7, 2);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  EXPECT_TRUE(ConnectionOpen);
  EXPECT_EQ(DeviceType, 7);
  // The print control runs before the type is known, so status 148 is read.
  EXPECT_EQ(Sent(),
            Frames({{27, 35}, {27, 149}, {27, 149}, {27, 148}, {27, 149}, {27, 255}, {27, 254}}));
}

TEST_F(Connection, InitWithTheConnectionCheckRefusedStillIdentifiesWithoutPrintControl) {
  StartPrinter(3).Nak(35);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  EXPECT_TRUE(ConnectionOpen);
  EXPECT_EQ(DeviceType, 3);
  EXPECT_EQ(Sent(), Frames({{27, 35}, {27, 255}, {27, 254}}));
}

TEST_F(Connection, InitOnAPortThatDoesNotExistGivesTwo) {
  EXPECT_EQ(::CommunicationInit(42, 9600, 1), 2);
  EXPECT_FALSE(ConnectionOpen);
  std::string text;
  EXPECT_EQ(ErrMessage(2, text), 0);
  EXPECT_EQ(text, Cp1250FromUtf8("Nieznany błąd (prawdopodobnie systemowy)"));
}

// Numbers outside COM1 to COM255 name no port, though cut to a byte they
// would name one: the printer answers on each of those.
TEST_F(Connection, NumbersOutsideThePortRangeOpenNothing) {
  StartPrinter(7);
  for (int n : {0, 160, 255}) Printer().LinkAsComPort(Dir(), n);
  for (int32_t number : {0, 256, 257, -1, 100000}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(::OpenPort(number, 9600, 1, 1), 2);
    EXPECT_EQ(::CommunicationInit(number, 9600, 1), 2);
    EXPECT_FALSE(ConnectionOpen);
    EXPECT_EQ(BeginPrinterCall(number, true), number == 0 ? 114 : 2);
    EXPECT_FALSE(ProbeComPort(number));
    EXPECT_FALSE(link::PortObject && link::PortObject->IsOpen());
    EXPECT_EQ(link::LastCommErrorText(),
              Cp1250FromUtf8("System nie potrafi znależć danego urządzenia."));
  }
  EXPECT_TRUE(Printer().HostBytes().empty());
  EXPECT_EQ(::OpenPort(255, 9600, 1, 1), 0);
}

TEST_F(Connection, InitWithASilentPrinterGivesTheReceiveTimeout) {
  StartPrinter(7).SetSilent(true);
  EXPECT_EQ(::CommunicationInit(1, 9600, 1), 21);
  EXPECT_FALSE(ConnectionOpen);
}

// A negative timeout once left a silent printer's caller blocked for 18
// hours: now it and a speed no printer has are refused before the port opens.
TEST_F(Connection, InitWithABadSpeedOrTimeoutIsRefusedAtOnceAndOpensNothing) {
  StartPrinter(7).SetSilent(true);
  const std::pair<int32_t, int32_t> refused[] = {
      {9600, -1}, {9600, INT32_MIN}, {28800, 65536}, {4800, 5}, {38400, 5}, {115200, 5}, {0, 5},
      {-9600, 5}};
  for (const auto& [baud, timeout] : refused) {
    SCOPED_TRACE(std::to_string(baud) + " b/s, " + std::to_string(timeout) + " s");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(::CommunicationInit(1, baud, timeout), 215);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(ConnectionOpen);
    EXPECT_FALSE(link::PortObject && link::PortObject->IsOpen());
  }
  EXPECT_TRUE(Printer().HostBytes().empty());
}

TEST_F(Connection, RefusedInitLeavesTheOpenConnectionAsItWas) {
  StartPrinter(3);
  for (int32_t baud : {9600, 28800, 19200}) ASSERT_EQ(::CommunicationInit(1, baud, 65535), 0);
  EXPECT_EQ(::CommunicationInit(1, 9600, -1), 215);
  EXPECT_TRUE(ConnectionOpen);
  EXPECT_EQ(DeviceType, 3);
  EXPECT_EQ(ConfiguredBaudRate, 19200);
  int32_t counter = -1;
  EXPECT_EQ(::ReceiptNumber(&counter), 0);
  EXPECT_EQ(counter, 0);
}

TEST_F(Connection, SecondOpenPortGivesFiveAndKeepsTheFirstConnection) {
  StartPrinter(7);
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  EXPECT_EQ(OpenPort(1, 9600, 1, 1), 5);
  unsigned char answer[256] = {};
  unsigned char data[256] = {};
  EXPECT_EQ(RSSequence(35, 1, 0, answer, data), 0);
  EXPECT_EQ(ClosePort(), 0);
  EXPECT_EQ(OpenPort(1, 9600, 1, 1), 0);
}

TEST_F(Connection, ClosePortWithoutAPortObjectSucceeds) {
  link::PortObject.reset();
  EXPECT_EQ(ClosePort(), 0);
}

TEST_F(Connection, CommandsWithoutAConnectionAskForThePortNumber) {
  StartPrinter(7);
  ASSERT_EQ(::CommunicationInit(1, 9600, 1), 0);
  ASSERT_EQ(::CommunicationEnd(), 0);
  EXPECT_FALSE(ConnectionOpen);
  EXPECT_EQ(DeviceType, kDeviceOther);
  std::string name = "old";
  EXPECT_EQ(DeviceName(name), 114);
  EXPECT_EQ(name, "");
  char buffer[64] = "old";
  EXPECT_EQ(pDeviceName(buffer), 114);
  EXPECT_EQ(BeginPrinterCall(0, true), 114);
}

TEST_F(Connection, PDeviceNameRefusesANullBufferFirst) {
  EXPECT_EQ(pDeviceName(nullptr), 225);
}

TEST_F(Connection, LunoFReportsItsVersionFromTheModelQuery) {
  StartPrinter(8, 3);
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  uint8_t type = 0;
  uint32_t version = 0;
  EXPECT_EQ(ReadDeviceType(type, version), 0);
  EXPECT_EQ(type, 8);
  EXPECT_EQ(version, 3u);
  EXPECT_EQ(Sent(), Frames({{27, 255}, {27, 254}}));
}

TEST_F(Connection, ModelQueryFailingOtherwiseThanByNakIsReturned) {
  StartPrinter(7).AnswerWith(254, {0x00});
  ASSERT_EQ(OpenPort(1, 9600, 1, 1), 0);
  uint8_t type = 0x55;
  uint32_t version = 0;
  EXPECT_EQ(ReadDeviceType(type, version), 23);
  EXPECT_EQ(type, 0x55);
}

struct NamedType {
  int type;
  const char* name;   // DeviceName
  const char* pName;  // pDeviceName
};

class DeviceNames : public DriverTest, public ::testing::WithParamInterface<NamedType> {};

TEST_P(DeviceNames, EachTypeIsIdentifiedAndNamedFromItsOwnList) {
  const NamedType& p = GetParam();
  StartPrinter(p.type);
  ASSERT_EQ(::CommunicationInit(1, 19200, 1), 0);
  EXPECT_EQ(DeviceType, p.type);
  std::string name;
  EXPECT_EQ(DeviceName(name), 0);
  EXPECT_EQ(name, Cp1250FromUtf8(p.name));
  char buffer[64];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  EXPECT_EQ(pDeviceName(buffer), 0);
  EXPECT_STREQ(buffer, Cp1250FromUtf8(p.pName).c_str());
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, DeviceNames,
    ::testing::Values(NamedType{0, "TX350A 5-stawkowa", "TX350A 5-stawkowa"},
                      NamedType{1, "TX350A 7-stawkowa", "TX350A 7-stawkowa"},
                      NamedType{2, "SIGRA I generacji", "SIGRA I generacji"},
                      NamedType{3, "SIGRA II generacji", "SIGRA II generacji"},
                      NamedType{4, "TX350B 5-st. (apteczna)", "TX350B 5-st. (apteczna)"},
                      NamedType{5, "TX350B 7-st. (apteczna)", "TX350B 7-st. (apteczna)"},
                      NamedType{6, "SIGRA F (apteczna)", "SIGRA F (apteczna)"},
                      NamedType{7, "VELMO LUNO", "Nowa drukarka fiskalna"},
                      NamedType{8, "VELMO LUNO F", "Nowa drukarka fiskalna (apteczna)"},
                      NamedType{9, "INNE URZĄDZENIE", "INNE URZADZENIE"}),
    [](const ::testing::TestParamInfo<NamedType>& info) {
      return "Type" + std::to_string(info.param.type);
    });

TEST(DeviceNameLists, TypesBeyondTheTableAreUnknown) {
  EXPECT_STREQ(DeviceNameText(10), "NIEZNANE");
  EXPECT_STREQ(PDeviceNameText(255), "NIEZNANE");
}

}  // namespace
}  // namespace sigra::testing
