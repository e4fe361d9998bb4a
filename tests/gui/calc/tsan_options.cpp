// Under ThreadSanitizer the window tests read the Qt suppressions of
// tests/tsan-qt.supp (Qt's internals synchronise through a mutex the
// sanitizer cannot see). The hook is inert in other builds.
extern "C" const char* __tsan_default_options() {
  return "suppressions=" GRAINIX_SOURCE_DIR "/tests/tsan-qt.supp";
}
