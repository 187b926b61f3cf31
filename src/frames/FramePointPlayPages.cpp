#include "frames/FramePointPlayPages.h"

#include "protocol/JsonReading.h"

TFramePointPlayPage::TFramePointPlayPage(IWebView& wbPointPlay, const TWebSDK& webSdk, ILogSink& log,
                                         QObject* parent)
    : QObject(parent), FWbPointPlay(wbPointPlay), FWebSDK(webSdk), FLog(log) {
  FWbPointPlay.Events.OnJsAlert = [this](const QString& text) { wbPointPlayJsAlert(text); };
}

void TFramePointPlayPage::LoadListPage() {
  const QString address = FWebSDK.GetPointPlayUrl();
  // Without a browser yet there is nowhere to load; the next call tries again.
  if (FWbPointPlay.BrowserCreated()) FWbPointPlay.LoadUrl(address);
}

QString TFramePointPlayPage::ExtractPlayUrl(const QString& text) {
  const auto value = JsonReading::Parse(text);
  if (!value) return {};
  const JsonReading::json* data = JsonReading::Member(&*value, "data");
  if (!data) return {};
  for (const char* name : {"RTMP", "RTMP_H", "RTMP_SH"}) {
    const QString address = JsonReading::Text(JsonReading::Member(data, name));
    if (!address.isEmpty()) return address;
  }
  return {};
}

void TFramePointPlayPage::wbPointPlayJsAlert(const QString& text) {
  // The web view has already suppressed the dialog, whatever the text.
  FLog.LogHint(QStringLiteral("点击点播列表回传参数 -》") + text);
  if (!OnPlayRequest) return;
  const QString address = ExtractPlayUrl(text);
  if (!address.isEmpty()) {
    TServerMsg request;
    request.Kind = mkTask;
    request.ContentType = ctPointPlay;
    request.Url = address;
    OnPlayRequest(request);
  } else if (OnPlayRequestFailed) {
    OnPlayRequestFailed(text);
  }
}

// The views may outlive the frame by a moment; they must not call into it then.
TFramePointPlayPage::~TFramePointPlayPage() {
  FWbPointPlay.Events.OnJsAlert = nullptr;
}
