#pragma once
// The program-wide objects that every frame uses.

#include "core/uAppStatus.h"
#include "core/uDebugLog.h"
#include "core/uIniParams.h"
#include "platform/uLogSink.h"

struct TFrameContext {
  TIniParams& IniParams;
  const TAppStatus& AppStatus;
  ILogSink& Log;
  IDebugLog& DebugForm;
};
