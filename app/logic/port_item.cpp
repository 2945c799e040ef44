#include "app/logic/port_item.h"

#include "protocol/connection.h"

namespace sigra::app {

std::string PortItemText(int port, const std::string& adapter) {
  std::string text = "COM" + std::to_string(port);
  if (!adapter.empty()) text += " " + adapter;
  return text;
}

int PortOfItem(const std::string& text) {
  if (text.compare(0, 3, "COM") != 0) return 0;
  const size_t end = text.find(' ');
  const std::string digits = text.substr(3, end == std::string::npos ? end : end - 3);
  if (digits.empty() || digits.size() > 3 || digits[0] == '0' ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return 0;
  }
  const int n = std::stoi(digits);
  return n >= kFirstComPort && n <= kLastComPort ? n : 0;
}

}  // namespace sigra::app
