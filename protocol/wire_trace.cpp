#include "protocol/wire_trace.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace sigra::trace {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Trace {
  Trace() = default;
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;
  ~Trace() { WriteAfter(); }

  void Write(const std::string& line) {
    std::fputs((line + '\n').c_str(), file.get());
    std::fflush(file.get());
  }

  void WriteAfter();

  std::unique_ptr<std::FILE, FileCloser> file;
  SequenceRecord record;
  // Bytes read after `record`'s sequence, and when the first came.
  std::vector<uint8_t> after;
  std::chrono::system_clock::time_point afterStart;
};

// Set up at the first sequence; holds no file while tracing is off.
std::optional<Trace>& State() {
  static std::optional<Trace> state;
  return state;
}

void Open(const char* path) {
  if (State()) State()->WriteAfter();
  State().emplace();
  if (path != nullptr && *path != '\0') State()->file.reset(std::fopen(path, "a"));
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return "-";
  std::string text;
  for (uint8_t byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", byte);
    text += digits;
  }
  return text;
}

std::string UtcText(std::chrono::system_clock::time_point at) {
  using namespace std::chrono;
  const auto millis = floor<milliseconds>(at);
  const auto day = floor<days>(millis);
  const year_month_day date(day);
  const hh_mm_ss time(millis - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>(time.subseconds().count()));
  return text;
}

void Trace::WriteAfter() {
  if (!file || after.empty()) return;
  Write(UtcText(afterStart) + " COM" + std::to_string(record.port) + " cmd " +
        std::to_string(record.cmd) + " received after " + Hex(after));
  after.clear();
}

}  // namespace

SequenceRecord* Begin(uint8_t cmd, int port) {
  if (!State()) Open(std::getenv("SIGRA_TRACE"));
  if (!State()->file) return nullptr;
  State()->WriteAfter();
  SequenceRecord& record = State()->record;
  record.start = std::chrono::system_clock::now();
  record.started = std::chrono::steady_clock::now();
  record.port = port;
  record.cmd = cmd;
  record.sent.clear();
  record.received.clear();
  return &record;
}

void End(uint8_t result) {
  if (!State() || !State()->file) return;
  State()->Write(Line(State()->record, result, std::chrono::steady_clock::now()));
}

void ReceivedAfter(uint8_t byte) {
  if (!State() || !State()->file) return;
  if (State()->after.empty()) State()->afterStart = std::chrono::system_clock::now();
  State()->after.push_back(byte);
}

void Flush() {
  if (State()) State()->WriteAfter();
}

void SetFile(const std::string& path) {
  Open(path.c_str());
}

std::string Line(const SequenceRecord& record, uint8_t result,
                 std::chrono::steady_clock::time_point ended) {
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(ended - record.started);
  return UtcText(record.start) + " COM" + std::to_string(record.port) + " cmd " +
         std::to_string(record.cmd) + " sent " + Hex(record.sent) + " received " +
         Hex(record.received) + " result " + std::to_string(result) + " (" +
         std::to_string(took.count()) + " ms)";
}

}  // namespace sigra::trace
