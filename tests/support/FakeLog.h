#pragma once
// A log that keeps its entries, for asserting what a component reported.

#include "platform/uLogSink.h"

#include <QString>
#include <QStringList>

class TFakeLog final : public ILogSink {
 public:
  void LogHint(const QString& text) override { Hints << text; }
  void LogError(const QString& text) override { Errors << text; }

  QStringList Hints;
  QStringList Errors;
};
