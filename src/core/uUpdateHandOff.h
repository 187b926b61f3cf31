#pragma once
// Hands an update offer over to the separate updater program: at most one per run, written to
// "Update.ini" beside the executable, then the updater started from there.

#include "platform/uLogSink.h"
#include "protocol/uMyRecords.h"

#include <QString>

class TUpdateHandOff {
 public:
  TUpdateHandOff(QString appDir, ILogSink& log);

  bool UpdateAllowed() const { return FUpdateAllowed; }
  const TUpdateData& UpdateData() const { return FUpdateData; }

  // True when the offer is accepted: it carries an update of a version that isNew says is new,
  // and none was accepted before in this run. Later offers are then ignored.
  bool Accept(const TUpdateData& offer, bool isNew);

  // Writes [update] url and version to "Update.ini" and starts the updater detached. A failed
  // write is logged and the updater is not started; a missing updater is not an error.
  void RunUpdater(const TUpdateData& data);

  static QString UpdaterName();

 private:
  QString FAppDir;
  ILogSink& FLog;
  bool FUpdateAllowed = true;
  TUpdateData FUpdateData;
};
