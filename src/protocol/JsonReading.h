#pragma once
// Lenient reading of JSON members: a missing member reads as empty text, 0 or false, and a
// member of another type is converted instead of rejected.

#include <nlohmann/json.hpp>

#include <QString>

#include <cstdint>
#include <optional>

namespace JsonReading {

using json = nlohmann::json;

// Deepest nesting of arrays and objects that a message may have.
constexpr int kMaxDepth = 64;

// The JSON value of the text, or nothing when the text holds no JSON value at all (or nests
// deeper than kMaxDepth).
std::optional<json> Parse(const QString& text);

// The member of an object, or nullptr when it is missing. A member read as an object counts as
// present whatever its type; a value that is not an object simply has no members.
const json* Member(const json* object, const char* name);
// An array member of any other type, null included, counts as absent.
const json* Array(const json* object, const char* name);

QString Text(const json* value);
std::int64_t Integer(const json* value);
bool Boolean(const json* value);

}  // namespace JsonReading
