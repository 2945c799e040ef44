// The exported result-code texts.
#include <cstring>
#include <string>

#include "commands/export_guard.h"
#include "protocol/result_codes.h"
#include "sigra/sigradrv.hpp"

extern "C" {

SIGRA_API int32_t SIGRA_CALL ErrMessage(int32_t Code, std::string& Text) {
  return sigra::Guarded([&] {
    // Emptied first, so that a failed assignment leaves no old text behind.
    Text.clear();
    Text = sigra::ResultText(Code);
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL pErrMessage(int32_t Code, char* Buffer) {
  return sigra::Guarded([&] {
    if (Buffer == nullptr) return sigra::kResultNullBuffer;
    std::string text;
    const int32_t result = ErrMessage(Code, text);
    std::memcpy(Buffer, text.c_str(), text.size() + 1);
    return result;
  });
}

}  // extern "C"
