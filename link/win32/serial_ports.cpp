// COM ports on Windows are the system's own; trying one is opening it.
#include <string>

#include "link/serial_ports.h"
#include "link/win32/windows_api.h"

namespace sigra::link::ports {

OpenProblem TryOpen(int n, std::chrono::milliseconds) {
  OpenProblem problem;
  problem.device = "COM" + std::to_string(n);
  const std::string path = "\\\\.\\" + problem.device;
  const HANDLE port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    problem.error = static_cast<int>(::GetLastError());
  } else {
    ::CloseHandle(port);
  }
  return problem;
}

bool LacksRights(const OpenProblem&) {
  return false;
}

}  // namespace sigra::link::ports
