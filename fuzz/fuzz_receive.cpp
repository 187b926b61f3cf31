// Everything a platform can send, fed through the receive path: the frame assembler with reads
// cut at arbitrary places, the decoder on each body, the task list and its clock.
//   cmake --preset fuzz && cmake --build --preset fuzz && build/fuzz/bin/fuzz-receive -max_total_time=60

#include "platform/uLogSink.h"
#include "protocol/uDecHeads.h"
#include "schedule/uReceive.h"
#include "schedule/uTaskList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  TNullLogSink log;
  TDecHead head(&log);
  TTaskList list;
  QString playUrl, noticeUrl;
  // The first byte chooses the read size, so the fuzzer also explores how frames straddle reads.
  const std::size_t chunk = 1 + data[0] % 64;
  for (std::size_t at = 1; at < size; at += chunk) {
    const std::size_t n = std::min(chunk, size - at);
    head.AddData(QByteArrayView(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(n)));
    while (head.CheckFrame()) {
      ReceiveMessage(head.Body(), playUrl, log, list);
      TServerMsg presented;
      RunTaskTick(list, presented, noticeUrl);
    }
  }
  return 0;
}
