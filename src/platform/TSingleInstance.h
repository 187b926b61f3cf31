#pragma once
// One instance per user and machine: an exclusive advisory lock on a file in the user's runtime
// directory, named after the instance name. The kernel releases it when the process ends, so a
// crashed instance never blocks the next start.

#include <QString>

class TSingleInstance {
 public:
  explicit TSingleInstance(const QString& name);
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // False when another process holds the lock.
  bool IsFirst() const { return FFirst; }
  QString LockPath() const { return FPath; }

 private:
  QString FPath;
  int FFd = -1;
  bool FFirst = false;
};
