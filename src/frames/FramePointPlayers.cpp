#include "frames/FramePointPlayers.h"

#include "frames/uUtils.h"

#include <limits>

namespace {

// The progress bar counts in 32-bit milliseconds; a longer media pins it at its end.
std::int32_t ProgressMs(std::int64_t ms) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

TFramePointPlayer::TFramePointPlayer(TPointPlayerParts parts, TFrameContext context, QObject* parent)
    : QObject(parent), FParts(parts), FContext(context) {
  FParts.ShowPlayer.Events.OnMediaPlayerEncounteredError = [this] { ShowPlayerMediaPlayerEncounteredError(); };
  FParts.ShowPlayer.Events.OnMediaPlayerLengthChanged = [this](std::int64_t ms) {
    ShowPlayerMediaPlayerLengthChanged(ms);
  };
  FParts.ShowPlayer.Events.OnMediaPlayerTimeChanged = [this](std::int64_t ms) { ShowPlayerMediaPlayerTimeChanged(ms); };
}

void TFramePointPlayer::PlayTask(const TServerMsg& msg) {
  if (FContext.AppStatus.Closing) return;
  FParts.pnlErrorVideo.SetVisible(false);
  FParts.ShowPlayer.SetVisible(true);
  FParts.PlayList.Clear();
  FParts.PlayList.Add(msg.Url);
  FParts.PlayList.SetPlaybackMode(FContext.IniParams.LoopPointPlay ? IPlayList::TPlaybackMode::Loop
                                                                   : IPlayList::TPlaybackMode::Default);
  FParts.PlayList.PlayItem(0);
}

void TFramePointPlayer::PausePlay() { FParts.ShowPlayer.Pause(); }

void TFramePointPlayer::StopPlay() { FParts.ShowPlayer.Stop(); }

void TFramePointPlayer::ShowPlayerMediaPlayerEncounteredError() {
  FParts.pnlErrorVideo.SetVisible(true);
  FParts.ShowPlayer.SetVisible(false);
}

void TFramePointPlayer::ShowPlayerMediaPlayerLengthChanged(std::int64_t ms) {
  FParts.Panel5.SetNowTime(FormatMs(0, kTimePattern));
  FParts.Panel5.SetDuration(FormatMs(ms, kTimePattern));
  FParts.Panel5.SetProgressMax(ProgressMs(ms));
  FParts.Panel5.SetProgressValue(0);
}

void TFramePointPlayer::ShowPlayerMediaPlayerTimeChanged(std::int64_t ms) {
  FParts.Panel5.SetNowTime(FormatMs(ms, kTimePattern));
  FParts.Panel5.SetProgressValue(ProgressMs(ms));
}

// The views may outlive the frame by a moment; they must not call into it then.
TFramePointPlayer::~TFramePointPlayer() {
  FParts.ShowPlayer.Events.OnMediaPlayerEncounteredError = nullptr;
  FParts.ShowPlayer.Events.OnMediaPlayerLengthChanged = nullptr;
  FParts.ShowPlayer.Events.OnMediaPlayerTimeChanged = nullptr;
}
