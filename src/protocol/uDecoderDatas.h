#pragma once
// Turns the text of one complete platform message into the record the controller acts on.

#include "platform/uLogSink.h"
#include "protocol/JsonDecoders.h"
#include "protocol/uMyRecords.h"

#include <QString>

class TDataDecoder {
 public:
  // A login reply's play page address is stored in playUrl, whether the login succeeded or not.
  TDataDecoder(QString& playUrl, ILogSink& log);

  // out is reset first. A schedule is Valid when it is to be applied now: it holds no task, or
  // its first task starts less than ten seconds after the platform sent it.
  void Decode(const QString& text, TServerMsg& out);
  // out is reset first.
  void DecodeUpdate(const QString& text, TUpdateData& out) const;

  // A schedule whose first task starts this long or longer after it was sent is not applied.
  static constexpr std::int64_t kApplyWithinMs = 10000;

 private:
  QString& FPlayUrl;
  ILogSink& FLog;
  TDecoderJsonData FJson;
};
