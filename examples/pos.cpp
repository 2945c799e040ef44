// The driver from C++: connects to the printer on COM1 and prints its name.
// The twins without the "p" prefix take and give std::string (Windows-1250).
//
//   c++ -std=c++17 pos.cpp $(pkg-config --cflags --libs sigradrv) -o pos
#include <cstdio>
#include <string>

#include "sigra/sigradrv.hpp"

int main() {
  std::string name, text;
  if (int32_t r = CommunicationInit(1, 9600, 5); r != 0) {
    ErrMessage(r, text);
    std::fprintf(stderr, "CommunicationInit: %d %s\n", static_cast<int>(r), text.c_str());
    return 1;
  }
  DeviceName(name);
  std::printf("printer: %s\n", name.c_str());
  CommunicationEnd();
}
