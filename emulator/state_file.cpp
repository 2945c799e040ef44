#include "emulator/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace sigra::emu {
namespace {

using namespace std::chrono;

constexpr const char* kHeader = "sigra-emu state 1";
// Status byte 2: the clock (CMOS) memory erased, until the clock is
// initialised.
constexpr uint8_t kClockMemoryErased = 0x10;

std::string Hex(const std::string& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    text += digits;
  }
  return text.empty() ? "-" : text;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  return Hex(std::string(bytes.begin(), bytes.end()));
}

std::string DateValue(Date date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

std::string Totals(const std::array<uint64_t, 7>& totals) {
  std::string text;
  for (uint64_t total : totals) text.append(" ").append(std::to_string(total));
  return text;
}

// Reads the fields of one line, failing with the line's number.
class Fields {
 public:
  Fields(std::string line, int number) : in_(std::move(line)), number_(number) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("line " + std::to_string(number_) + ": " + what);
  }

  std::string Word() {
    std::string word;
    if (!(in_ >> word)) Fail("a field is missing");
    return word;
  }

  template <class Int>
  Int Number(long long low, long long high) {
    const std::string word = Word();
    long long value = 0;
    size_t used = 0;
    try {
      value = std::stoll(word, &used);
    } catch (const std::exception&) {
      Fail("\"" + word + "\" is not a number");
    }
    if (used != word.size() || value < low || value > high)
      Fail("\"" + word + "\" is out of range");
    return static_cast<Int>(value);
  }

  std::string Bytes() {
    const std::string word = Word();
    if (word == "-") return {};
    if (word.size() % 2 != 0) Fail("\"" + word + "\" is not hex bytes");
    std::string bytes;
    for (size_t i = 0; i < word.size(); i += 2) {
      unsigned value = 0;
      if (std::sscanf(word.substr(i, 2).c_str(), "%2X", &value) != 1)
        Fail("bad hex \"" + word + "\"");
      bytes += static_cast<char>(value);
    }
    return bytes;
  }

  Date DateField() {
    const std::string word = Word();
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    char rest = 0;
    if (std::sscanf(word.c_str(), "%d-%u-%u%c", &y, &m, &d, &rest) != 3) Fail("bad date " + word);
    const Date date{year(y), month(m), day(d)};
    if (!date.ok()) Fail("bad date " + word);
    return date;
  }

  std::array<uint64_t, 7> TotalsField() {
    std::array<uint64_t, 7> totals{};
    for (uint64_t& total : totals) total = Number<uint64_t>(0, 0xFFFFFFFFFFLL);
    return totals;
  }

  void End() {
    std::string extra;
    if (in_ >> extra) Fail("unexpected \"" + extra + "\"");
  }

 private:
  std::istringstream in_;
  int number_;
};

void Apply(Printer& printer, Fields& f, const std::string& key) {
  FiscalState& fiscal = printer.Fiscal();
  ServiceState& service = printer.Service();
  if (key == "type") {
    const int type = f.Number<int>(0, 9);
    if (type != printer.Traits().type) {
      f.Fail("the state is of a printer of device type " + std::to_string(type) + ", not " +
             std::to_string(printer.Traits().type));
    }
  } else if (key == "clock") {
    const std::string kind = f.Word();
    const auto value = seconds(f.Number<long long>(-(1LL << 40), 1LL << 40));
    if (kind == "host") {
      printer.Clock().Set(floor<seconds>(system_clock::now()) + value);
    } else if (kind == "fixed") {
      printer.Clock().Set(TimePoint(value));
    } else {
      f.Fail("the clock is \"host\" or \"fixed\", not \"" + kind + "\"");
    }
  } else if (key == "last-shift") {
    const std::string word = f.Word();
    if (word == "none") {
      printer.Clock().SetLastShiftDay(std::nullopt);
    } else {
      Fields date(word, 0);
      printer.Clock().SetLastShiftDay(date.DateField());
    }
  } else if (key == "status1") {
    const std::string bytes = f.Bytes();
    if (bytes.size() != 1) f.Fail("status1 takes one byte");
    printer.SetStatusByte(1, static_cast<uint8_t>(bytes[0]));
  } else if (key == "clock-erased") {
    const bool erased = f.Number<int>(0, 1) == 1;
    const uint8_t byte2 = printer.StatusByte(2);
    printer.SetStatusByte(2, erased ? static_cast<uint8_t>(byte2 | kClockMemoryErased)
                                    : static_cast<uint8_t>(byte2 & ~kClockMemoryErased));
  } else if (key == "receipt-counter") {
    fiscal.receiptCounter = f.Number<uint16_t>(0, 0xFFFF);
  } else if (key == "day-totals") {
    fiscal.dayTotals = f.TotalsField();
  } else if (key == "rates") {
    const std::string bytes = f.Bytes();
    if (bytes.size() != fiscal.rates.ByteLength()) f.Fail("the rates do not fit this model");
    fiscal.rates.SetBytes({bytes.begin(), bytes.end()});
  } else if (key == "euro-due") {
    fiscal.euroChangeoverDue = f.Number<int>(0, 1) == 1;
  } else if (key == "user-data") {
    const auto number = f.Number<size_t>(1, UserData::kMaxLines);
    const std::string attributes = f.Bytes();
    const std::string text = f.Bytes();
    if (attributes.size() != 1 ||
        !printer.UserDataLines().Write(number, static_cast<uint8_t>(attributes[0]), text, false)) {
      f.Fail("not a header line of this model");
    }
  } else if (key == "unique-number") {
    printer.Memory().uniqueNumber = f.Bytes();
  } else if (key == "kept-date") {
    KeptDate& kept = printer.Memory().keptDates.at(f.Number<size_t>(0, 1));
    kept.year = f.Number<uint8_t>(0, 99);
    kept.month = f.Number<uint8_t>(0, 12);
    kept.day = f.Number<uint8_t>(0, 31);
  } else if (key == "daily-report") {
    FiscalMemory& memory = printer.Memory();
    const auto number = f.Number<uint16_t>(1, 0xFFFF);
    if (number != memory.DailyReportCount() + 1) f.Fail("daily reports out of order");
    const Date date = f.DateField();
    const auto receipts = f.Number<uint16_t>(0, 0xFFFF);
    memory.AddDailyReport(date, receipts, f.TotalsField());
  } else if (key == "register") {
    const std::string bytes = f.Bytes();
    if (bytes.size() != service.registerNumber.size()) f.Fail("register takes 4 bytes");
    std::copy(bytes.begin(), bytes.end(), service.registerNumber.begin());
  } else if (key == "feed-lines") {
    service.feedLines = f.Number<uint8_t>(0, 255);
  } else if (key == "rounding") {
    service.rounding = f.Number<uint8_t>(0, 2);
  } else if (key == "settings") {
    const std::string bytes = f.Bytes();
    if (bytes.size() != service.settings.size()) f.Fail("settings take 15 bytes");
    std::copy(bytes.begin(), bytes.end(), service.settings.begin());
  } else if (key == "program-tests-left") {
    service.programTestsLeft = f.Number<int>(0, 255);
  } else {
    f.Fail("unknown item \"" + key + "\"");
  }
  f.End();
}

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

std::string StateText(const Printer& printer) {
  const FiscalState& fiscal = printer.Fiscal();
  const FiscalMemory& memory = printer.Memory();
  const ServiceState& service = printer.Service();
  const PrinterClock& clock = printer.Clock();
  std::ostringstream out;
  out << kHeader << '\n';
  out << "type " << printer.Traits().type << '\n';
  if (clock.HostOffset()) {
    out << "clock host " << clock.HostOffset()->count() << '\n';
  } else {
    out << "clock fixed " << clock.Now().time_since_epoch().count() << '\n';
  }
  out << "last-shift " << (clock.LastShiftDay() ? DateValue(*clock.LastShiftDay()) : "none")
      << '\n';
  out << "status1 " << Hex(std::vector<uint8_t>{printer.StatusByte(1)}) << '\n';
  out << "clock-erased " << ((printer.StatusByte(2) & kClockMemoryErased) != 0 ? 1 : 0) << '\n';
  out << "receipt-counter " << fiscal.receiptCounter << '\n';
  out << "day-totals" << Totals(fiscal.dayTotals) << '\n';
  out << "rates " << Hex(fiscal.rates.Bytes()) << '\n';
  out << "euro-due " << (fiscal.euroChangeoverDue ? 1 : 0) << '\n';
  const UserData& userData = printer.UserDataLines();
  for (size_t n = 1; n <= userData.LineCount(); ++n) {
    const UserDataLine line = *userData.Line(n);
    out << "user-data " << n << ' ' << Hex(std::vector<uint8_t>{line.attributes}) << ' '
        << Hex(line.text) << '\n';
  }
  out << "unique-number " << Hex(memory.uniqueNumber) << '\n';
  for (size_t kind = 0; kind < memory.keptDates.size(); ++kind) {
    const KeptDate& kept = memory.keptDates[kind];
    out << "kept-date " << kind << ' ' << int{kept.year} << ' ' << int{kept.month} << ' '
        << int{kept.day} << '\n';
  }
  for (const DailyReportRecord& report : memory.dailyReports) {
    out << "daily-report " << report.number << ' ' << DateValue(report.date) << ' '
        << report.receipts << Totals(report.totals) << '\n';
  }
  out << "register "
      << Hex(std::vector<uint8_t>(service.registerNumber.begin(), service.registerNumber.end()))
      << '\n';
  out << "feed-lines " << int{service.feedLines} << '\n';
  out << "rounding " << int{service.rounding} << '\n';
  out << "settings " << Hex(std::vector<uint8_t>(service.settings.begin(), service.settings.end()))
      << '\n';
  out << "program-tests-left " << service.programTestsLeft << '\n';
  return out.str();
}

void ApplyState(Printer& printer, const std::string& text) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1) {
      if (line != kHeader) throw std::runtime_error("line 1: not a sigra-emu state");
      continue;
    }
    if (line.empty()) continue;
    Fields fields(line, number);
    const std::string key = fields.Word();
    Apply(printer, fields, key);
  }
  if (number == 0) throw std::runtime_error("the state is empty");
}

bool LoadStateFile(Printer& printer, const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (!std::filesystem::exists(path)) return false;
    throw std::runtime_error(path + ": cannot be read");
  }
  std::ostringstream text;
  text << file.rdbuf();
  try {
    ApplyState(printer, text.str());
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(path + ": " + error.what());
  }
  return true;
}

void WriteStateFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Check(fd >= 0, "cannot create " + temporary);
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw std::system_error(error, std::generic_category(), "cannot write " + temporary);
    }
    written += static_cast<size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const int syncError = errno;
  ::close(fd);
  if (!synced)
    throw std::system_error(syncError, std::generic_category(), "cannot sync " + temporary);
  Check(::rename(temporary.c_str(), path.c_str()) == 0, "cannot rename " + temporary);
  // The rename itself lasts once the folder is on the disk.
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::filesystem::path folder = parent.empty() ? std::filesystem::path(".") : parent;
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace sigra::emu
