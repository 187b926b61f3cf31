#include "frames/FrameNotifyPages.h"

#include <utility>

TFrameNotifyPage::TFrameNotifyPage(TNotifyPageParts parts, TFrameContext context, QObject* parent)
    : QObject(parent),
      FContext(context),
      FWbNotify(&parts.ViewA),
      FWbNotifyPre(&parts.ViewB),
      FPnlCur(&parts.PanelA),
      FPnlPre(&parts.PanelB) {
  // Alerts of either view, the hidden one too while it preloads.
  const auto alert = [this](const QString& text) { wbNotifyJsAlert(text); };
  parts.ViewA.Events.OnJsAlert = alert;
  parts.ViewB.Events.OnJsAlert = alert;
}

void TFrameNotifyPage::InitLayout() {
  FPreloadPending = false;
  FPnlPre->SetVisible(false);
}

void TFrameNotifyPage::SetPageSize(std::int32_t width, std::int32_t height) {
  FPageWidth = width;
  FPageHeight = height;
}

QString TFrameNotifyPage::SizedUrl(const QString& url, std::int32_t width, std::int32_t height) {
  const QString format = url.contains(u'?') ? QStringLiteral("&w=%1&h=%2") : QStringLiteral("?w=%1&h=%2");
  return url + format.arg(width).arg(height);
}

void TFrameNotifyPage::PreloadNotice(const TServerMsg& msg) {
  FContext.Log.LogHint(QStringLiteral("******预加载公告 -》") + msg.Url);
  FPreloadPending = true;
  FPreloadedUrl = msg.Url;
  FWbNotifyPre->LoadUrl(msg.Url);
}

void TFrameNotifyPage::ShowNotice(const TServerMsg& msg) {
  if (FContext.AppStatus.Closing) return;
  FContext.Log.LogHint(QStringLiteral("******开始公告任务 -》") + msg.Url);
  if (FPreloadPending && msg.Url == FPreloadedUrl) {
    std::swap(FWbNotify, FWbNotifyPre);
    std::swap(FPnlCur, FPnlPre);
    FPnlPre->SetVisible(false);
    FPnlCur->SetVisible(true);
  } else {
    FWbNotify->LoadUrl(SizedUrl(msg.Url, FPageWidth, FPageHeight));
  }
  FPreloadPending = false;
}

void TFrameNotifyPage::CancelPreload() { FPreloadPending = false; }

void TFrameNotifyPage::wbNotifyJsAlert(const QString& text) {
  if (OnPageAlert) OnPageAlert(text);
}

// The views may outlive the frame by a moment; they must not call into it then.
TFrameNotifyPage::~TFrameNotifyPage() {
  FWbNotify->Events.OnJsAlert = nullptr;
  FWbNotifyPre->Events.OnJsAlert = nullptr;
}
