#include "protocol/uDecoderDatas.h"

#include "protocol/uTimeStamps.h"

TDataDecoder::TDataDecoder(QString& playUrl, ILogSink& log) : FPlayUrl(playUrl), FLog(log) {}

void TDataDecoder::Decode(const QString& text, TServerMsg& out) {
  out = TServerMsg{};
  out.Kind = mkOther;
  const QString key = FJson.GetKey(text);
  out.Valid = true;

  if (key == QLatin1String("002")) {
    TLiveReturn live;
    FJson.DecodeLive(text, live);
    if (!live.Success) return;
    out.Kind = mkTask;
    out.LockScreen = live.LockScreen;
    out.Tasks = std::move(live.Tasks);
    if (out.Tasks.empty())
      out.LockScreen = false;
    else
      out.Valid = StampDiff(out.Tasks.front()->StartTime, out.Tasks.front()->SendTime) < kApplyWithinMs;
  } else if (key == QLatin1String("001")) {
    TLoginReturn login;
    FJson.DecodeLogin(text, login);
    out.Kind = mkLoginReply;
    FPlayUrl = login.Data.PlayUrl;
    FLog.LogHint(QStringLiteral("收到平台播放页面 ") + login.Data.PlayUrl);
    out.TerminalId = login.Data.TerminalId;
    out.TerminalGroupId = login.Data.TerminalGroupId;
    out.VideoUrl = login.Data.VideoUrl;
    out.Success = login.Success;
    out.ErrorCode = login.ErrorCode;
    out.Message = login.Message;
  } else if (key == TDecoderJsonData::NotJsonKey) {
    out.Valid = false;
  }
}

void TDataDecoder::DecodeUpdate(const QString& text, TUpdateData& out) const {
  out = TUpdateData{};
  FJson.DecodeUpdate(text, out);
}
