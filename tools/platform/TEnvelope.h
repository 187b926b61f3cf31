#pragma once
// Every platform message is one object with the same set of members; "key" names the message
// and "data" carries its content.

#include <nlohmann/json.hpp>
#include <string>

inline nlohmann::json MessageEnvelope(const std::string& key, nlohmann::json data, bool success = true,
                                      const std::string& message = {}) {
  return nlohmann::json{{"key", key},      {"success", success}, {"message", message},
                        {"errorCode", ""}, {"query", ""},        {"list", ""},
                        {"html", ""},      {"uri", ""},          {"data", std::move(data)}};
}
