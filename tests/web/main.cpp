// Qt WebEngine needs a QApplication, and as root a sandbox-free Chromium and a private runtime
// folder; all of it is set up before the first test.

#include "frames/TWebView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#if defined(__SANITIZE_ADDRESS__)
// Chromium inside libQt6WebEngineCore frees some of its own objects with a size that differs
// from the allocated one (seen when a page is destroyed); ASan cannot tell one library's
// deletes from another's, so this one check is off for this program only. ASAN_OPTIONS from
// the environment still add to these.
extern "C" const char* __asan_default_options() { return "new_delete_type_mismatch=0"; }
#endif

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime;  // created with mode 0700, as the runtime folder must be
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
