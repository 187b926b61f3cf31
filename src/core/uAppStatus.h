#pragma once

// The one application-wide flag: set by the close command, never cleared. While it is set the
// timers, the tray click and the frames' start operations do nothing.
class TAppStatus {
 public:
  bool Closing = false;
};

// Exists before anything else runs and is never freed.
extern TAppStatus AppStatus;
