#pragma once
// The controller and the message boxes as the windows see them, recording what they were asked.

#include "core/uIniParams.h"
#include "core/uWindowPorts.h"
#include "ui/uSkinControls.h"

#include <QStringList>

#include <vector>

class TFakeControl final : public IConnectionControl {
 public:
  explicit TFakeControl(const TIniParams& params) : FParams(params) {}

  void SaveSettings() override {
    Calls << QStringLiteral("SaveSettings");
    Saved.push_back(FParams);
  }
  void ConnectTo(const QString& host, int port) override {
    Calls << QStringLiteral("ConnectTo %1:%2").arg(host).arg(port);
  }
  void StopTasks() override { Calls << QStringLiteral("StopTasks"); }
  void Relogin() override { Calls << QStringLiteral("Relogin"); }

  QStringList Calls;
  std::vector<TIniParams> Saved;  // the settings as each save found them

 private:
  const TIniParams& FParams;
};

class TFakeMessages final : public IMessageBoxes {
 public:
  void ShowMessage(QWidget*, const QString& text) override { Texts << text; }
  QStringList Texts;
};
