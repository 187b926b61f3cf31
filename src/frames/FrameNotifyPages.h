#pragma once
// The notice page frame: two web views, one shown and one hidden. A notice announced ahead of
// time loads in the hidden one; when it starts, the two swap so the finished page shows at once.
// Any other notice loads in the shown view with the display size appended.

#include "frames/uFrameContext.h"
#include "frames/uMediaViews.h"
#include "protocol/uMyRecords.h"

#include <QObject>

#include <cstdint>
#include <functional>

struct TNotifyPageParts {
  IWebView& ViewA;  // shown at first
  IVisual& PanelA;
  IWebView& ViewB;  // hidden at first
  IVisual& PanelB;
};

class TFrameNotifyPage final : public QObject {
  Q_OBJECT

 public:
  TFrameNotifyPage(TNotifyPageParts parts, TFrameContext context, QObject* parent = nullptr);
  ~TFrameNotifyPage() override;

  void InitLayout();
  void SetPageSize(std::int32_t width, std::int32_t height);
  void PreloadNotice(const TServerMsg& msg);
  void ShowNotice(const TServerMsg& msg);
  void CancelPreload();
  void ResumeNotice() {}  // the page simply stays as it was
  void wbNotifyJsAlert(const QString& text);

  // The address loaded into the shown view for a notice that was not preloaded.
  static QString SizedUrl(const QString& url, std::int32_t width, std::int32_t height);

  std::function<void(const QString& text)> OnPageAlert;
  // Folder for notice attachments; nothing downloads into it.
  QString DocPath;

  // The shown and the hidden view and their panels; a swap exchanges the roles.
  IWebView& wbNotify() const { return *FWbNotify; }
  IWebView& wbNotifyPre() const { return *FWbNotifyPre; }
  IVisual& pnlCur() const { return *FPnlCur; }
  IVisual& pnlPre() const { return *FPnlPre; }
  std::int32_t PageWidth() const { return FPageWidth; }
  std::int32_t PageHeight() const { return FPageHeight; }
  const QString& PreloadedUrl() const { return FPreloadedUrl; }
  bool PreloadPending() const { return FPreloadPending; }

 private:
  TFrameContext FContext;
  IWebView* FWbNotify;
  IWebView* FWbNotifyPre;
  IVisual* FPnlCur;
  IVisual* FPnlPre;
  std::int32_t FPageWidth = 0;
  std::int32_t FPageHeight = 0;
  QString FPreloadedUrl;
  bool FPreloadPending = false;
};
