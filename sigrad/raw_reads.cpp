#include "sigrad/raw_reads.h"

#include "commands/results.h"
#include "protocol/command_numbers.h"
#include "protocol/status.h"
#include "sigra/sigradrv.h"

namespace sigra::service::raw {
namespace {

// The device-type query's families, and the model bytes of their Luno.
constexpr uint8_t kSigraFamily = 44;
constexpr uint8_t kPharmacyFamily = 18;
constexpr uint8_t kLunoModel = 124;
constexpr uint8_t kLunoFModel = 125;
constexpr size_t kUniqueNumberLength = 11;

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
  const int32_t code = RSSequence(kCmdDeviceVersion, 4, 0, answer, nullptr);
  // The older models of both families do not know the model query.
  if (code == kResultNak) return 0;
  if (code != 0) return code;
  luno = answer[0] == (family == kSigraFamily ? kLunoModel : kLunoFModel);
  return 0;
}

int32_t Status3(uint8_t& byte) {
  unsigned char answer[256] = {};
  if (int32_t code = RSSequence(kStatus3, 1, 0, answer, nullptr); code != 0) return code;
  byte = answer[0];
  return 0;
}

int32_t ResumePrintout() {
  unsigned char answer[256] = {};
  return RSSequence(kCmdResumePrintout, 1, 0, answer, nullptr);
}

int32_t UniqueNumber(std::string& number) {
  unsigned char answer[256] = {};
  number.clear();
  const int32_t code = RSSequence(kCmdUniqueNumber, kUniqueNumberLength + 1, 0, answer, nullptr);
  // A model that does not know the query has no number to tell.
  if (code == kResultNak) return 0;
  if (code != 0) return code;
  number.assign(reinterpret_cast<const char*>(answer), kUniqueNumberLength);
  return 0;
}

}  // namespace sigra::service::raw
