// --help (or -h) and --version, wherever they stand among a program's
// arguments, for sigractl and sigrad alike.
#ifndef SIGRA_CLIENT_HELP_VERSION_H
#define SIGRA_CLIENT_HELP_VERSION_H

#include <iostream>
#include <string_view>

#include "sigra/sigradrv.h"

namespace sigra {

// Writes the usage, or the program's and the driver's versions, to standard
// output when the arguments ask for either: true then, and the program ends
// with exit status 0.
inline bool HelpOrVersion(int argc, char** argv, const char* program, const char* version,
                          const char* usage) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << usage;
      return true;
    }
    if (arg == "--version") {
      char driver[6] = {};
      pDllVersion(driver);
      std::cout << program << ' ' << version << ", driver " << driver << '\n';
      return true;
    }
  }
  return false;
}

}  // namespace sigra

#endif
