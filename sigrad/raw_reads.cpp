#include "sigrad/raw_reads.h"

#include "sigra/sigradrv.h"

namespace sigra::service::raw {
namespace {

constexpr int32_t kCmdReceiptCounter = 102;
constexpr int32_t kCmdLunoReceiptCounter = 247;
constexpr int32_t kCmdDailyReportNumber = 217;
constexpr int32_t kCmdDeviceType = 255;
constexpr int32_t kCmdModel = 254;
constexpr int32_t kCmdStatus3 = 149;
constexpr int32_t kCmdResumePrintout = 42;
constexpr int32_t kNak = 24;
// The device-type query's families, and the model bytes of their Luno.
constexpr uint8_t kSigraFamily = 44;
constexpr uint8_t kPharmacyFamily = 18;
constexpr uint8_t kLunoModel = 124;
constexpr uint8_t kLunoFModel = 125;

}  // namespace

int32_t Counter(bool receipt, bool luno, int32_t& counter) {
  unsigned char answer[256] = {};
  const int32_t command = receipt ? kCmdReceiptCounter : kCmdDailyReportNumber;
  if (int32_t code = RSSequence(command, 3, 0, answer, nullptr); code != 0) return code;
  counter = answer[0] + 256 * answer[1];
  if (receipt && luno && counter == 0) {
    if (int32_t code = RSSequence(kCmdLunoReceiptCounter, 8, 0, answer, nullptr); code != 0) {
      return code;
    }
    counter = answer[0] + 256 * answer[1];
  }
  return 0;
}

int32_t IsLuno(bool& luno) {
  unsigned char answer[256] = {};
  luno = false;
  if (int32_t code = RSSequence(kCmdDeviceType, 2, 0, answer, nullptr); code != 0) return code;
  const uint8_t family = answer[0];
  if (family != kSigraFamily && family != kPharmacyFamily) return 0;
  const int32_t code = RSSequence(kCmdModel, 4, 0, answer, nullptr);
  // The older models of both families do not know the model query.
  if (code == kNak) return 0;
  if (code != 0) return code;
  luno = answer[0] == (family == kSigraFamily ? kLunoModel : kLunoFModel);
  return 0;
}

int32_t Status3(uint8_t& byte) {
  unsigned char answer[256] = {};
  if (int32_t code = RSSequence(kCmdStatus3, 1, 0, answer, nullptr); code != 0) return code;
  byte = answer[0];
  return 0;
}

int32_t ResumePrintout() {
  unsigned char answer[256] = {};
  return RSSequence(kCmdResumePrintout, 1, 0, answer, nullptr);
}

}  // namespace sigra::service::raw
