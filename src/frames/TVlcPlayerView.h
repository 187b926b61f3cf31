#pragma once
// The video view: a black widget that plays one address at a time through libVLC.
//
// libVLC decodes into memory and the widget paints the latest frame itself, on every platform.
// It is never handed a window: without X11 a window id makes it fall back to text-art output on
// stdout (and crash), and on X11 a native child window breaks Qt 6.4's composition of the
// Qt WebEngine views that share the main window with the video (their pages stay stale or black).

#include "platform/uLogSink.h"
#include "frames/uMediaViews.h"

#include <QObject>
#include <QWidget>
#include <vlc/vlc.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVlcMediaList;

class TVlcPlayerView final : public QWidget, public IVideoView {
 public:
  // How the view reaches libVLC: replaceable so that an old or failing libVLC can be presented.
  struct TRuntime {
    std::function<const char*()> Version = libvlc_get_version;
    std::function<libvlc_instance_t*(int argc, const char* const* argv)> New = libvlc_new;
  };

  explicit TVlcPlayerView(ILogSink& log, QWidget* parent = nullptr);
  TVlcPlayerView(ILogSink& log, TRuntime runtime, QWidget* parent = nullptr);
  ~TVlcPlayerView() override;
  TVlcPlayerView(const TVlcPlayerView&) = delete;
  TVlcPlayerView& operator=(const TVlcPlayerView&) = delete;

  // Created on first use and kept until the view goes; nullptr when libVLC is unusable.
  libvlc_media_player_t* Player();
  libvlc_instance_t* Instance();

  void SetVisible(bool visible) override;
  bool IsVisible() const override;

  void PlayMedia(const QString& address) override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  bool IsPlaying() const override;
  void SetAudioMute(bool mute) override;
  std::int64_t GetVideoLenInMs() const override;
  std::int64_t GetVideoPosInMs() const override;

  // libVLC's start-up arguments for a libVLC version text such as "3.0.20 Vetinari"; empty when
  // that version is too old to use.
  static std::vector<std::string> InstanceArguments(const char* version);
  // The media options for an address: caching by its scheme, then the deinterlace options.
  static QStringList MediaOptions(const QString& address);
  // The options every media gets, play list items too.
  static QStringList DeinterlaceOptions();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  friend class TVlcMediaList;
  struct TFrames;

  // Media for an address: an existing local file by its path, anything else as a location.
  static libvlc_media_t* NewMedia(libvlc_instance_t* instance, const QString& address);

  bool EnsurePlayer();
  void WaitWhilePlaying();
  void ReleasePlayer();
  void Post(std::function<void()> call);
  // Queues raising one of the events with its arguments.
  template <typename... A>
  void PostEvent(std::function<void(A...)> TVideoEvents::*event, A... args);
  void FrameArrived();
  void LearnDisplaySize();

  static void OnVlcEvent(const libvlc_event_t* event, void* data);

  ILogSink& FLog;
  TRuntime FRuntime;
  enum class TState { NotTried, Ready, Unusable } FState = TState::NotTried;
  libvlc_instance_t* FInstance = nullptr;
  libvlc_media_player_t* FPlayer = nullptr;
  std::unique_ptr<TFrames> FFrames;  // the frames libVLC decodes into memory
  std::vector<TVlcMediaList*> FLists;  // lists playing through our player, stopped before it goes
  // Queued calls from libVLC's threads go through this object: when the view is destroyed it
  // goes too, and Qt drops whatever was still queued for it.
  QObject FRelay;
};
