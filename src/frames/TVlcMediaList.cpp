#include "frames/TVlcMediaList.h"

#include "frames/TVlcPlayerView.h"

#include <algorithm>

TVlcMediaList::TVlcMediaList(TVlcPlayerView& player, ILogSink& log) : FView(&player), FLog(log) {
  FView->FLists.push_back(this);
}

TVlcMediaList::~TVlcMediaList() {
  if (FView != nullptr) std::erase(FView->FLists, this);
  Release();
}

void TVlcMediaList::Unbind() {
  Release();
  FView = nullptr;
}

bool TVlcMediaList::EnsureList() {
  if (FList != nullptr) return true;
  if (FView == nullptr) return false;
  libvlc_instance_t* instance = FView->Instance();
  if (instance == nullptr) return false;
  FList = libvlc_media_list_new(instance);
  FListPlayer = FList != nullptr ? libvlc_media_list_player_new(instance) : nullptr;
  if (FListPlayer == nullptr) {
    Release();
    FLog.LogError(QStringLiteral("libVLC could not create a play list"));
    return false;
  }
  libvlc_media_list_player_set_media_list(FListPlayer, FList);
  return true;
}

void TVlcMediaList::Release() {
  if (FListPlayer != nullptr) {
    libvlc_media_list_player_stop(FListPlayer);
    libvlc_media_list_player_release(FListPlayer);
    FListPlayer = nullptr;
  }
  if (FList != nullptr) {
    libvlc_media_list_release(FList);
    FList = nullptr;
  }
}

void TVlcMediaList::Clear() {
  if (!EnsureList()) return;
  libvlc_media_list_lock(FList);
  for (int i = libvlc_media_list_count(FList) - 1; i >= 0; --i) libvlc_media_list_remove_index(FList, i);
  libvlc_media_list_unlock(FList);
}

void TVlcMediaList::Add(const QString& address) {
  if (!EnsureList()) return;
  libvlc_media_t* media = TVlcPlayerView::NewMedia(FView->Instance(), address);
  if (media == nullptr) {
    FLog.LogError(QStringLiteral("libVLC cannot open the address %1").arg(address));
    return;
  }
  // Items play from start to end, so none of the live stream caching applies.
  for (const QString& option : TVlcPlayerView::DeinterlaceOptions())
    libvlc_media_add_option(media, option.toUtf8().constData());
  libvlc_media_list_lock(FList);
  libvlc_media_list_add_media(FList, media);
  libvlc_media_list_unlock(FList);
  libvlc_media_release(media);
}

int TVlcMediaList::Count() const {
  if (FList == nullptr) return 0;
  libvlc_media_list_lock(FList);
  const int count = libvlc_media_list_count(FList);
  libvlc_media_list_unlock(FList);
  return count;
}

void TVlcMediaList::SetPlaybackMode(TPlaybackMode mode) {
  if (!EnsureList()) return;
  libvlc_media_list_player_set_playback_mode(
      FListPlayer, mode == TPlaybackMode::Loop ? libvlc_playback_mode_loop : libvlc_playback_mode_default);
}

void TVlcMediaList::PlayItem(int index) {
  if (!EnsureList()) return;
  libvlc_media_list_player_set_media_player(FListPlayer, FView->Player());
  if (libvlc_media_list_player_play_item_at_index(FListPlayer, index) != 0)
    FLog.LogHint(QStringLiteral("The play list has no item %1 to play").arg(index));
}
