#include "app/logic/header_line.h"

namespace sigra::app {
namespace {

bool Blank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string WithoutControls(std::string_view text) {
  std::string clean(text);
  for (char& c : clean) {
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  }
  return clean;
}

}  // namespace

std::string TrimLine(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && Blank(text[begin])) ++begin;
  while (end > begin && Blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string CentreLine(std::string_view text, size_t width) {
  std::string body = TrimLine(WithoutControls(text));
  if (body.size() > width) body.resize(width);
  const size_t left = (width - body.size()) / 2;
  const size_t right = width - body.size() - left;
  return std::string(left, ' ') + body + std::string(right, ' ');
}

std::string FitLine(std::string_view text, size_t width) {
  std::string line = WithoutControls(text);
  line.resize(width, ' ');
  return line;
}

}  // namespace sigra::app
