#include "protocol/JsonEncoders.h"

#include "protocol/JsonWriter.h"

QString TEncoderJsonData::EncodeLogin(const TLoginData& data) const {
  const TJsonValue::Object message{
      {"key", "001"},
      {"username", data.Username},
      {"password", data.Password},
      {"serverIp", data.ServerIp},
  };
  return TJsonValue(message).ToText();
}

QString TEncoderJsonData::EncodeLive(const TLiveData& data) const {
  const TJsonValue::Object payload{
      {"serverIp", data.Data.ServerIp},
      {"terminalId", std::int64_t{data.Data.TerminalId}},
      {"terminalGroupId", std::int64_t{data.Data.TerminalGroupId}},
      {"tasks", TJsonValue::Array{}},
  };
  const TJsonValue::Object message{
      {"message", ""},     {"query", ""}, {"errorCode", "001"},        {"data", payload},
      {"list", ""},        {"html", ""},  {"uri", ""},                 {"success", "success"},
      {"key", "002"},
  };
  return TJsonValue(message).ToText();
}
