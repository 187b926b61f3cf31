#pragma once
// A libVLC play list that plays through one video view's player, so the view's events report
// on its items too.

#include "platform/uLogSink.h"
#include "frames/uMediaViews.h"

#include <vlc/vlc.h>

class TVlcPlayerView;

class TVlcMediaList final : public IPlayList {
 public:
  TVlcMediaList(TVlcPlayerView& player, ILogSink& log);
  ~TVlcMediaList() override;
  TVlcMediaList(const TVlcMediaList&) = delete;
  TVlcMediaList& operator=(const TVlcMediaList&) = delete;

  void Clear() override;
  void Add(const QString& address) override;
  int Count() const override;
  void SetPlaybackMode(TPlaybackMode mode) override;
  void PlayItem(int index) override;

 private:
  friend class TVlcPlayerView;

  bool EnsureList();
  void Release();
  // The view is going: stop using its player for good.
  void Unbind();

  TVlcPlayerView* FView;
  ILogSink& FLog;
  libvlc_media_list_t* FList = nullptr;
  libvlc_media_list_player_t* FListPlayer = nullptr;
};
