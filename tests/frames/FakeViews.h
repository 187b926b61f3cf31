#pragma once
// Views that record what the frames ask of them and let a test raise their events.

#include "core/uDebugLog.h"
#include "frames/uMediaViews.h"

#include <QStringList>

class TFakeVisual : public IVisual {
 public:
  explicit TFakeVisual(bool visible = true) : Visible(visible) {}
  void SetVisible(bool visible) override { Visible = visible; }
  bool IsVisible() const override { return Visible; }
  bool Visible;
};

class TFakeVideoView final : public IVideoView {
 public:
  void SetVisible(bool visible) override { Visible = visible; }
  bool IsVisible() const override { return Visible; }
  void PlayMedia(const QString& address) override {
    Calls << "PlayMedia " + address;
    Playing = true;
  }
  void Pause() override { Calls << QStringLiteral("Pause"); }
  void Resume() override { Calls << QStringLiteral("Resume"); }
  void Stop() override {
    Calls << QStringLiteral("Stop");
    Playing = false;
  }
  bool IsPlaying() const override { return Playing; }
  void SetAudioMute(bool mute) override { Muted = mute; }
  std::int64_t GetVideoLenInMs() const override { return 0; }
  std::int64_t GetVideoPosInMs() const override { return PosMs; }

  bool Visible = true;
  bool Playing = false;
  std::int64_t PosMs = 0;
  std::optional<bool> Muted;
  QStringList Calls;
};

class TFakePlayList final : public IPlayList {
 public:
  void Clear() override { Items.clear(); }
  void Add(const QString& address) override { Items << address; }
  int Count() const override { return static_cast<int>(Items.size()); }
  void SetPlaybackMode(TPlaybackMode mode) override { Mode = mode; }
  void PlayItem(int index) override { Played << Items.value(index); }

  QStringList Items;
  std::optional<TPlaybackMode> Mode;
  QStringList Played;
};

class TFakeWebView final : public IWebView {
 public:
  void SetVisible(bool visible) override { Visible = visible; }
  bool IsVisible() const override { return Visible; }
  void LoadUrl(const QString& url) override { Loaded << url; }
  void RunScript(const QString& script) override { Scripts << script; }
  void SetFrameLoadScript(const QString& script) override { FrameLoadScript = script; }
  void SetBackgroundBlack() override { Black = true; }
  bool BrowserCreated() const override { return Created; }

  bool Visible = true;
  bool Created = true;
  bool Black = false;
  QStringList Loaded;
  QStringList Scripts;
  QString FrameLoadScript;
};

class TFakeDebugLog final : public IDebugLog {
 public:
  void AddLog(const QString& text) override { Lines << text; }
  QStringList Lines;
};
