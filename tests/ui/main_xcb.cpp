// The windows' cases on a real X server: the one the "xvfb" fixture started.

#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the cases happens at build time, without a display.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (!UseXvfbDisplay()) {
    std::fprintf(stderr, "No X display in %s: run these cases through ctest (fixture xvfb)\n", VIREO_XVFB_DISPLAY_FILE);
    return 1;
  }
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
