// Reading the printer's clock.
#include <string>

#include "commands/clock.h"
#include "commands/export_guard.h"
#include "commands/export_text.h"
#include "sigra/sigradrv.hpp"

using namespace sigra;

extern "C" {

SIGRA_API int32_t SIGRA_CALL ReadClock(std::string& Date, std::string& Time) {
  return Guarded([&] { return sigra::ReadClock(Date, Time); });
}

SIGRA_API int32_t SIGRA_CALL pReadClock(char* Buffer) {
  return Guarded([&] {
    if (Buffer == nullptr) return kResultNullBuffer;
    std::string text;
    const int32_t result = ReadShortClock(text);
    CopyOut(text, Buffer);
    return result;
  });
}

}  // extern "C"
