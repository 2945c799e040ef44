// Request bodies: JSON read with every number kept as the decimal text it was
// written in, so that amounts never pass through binary floating point, and
// the receipt a body describes, checked by the rules every receipt follows.
#ifndef SIGRA_SIGRAD_BODY_H
#define SIGRA_SIGRAD_BODY_H

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "client/receipt.h"

namespace sigra::service {

using Json = nlohmann::json;

// A number as it was written: "12.30", "1e2", "-0.5".
struct Number {
  std::string text;
};

// A value of a request body: null, true or false, a number, a string, an
// array or an object (its members in the order of their names).
struct Value {
  using Elements = std::vector<Value>;
  using Members = std::map<std::string, Value, std::less<>>;

  std::variant<std::nullptr_t, bool, Number, std::string, Elements, Members> held;

  // What the value holds when it is a T, else none.
  template <typename T>
  const T* As() const {
    return std::get_if<T>(&held);
  }
  // The member `name` of an object; none when it has no such member or the
  // value is no object.
  const Value* Find(std::string_view name) const;
};

// The document, or none when `text` is not JSON, names a member of an object
// twice, or is nested deeper than 32 levels; `fault` then says which.
std::optional<Value> ParseBody(std::string_view text, std::string* fault = nullptr);

// A number's text, or a string's: for an amount, a quantity or a count,
// which may be given either way. None for any other value.
std::optional<std::string> NumberText(const Value& value);

// The receipt of a body, or what is wrong with the body ("items[2].rate: ...").
std::variant<sale::Receipt, std::string> ReceiptFromBody(const Value& body);

// The same document written out always alike: the idempotency key's digest
// is taken of it, and the journal keeps the digests, so it never changes.
// A number is written as its text's bytes in nlohmann's form of a binary
// value: {"bytes":[49,50],"subtype":null} for 12.
std::string Canonical(const Value& body);

// The SHA-256 of `text` in hexadecimal.
std::string Digest(std::string_view text);

}  // namespace sigra::service

#endif
