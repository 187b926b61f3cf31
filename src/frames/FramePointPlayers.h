#pragma once
// The on-demand player frame: plays one address through a one-item play list, looping when the
// settings ask for it, and shows an error picture when the stream cannot be played.

#include "frames/uFrameContext.h"
#include "frames/uMediaViews.h"
#include "protocol/uMyRecords.h"

#include <QObject>

struct TPointPlayerParts {
  IVideoView& ShowPlayer;
  IPlayList& PlayList;
  IVisual& pnlErrorVideo;
  IPlayerBar& Panel5;
};

class TFramePointPlayer final : public QObject {
  Q_OBJECT

 public:
  // The view's end-of-media event is left to the main window.
  TFramePointPlayer(TPointPlayerParts parts, TFrameContext context, QObject* parent = nullptr);
  ~TFramePointPlayer() override;

  void PlayTask(const TServerMsg& msg);
  void PausePlay();
  void StopPlay();

  void ShowPlayerMediaPlayerEncounteredError();
  void ShowPlayerMediaPlayerLengthChanged(std::int64_t ms);
  void ShowPlayerMediaPlayerTimeChanged(std::int64_t ms);

  static inline const QString kTimePattern = QStringLiteral("hh:mm:ss");

 private:
  TPointPlayerParts FParts;
  TFrameContext FContext;
};
