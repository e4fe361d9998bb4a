// Entry of the window tests: one QApplication for the whole run, on the
// offscreen platform unless the caller chose another.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// Under ThreadSanitizer the window tests read the Qt suppressions of
// tests/tsan-qt.supp (Qt's internals synchronise through a mutex the
// sanitizer cannot see). The hook is inert in other builds.
extern "C" const char* __tsan_default_options() {
  return "suppressions=" GRAINIX_SOURCE_DIR "/tests/tsan-qt.supp";
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Grainix");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
