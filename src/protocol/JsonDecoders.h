#pragma once
// Reading the platform's JSON messages into decoder results.

#include "protocol/uMyRecords.h"

#include <QString>

#include <cstdint>

struct TTask_data {
  QString PointPlayUrl;
  QString DirectPlayUrl;
  QString Content;
  TATTACHMENT Attachment;
};

enum TTaskType : std::int32_t {
  ttDirectPlay = 0,
  ttPointPlay = 1,
  ttNotify = 2,
};

struct TTask {
  TTask_data Data;
  std::int64_t EndTime = 0;
  std::int64_t SendTime = 0;
  std::int64_t StartTime = 0;
  QString ErrorCode;
  QString Message;
  std::int32_t ScheduleId = 0;
  std::int32_t TaskType = 0;

  // The task's key in a task list: the decimal text of its schedule id.
  QString Key() const { return QString::number(ScheduleId); }
};

struct TLiveReturn {
  QString ErrorCode;
  TTasks Tasks;
  bool LockScreen = false;
  bool Success = false;
};

struct TLoginReturn_data {
  QString PlayUrl;
  std::int32_t TerminalId = 0;
  std::int32_t TerminalGroupId = 0;
  QString VideoUrl;
};

struct TLoginReturn {
  QString Message;
  QString ErrorCode;
  TLoginReturn_data Data;
  bool Success = false;
};

// Stateless; every operation parses the text by itself.
class TDecoderJsonData {
 public:
  // The text used as key for a text that is not JSON.
  static inline const QString NotJsonKey = QStringLiteral("Is Not O");

  QString GetKey(const QString& text) const;
  void DecodeLive(const QString& text, TLiveReturn& out) const;
  void DecodeLogin(const QString& text, TLoginReturn& out) const;
  void DecodeUpdate(const QString& text, TUpdateData& out) const;
};
