#include "schedule/uReceive.h"

#include "protocol/uDecoderDatas.h"

TReceivedMsg ReceiveMessage(const QString& body, QString& playUrl, ILogSink& log, TTaskList& list) {
  TReceivedMsg received;
  TDataDecoder decoder(playUrl, log);
  decoder.Decode(body, received.Msg);
  if (!received.Msg.Valid) return received;
  if (received.Msg.Kind == mkTask) list.ReplaceTasks(received.Msg.Tasks);
  decoder.DecodeUpdate(body, received.Update);
  return received;
}
