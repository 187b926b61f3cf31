#pragma once
// The preview window: the terminal's four frames in one stack, driven by commands, reporting
// everything the frames do as JSON lines on stdout.

#include "TPreviewCommand.h"
#include "core/uAppStatus.h"
#include "core/uDebugLog.h"
#include "core/uIniParams.h"
#include "platform/uLogSink.h"
#include "frames/FrameWidgets.h"
#include "frames/uWebSDK.h"

#include <nlohmann/json.hpp>

#include <QStackedWidget>

// Every log and debug-window line of the frames becomes a "log" event.
class TPreviewLog final : public ILogSink, public IDebugLog {
 public:
  void LogHint(const QString& text) override;
  void LogError(const QString& text) override;
  void AddLog(const QString& text) override;
};

// One JSON object on a line of stdout, flushed at once.
void EmitEvent(const nlohmann::json& event);

class TPreviewWindow final : public QStackedWidget {
 public:
  explicit TPreviewWindow(const TPreviewOptions& options);
  ~TPreviewWindow() override;

  void Run(const TPreviewCommand& command);

 private:
  void WatchVideo(TVlcPlayerView& view, const char* name);
  void WatchLoads(TWebView& view, std::function<const char*()> name);
  TWebView* ShownWebView();

  TIniParams FParams;
  TAppStatus FStatus;
  TPreviewLog FLog;
  TWebSDK FWebSDK{FParams};
  TFrameDirectPlayerWidget* FLive;
  TFramePointPlayerWidget* FPoint;
  TFramePointPlayPageWidget* FList;
  TFrameNotifyPageWidget* FNotice;
};
