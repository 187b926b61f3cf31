// Throughput of the receive path and cost per message of decoding and encoding.
//   build/bin/vireo-bench --benchmark_counters_tabular=true

#include "platform/uLogSink.h"
#include "protocol/JsonEncoders.h"
#include "protocol/uDecHeads.h"
#include "protocol/uDecoderDatas.h"

#include <benchmark/benchmark.h>

#include <QtEndian>

#include <cstring>

namespace {

constexpr qsizetype kStreamBytes = 64 * 1024 * 1024;
constexpr qsizetype kFrameBytes = 1024;
constexpr qsizetype kReadBytes = 1460;  // one TCP segment per read

// 64 MiB of 1 KiB frames; the body is JSON-like text, optionally with Chinese in it.
QByteArray Stream(bool chinese) {
  QByteArray body;
  const QByteArray filler = chinese ? QString::fromUtf16(u"\"message\":\"今天第三节课播放通知\",").toUtf8()
                                    : QByteArray("\"url\":\"rtmp://media.campus.local/live/room101\",");
  while (body.size() < kFrameBytes - 16) body += filler;
  body.truncate(kFrameBytes - 16);
  QByteArray header(16, '\0');
  header[0] = '\xFF';
  header[1] = '\x04';
  qToLittleEndian<std::int32_t>(static_cast<std::int32_t>(body.size()), header.data() + 4);
  header[14] = '\xFF';
  header[15] = '\x05';
  // A cut multi-byte character would empty the body; keep whole characters only.
  while (!body.isEmpty() && (static_cast<unsigned char>(body.back()) & 0xC0) == 0x80) body.chop(1);
  if (!body.isEmpty() && static_cast<unsigned char>(body.back()) >= 0xC0) body.chop(1);
  body = body.leftJustified(kFrameBytes - 16, ' ');
  const QByteArray frame = header + body;
  QByteArray stream;
  stream.reserve(kStreamBytes);
  while (stream.size() < kStreamBytes) stream += frame;
  return stream;
}

void BM_Memcpy(benchmark::State& state) {
  const QByteArray stream = Stream(false);
  QByteArray target(kReadBytes, '\0');
  for (auto _ : state) {
    for (qsizetype at = 0; at < stream.size(); at += kReadBytes) {
      const qsizetype n = std::min(kReadBytes, stream.size() - at);
      std::memcpy(target.data(), stream.constData() + at, static_cast<size_t>(n));
      benchmark::DoNotOptimize(target.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * stream.size());
}

// Arg 0: convert each body (0/1); arg 1: bodies hold Chinese text (0/1).
void BM_FrameAssembly(benchmark::State& state) {
  const bool convert = state.range(0) != 0;
  const QByteArray stream = Stream(state.range(1) != 0);
  std::int64_t frames = 0;
  for (auto _ : state) {
    TDecHead head;
    for (qsizetype at = 0; at < stream.size(); at += kReadBytes) {
      head.AddData(QByteArrayView(stream.constData() + at, std::min(kReadBytes, stream.size() - at)));
      while (head.CheckFrame()) {
        ++frames;
        if (convert) benchmark::DoNotOptimize(head.Body().size());
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * stream.size());
  state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

const char* const kSchedule = R"({"key":"002","success":true,"errorCode":"000","message":"","data":{"lockscreen":false,"tasks":[
{"scheduleId":1201,"type":0,"message":"","errorCode":"","startTime":{"time":1765360800000},"endTime":{"time":1765363500000},"sendTime":{"time":1765360795000},
 "data":{"RTMP":"rtmp://media.campus.local/live/room101","RTSP":"","HLS":""}},
{"scheduleId":1202,"type":2,"message":"","errorCode":"","startTime":{"time":1765363800000},"endTime":{"time":1765364400000},"sendTime":{"time":1765360795000},
 "data":{"CONTENT":"http://media.campus.local/notice/88.html","ATTACHMENT":[{"uri":"http://media.campus.local/f/88.pdf","fileName":"88.pdf","fileType":"pdf"}]}}]}})";

void BM_DecodeSchedule(benchmark::State& state) {
  TNullLogSink log;
  QString playUrl;
  const QString text = QString::fromUtf8(kSchedule);
  for (auto _ : state) {
    TServerMsg msg;
    TDataDecoder(playUrl, log).Decode(text, msg);
    benchmark::DoNotOptimize(msg.Tasks.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EncodeHeartbeat(benchmark::State& state) {
  TLiveData live;
  live.Data = {"media.campus.local", 101, 7};
  TEncoderJsonData encoder;
  for (auto _ : state) {
    QString text = encoder.EncodeLive(live);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameAssembly)->ArgNames({"convert", "chinese"})->Args({0, 0})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeSchedule)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeHeartbeat)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
