#include "protocol/JsonDecoders.h"

#include "protocol/JsonReading.h"

#include <memory>

using namespace JsonReading;

namespace {

// The first of the named members whose text is not empty; a null member reads as "null" and so
// ends the search.
QString FirstNonEmpty(const json* object, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    QString text = Text(Member(object, name));
    if (!text.isEmpty()) return text;
  }
  return {};
}

std::shared_ptr<TTask> ReadTask(const json& element) {
  auto task = std::make_shared<TTask>();
  task->EndTime = Integer(Member(Member(&element, "endTime"), "time"));
  task->SendTime = Integer(Member(Member(&element, "sendTime"), "time"));
  task->StartTime = Integer(Member(Member(&element, "startTime"), "time"));
  task->TaskType = static_cast<std::int32_t>(Integer(Member(&element, "type")));
  task->ScheduleId = static_cast<std::int32_t>(Integer(Member(&element, "scheduleId")));
  task->Message = Text(Member(&element, "message"));
  task->ErrorCode = Text(Member(&element, "errorCode"));

  const json* data = Member(&element, "data");
  switch (task->TaskType) {
    case ttDirectPlay:
      task->Data.DirectPlayUrl = FirstNonEmpty(data, {"RTMP", "RTSP", "HLS"});
      break;
    case ttPointPlay:
      task->Data.PointPlayUrl = FirstNonEmpty(data, {"RTMP", "RTMP_H", "RTMP_SH"});
      break;
    case ttNotify: {
      task->Data.Content = Text(Member(data, "CONTENT"));
      const json* attachments = Array(data, "ATTACHMENT");
      if (attachments != nullptr && !attachments->empty()) {
        const json& first = attachments->front();
        task->Data.Attachment.Uri = Text(Member(&first, "uri"));
        task->Data.Attachment.FileName = Text(Member(&first, "fileName"));
        task->Data.Attachment.FileType = Text(Member(&first, "fileType"));
      }
      break;
    }
    default:
      break;
  }
  return task;
}

}  // namespace

QString TDecoderJsonData::GetKey(const QString& text) const {
  const std::optional<json> root = Parse(text);
  if (!root) return NotJsonKey;
  return Text(Member(&*root, "key"));
}

void TDecoderJsonData::DecodeLive(const QString& text, TLiveReturn& out) const {
  out.Success = false;
  const std::optional<json> root = Parse(text);
  if (!root) return;
  const json* data = Member(&*root, "data");
  if (data == nullptr) return;
  out.LockScreen = Boolean(Member(data, "lockscreen"));
  const json* tasks = Array(data, "tasks");
  if (tasks == nullptr) return;
  out.Tasks.clear();
  out.Tasks.reserve(tasks->size());
  for (const json& element : *tasks) out.Tasks.push_back(ReadTask(element));
  out.ErrorCode = Text(Member(&*root, "errorCode"));
  out.Success = Boolean(Member(&*root, "success"));
}

void TDecoderJsonData::DecodeLogin(const QString& text, TLoginReturn& out) const {
  out.Success = false;
  const std::optional<json> root = Parse(text);
  if (!root) return;
  out.Success = Boolean(Member(&*root, "success"));
  out.Message = Text(Member(&*root, "message"));
  const json* data = Member(&*root, "data");
  if (data == nullptr) return;
  out.Data.TerminalId = static_cast<std::int32_t>(Integer(Member(data, "terminalId")));
  out.Data.TerminalGroupId = static_cast<std::int32_t>(Integer(Member(data, "terminalGroupId")));
  out.Data.VideoUrl = Text(Member(data, "videoUrl"));
  out.ErrorCode = Text(Member(&*root, "errorCode"));
  out.Data.PlayUrl = Text(Member(data, "playUrl"));
}

void TDecoderJsonData::DecodeUpdate(const QString& text, TUpdateData& out) const {
  out.HasUpdate = false;
  const std::optional<json> root = Parse(text);
  if (!root || !root->is_object()) return;
  const json* data = Member(&*root, "data");
  if (data == nullptr) return;
  const json* update = Member(data, "update");
  out.HasUpdate = update != nullptr;
  if (update == nullptr) return;
  out.Version = Text(Member(update, "version"));
  out.Url = Text(Member(update, "url"));
}
