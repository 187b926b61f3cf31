#include "protocol/JsonReading.h"

#include "platform/uGbk.h"

#include <cmath>
#include <limits>

namespace JsonReading {

std::optional<json> Parse(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  // Platform messages nest a few levels. A deeper text is refused rather than parsed, because
  // writing a member back out as text recurses once per level.
  bool tooDeep = false;
  const json::parser_callback_t limitDepth = [&tooDeep](int depth, json::parse_event_t, json&) {
    if (depth > kMaxDepth) tooDeep = true;
    return !tooDeep;
  };
  json value = json::parse(utf8.constBegin(), utf8.constEnd(), limitDepth, /*allow_exceptions=*/false);
  if (tooDeep || value.is_discarded()) return std::nullopt;
  return value;
}

const json* Member(const json* object, const char* name) {
  if (object == nullptr || !object->is_object()) return nullptr;
  const auto it = object->find(name);
  return it == object->end() ? nullptr : &*it;
}

const json* Array(const json* object, const char* name) {
  const json* value = Member(object, name);
  return value != nullptr && value->is_array() ? value : nullptr;
}

QString Text(const json* value) {
  if (value == nullptr) return {};
  const std::string utf8 = value->is_string() ? value->get_ref<const std::string&>()
                                              : value->dump(-1, ' ', false, json::error_handler_t::replace);
  // Texts inside the terminal are what a GBK string can hold.
  return Gbk::Narrow(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

namespace {

std::int64_t FromDouble(double d) {
  if (!std::isfinite(d)) return 0;
  const double rounded = std::nearbyint(d);  // the default mode rounds ties to even
  // Outside the 64-bit range there is no value to give; such a number reads as 0.
  if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return 0;
  return static_cast<std::int64_t>(rounded);
}

std::int64_t FromString(const std::string& s) {
  // Only a whole decimal integer, optionally signed, that fits 64 bits.
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return 0;
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return 0;
    const std::uint64_t digit = static_cast<std::uint64_t>(s[i] - '0');
    if (magnitude > (limit - digit) / 10) return 0;
    magnitude = magnitude * 10 + digit;
  }
  return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

}  // namespace

std::int64_t Integer(const json* value) {
  if (value == nullptr) return 0;
  switch (value->type()) {
    case json::value_t::number_integer: return value->get<std::int64_t>();
    // Above the signed range the low 64 bits are kept, as a 64-bit field would.
    case json::value_t::number_unsigned: return static_cast<std::int64_t>(value->get<std::uint64_t>());
    case json::value_t::number_float: return FromDouble(value->get<double>());
    case json::value_t::boolean: return value->get<bool>() ? 1 : 0;
    case json::value_t::string: return FromString(value->get_ref<const std::string&>());
    default: return 0;
  }
}

bool Boolean(const json* value) {
  if (value == nullptr) return false;
  switch (value->type()) {
    case json::value_t::boolean: return value->get<bool>();
    case json::value_t::number_integer: return value->get<std::int64_t>() != 0;
    case json::value_t::number_unsigned: return value->get<std::uint64_t>() != 0;
    case json::value_t::number_float: return value->get<double>() != 0.0;
    case json::value_t::string: return !value->get_ref<const std::string&>().empty();
    case json::value_t::object:
    case json::value_t::array: return true;
    default: return false;
  }
}

}  // namespace JsonReading
