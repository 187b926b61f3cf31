#pragma once
// What a component needs of the log: the two kinds of entry. The file log implements it;
// tests and tools plug in their own.

#include <QString>

class ILogSink {
 public:
  virtual ~ILogSink() = default;
  virtual void LogHint(const QString& text) = 0;
  virtual void LogError(const QString& text) = 0;
};

// Drops every entry; for tools that have no log file.
class TNullLogSink final : public ILogSink {
 public:
  void LogHint(const QString&) override {}
  void LogError(const QString&) override {}
};
