#include "sigrad/body.h"

#include <openssl/evp.h>

#include <vector>

namespace sigra::service {
namespace {

constexpr size_t kMaxDepth = 32;

// Builds the document as nlohmann's own DOM reader does, with the numbers'
// texts in binary values.
class Reader : public nlohmann::json_sax<Json> {
 public:
  explicit Reader(Json& root) : root_(root) {}

  bool null() override { return Put(nullptr); }
  bool boolean(bool value) override { return Put(value); }
  bool number_integer(number_integer_t value) override { return Number(std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Number(std::to_string(value)); }
  bool number_float(number_float_t, const string_t& text) override { return Number(text); }
  bool string(string_t& value) override { return Put(value); }
  bool binary(binary_t&) override { return false; }
  bool start_object(std::size_t) override { return Open(Json::object()); }
  bool key(string_t& name) override {
    key_ = name;
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(Json::array()); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool Number(const std::string& text) {
    return Put(Json::binary(std::vector<std::uint8_t>(text.begin(), text.end())));
  }

  Json* Place(Json value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    Json& slot = parent[key_];
    slot = std::move(value);
    return &slot;
  }

  bool Put(Json value) {
    Place(std::move(value));
    return true;
  }

  bool Open(Json value) {
    if (open_.size() == kMaxDepth) return false;
    open_.push_back(Place(std::move(value)));
    return true;
  }

  bool Close() {
    open_.pop_back();
    return true;
  }

  Json& root_;
  std::vector<Json*> open_;
  std::string key_;
};

using Fault = std::optional<std::string>;

// The text field `name` of `object`: `fallback` when absent and allowed.
Fault TextField(const Json& object, const std::string& where, const char* name, std::string& out,
                const char* fallback = nullptr) {
  const auto found = object.find(name);
  if (found == object.end()) {
    if (fallback) {
      out = fallback;
      return std::nullopt;
    }
    return where + "." + name + " is missing";
  }
  if (!found->is_string()) return where + "." + name + " must be a string";
  out = found->get<std::string>();
  return std::nullopt;
}

Fault NumberField(const Json& object, const std::string& where, const char* name,
                  std::string& out, const char* fallback = nullptr) {
  const auto found = object.find(name);
  if (found == object.end()) {
    if (fallback) {
      out = fallback;
      return std::nullopt;
    }
    return where + "." + name + " is missing";
  }
  const std::optional<std::string> text = NumberText(*found);
  if (!text) return where + "." + name + " must be a number or a string";
  out = *text;
  return std::nullopt;
}

Fault OnlyFields(const Json& object, const std::string& where,
                 std::initializer_list<const char*> names) {
  if (!object.is_object()) return where + " must be an object";
  for (const auto& [key, value] : object.items()) {
    bool known = false;
    for (const char* name : names) known = known || key == name;
    if (!known) return where + " has an unknown field \"" + key + "\"";
  }
  return std::nullopt;
}

Fault Within(const std::string& where, sale::Error error) {
  if (!error) return std::nullopt;
  return where + ": " + *error;
}

const Json& ArrayField(const Json& body, const char* name, Fault& fault) {
  static const Json kEmpty = Json::array();
  const auto found = body.find(name);
  if (found == body.end()) return kEmpty;
  if (!found->is_array()) fault = std::string(name) + " must be an array";
  return *found;
}

Fault Read(const Json& body, sale::ReceiptBuilder& receipt) {
  if (Fault fault = OnlyFields(body, "the body",
                               {"items", "payments", "lines", "discount_percent"})) {
    return fault;
  }
  Fault fault;
  const Json& items = ArrayField(body, "items", fault);
  const Json& payments = ArrayField(body, "payments", fault);
  const Json& lines = ArrayField(body, "lines", fault);
  if (fault) return fault;
  if (body.find("items") == body.end()) return std::string("items is missing");
  for (size_t i = 0; i < items.size(); ++i) {
    const Json& item = items[i];
    const std::string where = "items[" + std::to_string(i) + "]";
    if (Fault f = OnlyFields(item, where, {"name", "rate", "quantity", "unit", "price", "void"})) {
      return f;
    }
    std::string name, rate, quantity, unit, price;
    if (Fault f = TextField(item, where, "name", name)) return f;
    if (Fault f = TextField(item, where, "rate", rate)) return f;
    if (Fault f = NumberField(item, where, "quantity", quantity)) return f;
    if (Fault f = TextField(item, where, "unit", unit, "")) return f;
    if (Fault f = NumberField(item, where, "price", price)) return f;
    bool voided = false;
    if (const auto found = item.find("void"); found != item.end()) {
      if (!found->is_boolean()) return where + ".void must be true or false";
      voided = found->get<bool>();
    }
    if (Fault f = Within(where, receipt.AddItem(voided, name, rate, quantity, unit, price))) {
      return f;
    }
  }
  for (size_t i = 0; i < payments.size(); ++i) {
    const Json& payment = payments[i];
    const std::string where = "payments[" + std::to_string(i) + "]";
    if (Fault f = OnlyFields(payment, where, {"name", "paid", "change"})) return f;
    std::string name, paid, change;
    if (Fault f = TextField(payment, where, "name", name)) return f;
    if (Fault f = NumberField(payment, where, "paid", paid)) return f;
    if (Fault f = NumberField(payment, where, "change", change, "0")) return f;
    if (Fault f = Within(where, receipt.AddPayment(std::to_string(i + 1), name, paid, change))) {
      return f;
    }
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    const Json& line = lines[i];
    const std::string where = "lines[" + std::to_string(i) + "]";
    if (Fault f = OnlyFields(line, where, {"type", "text"})) return f;
    std::string type, text;
    if (Fault f = NumberField(line, where, "type", type, "0")) return f;
    if (Fault f = TextField(line, where, "text", text)) return f;
    if (Fault f = Within(where, receipt.AddLine(type, text))) return f;
  }
  if (const auto found = body.find("discount_percent"); found != body.end()) {
    const std::optional<std::string> percent = NumberText(*found);
    if (!percent) return std::string("discount_percent must be a number");
    if (Fault f = Within("discount_percent", receipt.SetDiscount(*percent))) return f;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Json> ParseBody(std::string_view text) {
  Json root;
  Reader reader(root);
  if (!Json::sax_parse(text.begin(), text.end(), &reader)) return std::nullopt;
  return root;
}

std::optional<std::string> NumberText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_binary()) {
    const Json::binary_t& bytes = value.get_binary();
    return std::string(bytes.begin(), bytes.end());
  }
  return std::nullopt;
}

std::variant<sale::Receipt, std::string> ReceiptFromBody(const Json& body) {
  sale::ReceiptBuilder receipt;
  if (Fault fault = Read(body, receipt)) return *fault;
  return receipt.Finish();
}

std::string Canonical(const Json& body) {
  return body.dump();
}

std::string Digest(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace sigra::service
