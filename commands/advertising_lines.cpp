#include "commands/advertising_lines.h"

#include <algorithm>
#include <array>

#include "commands/answer_record.h"
#include "commands/block_write_answer.h"
#include "commands/code_page.h"
#include "commands/command_steps.h"
#include "commands/export_guard.h"
#include "commands/fixed_width.h"
#include "commands/printer_state_check.h"
#include "commands/results.h"
#include "protocol/connection.h"
#include "protocol/sequence.h"

namespace sigra {
namespace {

constexpr uint8_t kCmdTextSettings = 195;
constexpr uint8_t kCmdWriteLine = 46;
constexpr uint8_t kCmdReadLine = 56;
constexpr uint8_t kCmdClearLines = 58;

constexpr size_t kLineWidth = 40;
// Bit of the first settings byte: the printer takes texts in Windows-1250.
constexpr uint8_t kWindowsCodePage = 0x08;
// A line read back: a byte the driver does not use, the flag, the text.
constexpr size_t kLineRecord = 42;
// The answer to a clearing the printer cannot make yet.
constexpr uint8_t kClearRefused = 204;

// The common start of both transfers: a checked connection, status byte 2
// and the code page the printer keeps its texts in.
int32_t BeginLineTransfer(bool& windowsCodePage) {
  if (int32_t result = EnsureConnection(true); result != 0) return result;
  if (int32_t result = CheckClockAndController(); result != 0) return result;
  Block answer{};
  if (int32_t result = SendQuery(kCmdTextSettings, 4, answer); result != 0) return result;
  windowsCodePage = (answer[0] & kWindowsCodePage) != 0;
  return 0;
}

}  // namespace

int32_t WriteAdvertisingLine(uint8_t line, std::string_view text) {
  return Guarded([&] {
    bool windowsCodePage = false;
    if (int32_t result = BeginLineTransfer(windowsCodePage); result != 0) return result;
    const std::string fitted = FixedWidth(text, kLineWidth);
    const std::string sent = windowsCodePage ? fitted : ToPrinterCodePage(fitted);
    Block data{};
    data[0] = line;
    std::copy(sent.begin(), sent.end(), data.begin() + 1);
    uint8_t check = 0;
    for (char c : sent) check ^= static_cast<uint8_t>(c);
    data[1 + kLineWidth] = check;
    if (int32_t result = SendOrder(kCmdWriteLine, data, kLineWidth + 2); result != 0) {
      return result;
    }
    uint8_t answer = 0;
    if (int32_t result = ReceiveAnswerByte(answer); result != 0) return result;
    return BlockWriteResult(answer);
  });
}

int32_t ReadAdvertisingLine(uint8_t line, std::string& text, uint8_t& flag) {
  return Guarded([&] {
    bool windowsCodePage = false;
    if (int32_t result = BeginLineTransfer(windowsCodePage); result != 0) return result;
    Block data{};
    data[0] = line;
    if (int32_t result = SendOrder(kCmdReadLine, data, 1); result != 0) return result;
    std::array<uint8_t, kLineRecord> record{};
    if (int32_t result = ReceiveAnswerRecord(record); result != 0) return result;
    flag = record[1];
    const std::string received(record.begin() + 2, record.end());
    text = windowsCodePage ? received : FromPrinterCodePage(received);
    return int32_t{0};
  });
}

int32_t ClearAdvertisingLines() {
  return Guarded([] {
    if (int32_t result = EnsureConnection(true); result != 0) return result;
    Block answer{};
    if (int32_t result = SendQuery(kCmdClearLines, 2, answer); result != 0) return result;
    if (answer[0] == 0) return 0;
    return answer[0] == kClearRefused ? kResultPreviousDataNotReported : kResultBadAnswer;
  });
}

}  // namespace sigra
