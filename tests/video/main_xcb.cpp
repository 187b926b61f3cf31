// Cases on a real X server: the one the "xvfb" fixture started.

#include "VideoHarness.h"
#include "frames/TWebView.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the cases happens at build time, without a display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (!UseXvfbDisplay()) {
    std::fprintf(stderr, "No X display in %s: run these cases through ctest (fixture xvfb)\n", VIREO_XVFB_DISPLAY_FILE);
    return 1;
  }
  QTemporaryDir audio;
  UseSilentAudio(audio.path());
  QTemporaryDir runtime;  // Qt WebEngine's private runtime folder, mode 0700
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
