#pragma once
// What the frames and windows need of the debug window: a line on its simple page, which also
// goes to the log as a hint.

#include <QString>

class IDebugLog {
 public:
  virtual ~IDebugLog() = default;
  virtual void AddLog(const QString& text) = 0;
};
