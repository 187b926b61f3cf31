// The video view is a widget, headless unless told otherwise; libVLC's audio goes nowhere (see
// UseSilentAudio).

#include "VideoHarness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#if defined(__SANITIZE_ADDRESS__)
// Under LeakSanitizer no library is unloaded. libVLC unloads its plugins with its last instance,
// and with them libraries such as pixman and Mesa's driver, whose start-up allocations are
// referenced only from their own data: once that is unmapped the blocks would read as leaks
// with no name on their stacks, impossible to tell from ours or to suppress.
extern "C" int dlclose(void*) { return 0; }
#endif

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir audio;
  UseSilentAudio(audio.path());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
