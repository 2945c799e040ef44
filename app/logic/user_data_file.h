// The text file in which the user-data editor saves and loads the header
// lines: Windows-1250 (a file from a UTF-8 editor is converted before it is
// parsed, see app/file_text.h), lines ended by CR LF. Three header lines ("#1", "#",
// "#") are followed by one line per header line: "$" and the text as the
// editor shows it, a tab, the width "40" or "20" and, in the six-line layout,
// a tab and "1" or "0" for the "Wys. gen." option.
#ifndef SIGRA_APP_LOGIC_USER_DATA_FILE_H
#define SIGRA_APP_LOGIC_USER_DATA_FILE_H

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sigra::app {

// One header line as the editor holds it.
struct HeaderLine {
  std::string text;  // Windows-1250
  int width = 40;    // 40 or 20
  bool highPrint = false;
};

// The file for the four-line layout (lines 1 to 4, line 4 being the tax number
// line) or the six-line layout (lines 1 to 6).
std::string SaveUserDataFile(const std::array<HeaderLine, 6>& lines, bool sixLine);

// A header line as read from a file: what the file sets on it.
struct LoadedLine {
  std::string text;
  // None: the width stays as it is.
  std::optional<int> width;
  // None: the option stays as it is.
  std::optional<bool> highPrint;
};

struct LoadedUserData {
  // Lines 1, 2, ... as far as the file could be read; after a format error
  // the editor takes over none of them.
  std::vector<LoadedLine> lines;
  bool formatError = false;
  // Whether the file holds six lines; meaningful without a format error.
  bool sixLine = false;
};

// Reads a file saved by SaveUserDataFile, or anything else: bytes that do not
// form such a file give a format error, never more than that.
LoadedUserData LoadUserDataFile(std::string_view bytes);

}  // namespace sigra::app

#endif
