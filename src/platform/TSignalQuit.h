#pragma once
// Turns SIGTERM and SIGINT into a normal end of the Qt event loop.

#include <QObject>

class QSocketNotifier;

class TSignalQuit final : public QObject {
 public:
  TSignalQuit();
  ~TSignalQuit() override;

 private:
  QSocketNotifier* FNotifier = nullptr;
};
