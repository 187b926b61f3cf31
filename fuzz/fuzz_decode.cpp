// One message body, as text, through the decoder and the task clock.

#include "platform/uLogSink.h"
#include "protocol/uDecHeads.h"
#include "protocol/uDecoderDatas.h"
#include "schedule/uTaskList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TNullLogSink log;
  QString playUrl, noticeUrl;
  const QString text = TDecHead::ConvertBody(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  TDataDecoder decoder(playUrl, log);
  TServerMsg msg;
  decoder.Decode(text, msg);
  TUpdateData update;
  decoder.DecodeUpdate(text, update);
  TTaskList list;
  list.ReplaceTasks(msg.Tasks);
  for (int tick = 0; tick < 4; ++tick) {
    TServerMsg presented;
    RunTaskTick(list, presented, noticeUrl);
  }
  return 0;
}
