#include "tools/sigractl/json.h"

#include <cstdio>

namespace sigractl {

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (c == '\n') {
      json += "\\n";
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + '"';
}

void JsonObject::Add(std::string_view key, std::string_view text) {
  AddRaw(key, JsonString(text));
}

void JsonObject::Add(std::string_view key, int64_t number) {
  AddRaw(key, std::to_string(number));
}

void JsonObject::Add(std::string_view key, const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const std::string& text : texts) list += (list.size() > 1 ? ", " : "") + JsonString(text);
  AddRaw(key, list + "]");
}

void JsonObject::AddRaw(std::string_view key, std::string json) {
  fields_.push_back(JsonString(key) + ": " + std::move(json));
}

void JsonObject::Append(const JsonObject& other) {
  fields_.insert(fields_.end(), other.fields_.begin(), other.fields_.end());
}

std::string JsonObject::Text() const {
  std::string text = "{";
  for (const std::string& field : fields_) text += (text.size() > 1 ? ", " : "") + field;
  return text + "}";
}

}  // namespace sigractl
