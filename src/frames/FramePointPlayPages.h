#pragma once
// The on-demand list page frame: shows the platform's list page and turns the viewer's choice,
// which the page reports through alert() as JSON, into a play request for the main window.

#include "platform/uLogSink.h"
#include "frames/uMediaViews.h"
#include "frames/uWebSDK.h"
#include "protocol/uMyRecords.h"

#include <QObject>

#include <functional>

class TFramePointPlayPage final : public QObject {
  Q_OBJECT

 public:
  TFramePointPlayPage(IWebView& wbPointPlay, const TWebSDK& webSdk, ILogSink& log, QObject* parent = nullptr);
  ~TFramePointPlayPage() override;

  void LoadListPage();
  void wbPointPlayJsAlert(const QString& text);

  // The stream address of an alert text: "data"."RTMP", else "RTMP_H", else "RTMP_SH"; empty
  // when the text is not JSON or has no "data".
  static QString ExtractPlayUrl(const QString& text);

  std::function<void(const TServerMsg& msg)> OnPlayRequest;
  // Raised with the alert text when it names no address, and only while OnPlayRequest is set.
  std::function<void(const QString& text)> OnPlayRequestFailed;

 private:
  IWebView& FWbPointPlay;
  const TWebSDK& FWebSDK;
  ILogSink& FLog;
};
