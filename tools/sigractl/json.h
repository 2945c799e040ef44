// A JSON object written field by field, for sigractl --json.
#ifndef SIGRA_TOOLS_SIGRACTL_JSON_H
#define SIGRA_TOOLS_SIGRACTL_JSON_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sigractl {

// `text` (UTF-8) as a JSON string.
std::string JsonString(std::string_view text);

class JsonObject {
 public:
  void Add(std::string_view key, std::string_view text);
  void Add(std::string_view key, int64_t number);
  void Add(std::string_view key, const std::vector<std::string>& texts);
  // `json` as it is: a number list or an object built elsewhere.
  void AddRaw(std::string_view key, std::string json);
  // The fields of `other` after these.
  void Append(const JsonObject& other);
  std::string Text() const;

 private:
  std::vector<std::string> fields_;
};

}  // namespace sigractl

#endif
