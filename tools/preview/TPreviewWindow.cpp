#include "TPreviewWindow.h"

#include <QElapsedTimer>

#include <cstdio>
#include <memory>

namespace {

using json = nlohmann::json;

std::string Utf8(const QString& text) { return text.toStdString(); }

// Time events come several times a second; one a second tells an integrator enough.
constexpr qint64 kTimeEventGapMs = 1000;

// The frame's own handler of an event stays: the preview reports first, then passes it on.
template <typename... A, typename F>
void Before(std::function<void(A...)>& event, F report) {
  event = [report = std::move(report), next = event](A... args) {
    report(args...);
    if (next) next(args...);
  };
}

TServerMsg Message(TContentType type, const QString& url) {
  TServerMsg msg;
  msg.Kind = mkTask;
  msg.ContentType = type;
  msg.Url = url;
  return msg;
}

}  // namespace

void EmitEvent(const json& event) {
  const std::string line = event.dump(-1, ' ', false, json::error_handler_t::replace) + '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

void TPreviewLog::LogHint(const QString& text) { EmitEvent({{"event", "log"}, {"text", Utf8(text)}}); }
void TPreviewLog::LogError(const QString& text) { EmitEvent({{"event", "log"}, {"text", Utf8(text)}}); }
// In the terminal the debug window also logs the line; here it is one event, not two.
void TPreviewLog::AddLog(const QString& text) { LogHint(text); }

TPreviewWindow::TPreviewWindow(const TPreviewOptions& options) {
  setWindowTitle(QStringLiteral("vireo-preview"));
  setFixedSize(options.Size);
  FParams.PlayUrl = options.PlayUrl;
  FParams.VideoUrl = options.VideoUrl;
  const TFrameContext context{FParams, FStatus, FLog, FLog};

  FLive = new TFrameDirectPlayerWidget(context, this);
  FPoint = new TFramePointPlayerWidget(context, this);
  FList = new TFramePointPlayPageWidget(FWebSDK, FLog, this);
  FNotice = new TFrameNotifyPageWidget(context, this);
  for (QWidget* frame : {static_cast<QWidget*>(FLive), static_cast<QWidget*>(FPoint), static_cast<QWidget*>(FList),
                         static_cast<QWidget*>(FNotice)})
    addWidget(frame);
  FNotice->Frame().SetPageSize(options.Size.width(), options.Size.height());

  FList->Frame().OnPlayRequest = [](const TServerMsg& msg) {
    EmitEvent({{"event", "playRequest"}, {"url", Utf8(msg.Url)}});
  };
  FList->Frame().OnPlayRequestFailed = [](const QString& text) {
    EmitEvent({{"event", "playRequestFailed"}, {"text", Utf8(text)}});
  };
  FNotice->Frame().OnPageAlert = [](const QString& text) {
    EmitEvent({{"event", "pageAlert"}, {"text", Utf8(text)}});
  };
  WatchVideo(FLive->ShowPlayer(), "live");
  WatchVideo(FPoint->ShowPlayer(), "point");
  WatchLoads(FLive->Chromium1(), [] { return "live"; });
  WatchLoads(FList->wbPointPlay(), [] { return "list"; });
  for (TWebView* view : {&FNotice->wbNotify(), &FNotice->wbNotifyPre()})
    WatchLoads(*view, [this, view] { return view == &FNotice->wbNotify() ? "notice" : "noticePre"; });
}

TPreviewWindow::~TPreviewWindow() {
  // Stop the players while everything they report to still exists.
  FStatus.Closing = true;
  FPoint->Frame().StopPlay();
  FLive->ShowPlayer().Stop();
}

void TPreviewWindow::WatchVideo(TVlcPlayerView& view, const char* name) {
  const auto report = [name](const char* kind, std::int64_t ms) {
    EmitEvent({{"event", "video"}, {"view", name}, {"kind", kind}, {"ms", ms}});
  };
  TVideoEvents& events = view.Events;
  Before(events.OnMediaPlayerEndReached, [report, &view] { report("end", view.GetVideoPosInMs()); });
  Before(events.OnMediaPlayerEncounteredError, [report, &view] { report("error", view.GetVideoPosInMs()); });
  Before(events.OnMediaPlayerLengthChanged, [report](std::int64_t ms) { report("length", ms); });
  // Shared: the view calls a copy of its handler, so state kept inside the handler would not last.
  Before(events.OnMediaPlayerTimeChanged, [report, last = std::make_shared<QElapsedTimer>()](std::int64_t ms) {
    if (last->isValid() && last->elapsed() < kTimeEventGapMs) return;
    last->start();
    report("time", ms);
  });
}

void TPreviewWindow::WatchLoads(TWebView& view, std::function<const char*()> name) {
  Before(view.Events.OnLoadEnd, [name = std::move(name)](const QString& url, bool) {
    EmitEvent({{"event", "loadEnd"}, {"view", name()}, {"url", Utf8(url)}});
  });
}

TWebView* TPreviewWindow::ShownWebView() {
  if (currentWidget() == FLive) return &FLive->Chromium1();
  if (currentWidget() == FList) return &FList->wbPointPlay();
  if (currentWidget() == FNotice) return &FNotice->wbNotify();
  return nullptr;
}

void TPreviewWindow::Run(const TPreviewCommand& command) {
  switch (command.Kind) {
    case TPreviewCommand::Live:
      FLive->Frame().ToDo(Message(ctDirectPlay, command.Argument));
      setCurrentWidget(FLive);
      break;
    case TPreviewCommand::StopLive:
      FLive->Frame().StopLive();
      break;
    case TPreviewCommand::Point:
      FPoint->Frame().PlayTask(Message(ctPointPlay, command.Argument));
      setCurrentWidget(FPoint);
      break;
    case TPreviewCommand::Loop:
      FParams.LoopPointPlay = command.Argument == u"on";
      break;
    case TPreviewCommand::List:
      FList->Frame().LoadListPage();
      setCurrentWidget(FList);
      break;
    case TPreviewCommand::Preload: {
      TServerMsg msg = Message(ctNotify, command.Argument);
      msg.Kind = mkNoticePreload;
      FNotice->Frame().PreloadNotice(msg);
      break;
    }
    case TPreviewCommand::Notice:
      FNotice->Frame().ShowNotice(Message(ctNotify, command.Argument));
      setCurrentWidget(FNotice);
      break;
    case TPreviewCommand::Cancel:
      FNotice->Frame().CancelPreload();
      break;
    case TPreviewCommand::Script:
      if (TWebView* view = ShownWebView()) {
        view->RunScript(command.Argument);
      } else {
        FLog.LogHint(QStringLiteral("script: the shown frame has no web view"));
      }
      break;
    case TPreviewCommand::Quit:
      break;  // the caller ends the program
  }
}
