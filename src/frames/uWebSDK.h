#pragma once
// The web bridge: what the on-demand list frame asks of the program.

#include "core/uIniParams.h"

#include <QString>

class TWebSDK {
 public:
  explicit TWebSDK(const TIniParams& params) : FParams(params) {}

  // The on-demand list page address that the platform sent in its login reply.
  QString GetPointPlayUrl() const { return FParams.VideoUrl; }

 private:
  const TIniParams& FParams;
};
