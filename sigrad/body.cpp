#include "sigrad/body.h"

#include <array>
#include <type_traits>
#include <vector>

#include "sigrad/platform.h"

namespace sigra::service {
namespace {

constexpr size_t kMaxDepth = 32;

// Builds the document from nlohmann's reader, each number with its text.
class Reader : public nlohmann::json_sax<Json> {
 public:
  explicit Reader(Value& root) : root_(root) {}

  bool null() override { return Put({nullptr}); }
  bool boolean(bool value) override { return Put({value}); }
  bool number_integer(number_integer_t value) override {
    return Put({Number{std::to_string(value)}});
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Put({Number{std::to_string(value)}});
  }
  bool number_float(number_float_t, const string_t& text) override { return Put({Number{text}}); }
  bool string(string_t& value) override { return Put({value}); }
  bool binary(binary_t&) override { return false; }
  bool start_object(std::size_t) override { return Open({Value::Members()}); }
  bool key(string_t& name) override {
    key_ = name;
    return true;
  }
  // The member named twice, if one was: the body is then refused, as a
  // reader keeping the first and one keeping the last would sell different
  // receipts.
  const std::optional<std::string>& Repeated() const { return repeated_; }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open({Value::Elements()}); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  Value* Place(Value value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Value& parent = *open_.back();
    if (auto* elements = std::get_if<Value::Elements>(&parent.held)) {
      elements->push_back(std::move(value));
      return &elements->back();
    }
    const auto [slot, added] =
        std::get<Value::Members>(parent.held).try_emplace(key_, std::move(value));
    if (!added) {
      repeated_ = key_;
      return nullptr;
    }
    return &slot->second;
  }

  bool Put(Value value) { return Place(std::move(value)) != nullptr; }

  bool Open(Value value) {
    if (open_.size() == kMaxDepth) return false;
    Value* placed = Place(std::move(value));
    if (!placed) return false;
    open_.push_back(placed);
    return true;
  }

  bool Close() {
    open_.pop_back();
    return true;
  }

  Value& root_;
  std::vector<Value*> open_;
  std::string key_;
  std::optional<std::string> repeated_;
};

// The document as the digests were first taken of it: a number as a binary
// value of its text's bytes.
Json DigestForm(const Value& value) {
  return std::visit(
      [](const auto& held) -> Json {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, Number>) {
          return Json::binary(std::vector<std::uint8_t>(held.text.begin(), held.text.end()));
        } else if constexpr (std::is_same_v<Held, Value::Elements>) {
          Json array = Json::array();
          for (const Value& element : held) array.push_back(DigestForm(element));
          return array;
        } else if constexpr (std::is_same_v<Held, Value::Members>) {
          Json object = Json::object();
          for (const auto& [name, member] : held) object[name] = DigestForm(member);
          return object;
        } else {
          return held;
        }
      },
      value.held);
}

using Fault = std::optional<std::string>;

// The text field `name` of `object`: `fallback` when absent and allowed.
Fault TextField(const Value& object, const std::string& where, const char* name, std::string& out,
                const char* fallback = nullptr) {
  const Value* found = object.Find(name);
  if (!found) {
    if (fallback) {
      out = fallback;
      return std::nullopt;
    }
    return where + "." + name + " is missing";
  }
  const std::string* text = found->As<std::string>();
  if (!text) return where + "." + name + " must be a string";
  out = *text;
  return std::nullopt;
}

Fault NumberField(const Value& object, const std::string& where, const char* name, std::string& out,
                  const char* fallback = nullptr) {
  const Value* found = object.Find(name);
  if (!found) {
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

Fault OnlyFields(const Value& object, const std::string& where,
                 std::initializer_list<const char*> names) {
  const Value::Members* members = object.As<Value::Members>();
  if (!members) return where + " must be an object";
  for (const auto& [key, value] : *members) {
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

const Value::Elements& ArrayField(const Value& body, const char* name, Fault& fault) {
  static const Value::Elements kEmpty;
  const Value* found = body.Find(name);
  if (!found) return kEmpty;
  const Value::Elements* elements = found->As<Value::Elements>();
  if (!elements) {
    fault = std::string(name) + " must be an array";
    return kEmpty;
  }
  return *elements;
}

Fault Read(const Value& body, sale::ReceiptBuilder& receipt) {
  if (Fault fault = OnlyFields(body, "the body",
                               {"items", "payments", "lines", "discount_percent"})) {
    return fault;
  }
  Fault fault;
  const Value::Elements& items = ArrayField(body, "items", fault);
  const Value::Elements& payments = ArrayField(body, "payments", fault);
  const Value::Elements& lines = ArrayField(body, "lines", fault);
  if (fault) return fault;
  if (!body.Find("items")) return std::string("items is missing");
  for (size_t i = 0; i < items.size(); ++i) {
    const Value& item = items[i];
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
    if (const Value* found = item.Find("void")) {
      const bool* given = found->As<bool>();
      if (!given) return where + ".void must be true or false";
      voided = *given;
    }
    if (Fault f = Within(where, receipt.AddItem(voided, name, rate, quantity, unit, price))) {
      return f;
    }
  }
  for (size_t i = 0; i < payments.size(); ++i) {
    const Value& payment = payments[i];
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
    const Value& line = lines[i];
    const std::string where = "lines[" + std::to_string(i) + "]";
    if (Fault f = OnlyFields(line, where, {"type", "text"})) return f;
    std::string type, text;
    if (Fault f = NumberField(line, where, "type", type, "0")) return f;
    if (Fault f = TextField(line, where, "text", text)) return f;
    if (Fault f = Within(where, receipt.AddLine(type, text))) return f;
  }
  if (const Value* found = body.Find("discount_percent")) {
    const std::optional<std::string> percent = NumberText(*found);
    if (!percent) return std::string("discount_percent must be a number");
    if (Fault f = Within("discount_percent", receipt.SetDiscount(*percent))) return f;
  }
  return std::nullopt;
}

// What a whole receipt must add up to: no void takes more off a rate than
// the lines before it sold at that rate, and payments, when given, pay the
// total exactly (paid less change).
Fault Balanced(const sale::Receipt& receipt) {
  int64_t rates[8] = {};
  for (size_t i = 0; i < receipt.items.size(); ++i) {
    const sale::ReceiptLine& item = receipt.items[i];
    int64_t& sold = rates[item.rate];
    if (!item.voided) {
      sold += item.value;
      continue;
    }
    if (item.value > sold) {
      return "items[" + std::to_string(i) + "]: the void of " + sale::DecimalText(item.value) +
             " at rate " + std::string(1, static_cast<char>('A' + item.rate - 1)) +
             " is more than the lines before it sold at that rate (" + sale::DecimalText(sold) +
             ")";
    }
    sold -= item.value;
  }
  if (receipt.payments.empty()) return std::nullopt;
  int64_t paid = 0;
  for (const sale::PaymentEntry& payment : receipt.payments) {
    paid += int64_t{payment.paid} - payment.change;
  }
  const int64_t total = sale::Total(receipt);
  if (paid != total) {
    return "payments: paid less change is " + sale::DecimalText(paid) +
           ", not the receipt's total " + sale::DecimalText(total);
  }
  return std::nullopt;
}

}  // namespace

const Value* Value::Find(std::string_view name) const {
  const Members* members = As<Members>();
  if (!members) return nullptr;
  const auto found = members->find(name);
  return found == members->end() ? nullptr : &found->second;
}

std::optional<Value> ParseBody(std::string_view text, std::string* fault) {
  Value root;
  Reader reader(root);
  if (!Json::sax_parse(text.begin(), text.end(), &reader)) {
    if (fault) {
      *fault = reader.Repeated() ? "The body names the member \"" + *reader.Repeated() + "\" twice."
                                 : "The body is not JSON.";
    }
    return std::nullopt;
  }
  return root;
}

std::optional<std::string> NumberText(const Value& value) {
  if (const std::string* text = value.As<std::string>()) return *text;
  if (const Number* number = value.As<Number>()) return number->text;
  return std::nullopt;
}

std::variant<sale::Receipt, std::string> ReceiptFromBody(const Value& body) {
  sale::ReceiptBuilder receipt;
  if (Fault fault = Read(body, receipt)) return *fault;
  std::variant<sale::Receipt, std::string> finished = receipt.Finish();
  if (const sale::Receipt* whole = std::get_if<sale::Receipt>(&finished)) {
    if (Fault fault = Balanced(*whole)) return *fault;
  }
  return finished;
}

std::string Canonical(const Value& body) {
  return DigestForm(body).dump();
}

std::string Digest(std::string_view text) {
  const std::array<unsigned char, 32> digest = platform::Sha256(text);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < digest.size(); ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace sigra::service
