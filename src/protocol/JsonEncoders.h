#pragma once
// Writing the two messages the terminal sends: the login message and the heartbeat.

#include <QString>

#include <cstdint>

struct TLoginData {
  QString Username;
  QString Password;
  QString ServerIp;
};

struct TLiveData_data {
  QString ServerIp;
  std::int32_t TerminalId = 0;
  std::int32_t TerminalGroupId = 0;
};

struct TLiveData {
  TLiveData_data Data;
};

// Stateless; cannot fail for any record. The text is pure ASCII.
class TEncoderJsonData {
 public:
  QString EncodeLogin(const TLoginData& data) const;
  QString EncodeLive(const TLiveData& data) const;
};
