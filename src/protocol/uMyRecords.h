#pragma once
// Records through which the platform protocol talks to the rest of the terminal.

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct TTask;
// A decoded schedule's tasks, in message order. Tasks are shared: the task list and its
// current task may hold the same one.
using TTasks = std::vector<std::shared_ptr<TTask>>;

enum TMsgKind : std::uint8_t {
  mkTask = 0,
  mkOther = 2,
  mkLoginReply = 3,
  mkTaskEnd = 4,
  mkIdle = 5,
  mkNoticePreload = 7,
};

enum TContentType : std::uint8_t {
  ctNone = 0,
  ctDirectPlay = 1,
  ctPointPlay = 2,
  ctNotify = 3,
};

struct TATTACHMENT {
  QString FileName;
  QString FileType;
  QString Uri;

  bool operator==(const TATTACHMENT&) const = default;
};

struct TUpdateData {
  bool HasUpdate = false;
  QString Version;
  QString Url;
};

struct TServerMsg {
  std::int32_t ScheduleId = 0;
  bool Valid = false;
  TMsgKind Kind = mkTask;
  TContentType ContentType = ctNone;
  QString Url;
  QString Title;
  std::int32_t TerminalId = 0;
  std::int32_t TerminalGroupId = 0;
  bool LockScreen = false;
  QString VideoUrl;
  bool Success = false;
  QString ErrorCode;
  QString Message;
  TTasks Tasks;  // only in a decoded schedule message
  TATTACHMENT Attachment;
};
