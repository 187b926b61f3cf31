#pragma once
// The program-wide settings object and its load and save against "Setting.ini".

#include "protocol/uMyRecords.h"

#include <QString>

#include <cstdint>

class TProfileFile;

struct TIniParams {
  QString PlayUrl;
  bool LoopPointPlay = true;
  std::int32_t WebPort = 80;
  QString VideoUrl;
  QString SvrHost;
  std::int32_t SvrPort = 9000;
  QString SvrUser;
  QString SvrPassword;
  bool IsFirstUse = true;
  bool AutoHide = true;
  QString AutoHideCaption;
  TServerMsg DirectPlayMsg;
  TServerMsg PointPlayMsg;
  TServerMsg NotifyPageMsg;
  QString UpdateVersion = QStringLiteral("2.6");
};

// Caption of the auto-hide check boxes: ten characters and four spaces.
inline const QString kAutoHideCaption = QStringLiteral("启动后，最小化到托盘    ");

// Fills params from the file, a default for every missing or unreadable key.
void LoadSettings(const TProfileFile& file, TIniParams& params);
// Writes the eleven saved keys in order, each at once; throws EProfileWriteError at the first
// key that cannot be written, leaving the keys before it written. Never touches [update].
void SaveSettings(TProfileFile& file, const TIniParams& params);
