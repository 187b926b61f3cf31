#pragma once
// What the frames need of their views, and nothing more: the real adapters (libVLC, Qt
// WebEngine, widgets) implement these, and the frame tests implement them with fakes.
// Every call and every event happens on the GUI thread.

#include <QString>

#include <cstdint>
#include <functional>

// A component that the frames show and hide.
class IVisual {
 public:
  virtual ~IVisual() = default;
  virtual void SetVisible(bool visible) = 0;
  // The component's own flag, as set by SetVisible (not whether its window is on screen).
  virtual bool IsVisible() const = 0;
};

// Events of a video view, each raised later on the GUI thread, in the order the engine raised
// them. An unassigned event is not raised.
struct TVideoEvents {
  std::function<void()> OnMediaPlayerEndReached;
  std::function<void()> OnMediaPlayerEncounteredError;
  std::function<void(std::int64_t ms)> OnMediaPlayerTimeChanged;
  std::function<void(std::int64_t ms)> OnMediaPlayerLengthChanged;
};

class IVideoView : public IVisual {
 public:
  // Stops what plays (waiting a bounded time), then opens and plays the address: an existing
  // local file as a path, anything else as a location.
  virtual void PlayMedia(const QString& address) = 0;
  virtual void Pause() = 0;   // only while playing
  virtual void Resume() = 0;  // only while paused
  virtual void Stop() = 0;    // stops and waits (bounded) until it no longer plays
  virtual bool IsPlaying() const = 0;
  virtual void SetAudioMute(bool mute) = 0;  // nothing before the first playback
  virtual std::int64_t GetVideoLenInMs() const = 0;  // 0 without a player
  virtual std::int64_t GetVideoPosInMs() const = 0;  // 0 without a player

  TVideoEvents Events;
};

// A one-list player bound to one video view.
class IPlayList {
 public:
  enum class TPlaybackMode { Default, Loop };

  virtual ~IPlayList() = default;
  virtual void Clear() = 0;
  virtual void Add(const QString& address) = 0;
  virtual int Count() const = 0;
  virtual void SetPlaybackMode(TPlaybackMode mode) = 0;
  virtual void PlayItem(int index) = 0;  // on the bound video view
};

// Events of a web view, raised on the GUI thread.
struct TWebEvents {
  // A page (any frame) called alert(): the dialog is never shown; the handler gets the text.
  std::function<void(const QString& text)> OnJsAlert;
  // The main frame finished loading an address (ok false when the load failed).
  std::function<void(const QString& url, bool ok)> OnLoadEnd;
};

class IWebView : public IVisual {
 public:
  virtual void LoadUrl(const QString& url) = 0;    // into the main frame
  virtual void RunScript(const QString& script) = 0;  // in the main frame, result ignored
  // A script that runs in every frame of every page (sub-frames too) once it has loaded.
  virtual void SetFrameLoadScript(const QString& script) = 0;
  virtual void SetBackgroundBlack() = 0;  // shown before and between pages
  virtual bool BrowserCreated() const = 0;

  TWebEvents Events;
};

// The on-demand player's bottom bar: two time labels and a progress bar.
class IPlayerBar {
 public:
  virtual ~IPlayerBar() = default;
  virtual void SetNowTime(const QString& text) = 0;  // lbNowTime
  virtual void SetDuration(const QString& text) = 0; // lbDuration
  virtual void SetProgressMax(std::int32_t max) = 0; // pbPlayer
  virtual void SetProgressValue(std::int32_t value) = 0;
};
