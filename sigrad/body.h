// Request bodies: JSON read with every number kept as the decimal text it was
// written in, so that amounts never pass through binary floating point, and
// the receipt a body describes, checked by the rules every receipt follows.
#ifndef SIGRA_SIGRAD_BODY_H
#define SIGRA_SIGRAD_BODY_H

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

#include "client/receipt.h"

namespace sigra::service {

using Json = nlohmann::json;

// The document, or none when `text` is not JSON. A number is held as a
// binary value with its text; a document is nested at most 32 levels deep.
std::optional<Json> ParseBody(std::string_view text);

// A number's text, or a string's: for an amount, a quantity or a count,
// which may be given either way. None for any other value.
std::optional<std::string> NumberText(const Json& value);

// The receipt of a body, or what is wrong with the body ("items[2].rate: ...").
std::variant<sale::Receipt, std::string> ReceiptFromBody(const Json& body);

// The same document written out always alike: the idempotency key's digest
// is taken of it.
std::string Canonical(const Json& body);

// The SHA-256 of `text` in hexadecimal.
std::string Digest(std::string_view text);

}  // namespace sigra::service

#endif
