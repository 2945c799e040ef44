// Opening a cash drawer and the driver's version and author.
#include <string>

#include "commands/export_guard.h"
#include "commands/export_text.h"
#include "commands/service_commands.h"
#include "sigra/sigradrv.hpp"

using namespace sigra;

namespace {

const std::string kVersion = "10.00";
const std::string kAuthor = "VELMO";

}  // namespace

extern "C" {

SIGRA_API int32_t SIGRA_CALL OpenDrawer(int32_t DrawerNumber) {
  return sigra::OpenDrawer(DrawerNumber);
}

SIGRA_API int32_t SIGRA_CALL DllVersion(std::string& Text) {
  return Guarded([&] {
    Text = kVersion;
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL pDllVersion(char* Buffer) {
  return Guarded([&] {
    if (Buffer == nullptr) return kResultNullBuffer;
    CopyOut(kVersion, Buffer);
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL DllAuthor(std::string& Text) {
  return Guarded([&] {
    Text = kAuthor;
    return int32_t{0};
  });
}

SIGRA_API int32_t SIGRA_CALL pDllAuthor(char* Buffer) {
  return Guarded([&] {
    if (Buffer == nullptr) return kResultNullBuffer;
    CopyOut(kAuthor, Buffer);
    return int32_t{0};
  });
}

}  // extern "C"
