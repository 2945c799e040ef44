#include "app/logic/user_data_file.h"

namespace sigra::app {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kHeaderFileLines = 3;

std::string Width(int width) {
  return width == 20 ? "20" : "40";
}

// Splits the file into lines ended by LF (a CR before it is dropped); the
// text after the last line end is a line of its own when it is not empty.
std::vector<std::string_view> FileLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return lines;
}

// Field k (from 1) of a line: the text after the (k - 1)-th tab up to the
// next tab; empty past the last tab.
std::string_view Field(std::string_view line, int k) {
  for (int i = 1; i < k; ++i) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return {};
    line.remove_prefix(tab + 1);
  }
  return line.substr(0, line.find('\t'));
}

std::optional<int> WidthField(std::string_view field) {
  if (field == "20") return 20;
  if (field == "40") return 40;
  return std::nullopt;
}

std::string TextField(std::string_view line) {
  std::string_view text = Field(line, 1);
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  return std::string(text);
}

}  // namespace

std::string SaveUserDataFile(const std::array<HeaderLine, 6>& lines, bool sixLine) {
  std::string file = "#1\r\n#\r\n#\r\n";
  const size_t count = sixLine ? 6 : 4;
  for (size_t i = 0; i < count; ++i) {
    const HeaderLine& line = lines[i];
    const bool taxNumberLine = i + 1 == count;
    file += '$' + line.text + '\t';
    // The tax number line of the four-line layout is always a full line.
    file += !sixLine && taxNumberLine ? std::string("40") : Width(line.width);
    if (sixLine) file += line.highPrint && !taxNumberLine ? "\t1" : "\t0";
    file += kLineEnd;
  }
  return file;
}

LoadedUserData LoadUserDataFile(std::string_view bytes) {
  LoadedUserData loaded;
  const std::vector<std::string_view> file = FileLines(bytes);
  const auto dataLine = [&](size_t n) -> std::optional<std::string_view> {
    const size_t index = kHeaderFileLines + n - 1;
    if (index >= file.size()) return std::nullopt;
    return file[index];
  };
  const auto fail = [&] {
    loaded.formatError = true;
    return loaded;
  };

  for (size_t n = 1; n <= 4; ++n) {
    const std::optional<std::string_view> line = dataLine(n);
    if (!line) return fail();
    LoadedLine& out = loaded.lines.emplace_back();
    out.text = TextField(*line);
    out.width = WidthField(Field(*line, 2));
    // Line 4 keeps its width when the file gives none it knows.
    if (!out.width && n < 4) return fail();
    out.highPrint = Field(*line, 3) == "1";
  }

  const std::optional<std::string_view> fifth = dataLine(5);
  if (!fifth || fifth->empty()) return loaded;
  for (size_t n = 5; n <= 6; ++n) {
    const std::string_view line = dataLine(n).value_or(std::string_view());
    LoadedLine& out = loaded.lines.emplace_back();
    out.text = TextField(line);
    out.width = WidthField(Field(line, 2));
    if (!out.width) return fail();
    if (n == 5) out.highPrint = Field(line, 3) == "1";
  }
  loaded.sixLine = true;
  return loaded;
}

}  // namespace sigra::app
