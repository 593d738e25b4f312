// Linked into every test program: the defaults a test run needs, set before
// main() so they hold however the program is started (by ctest, by its test
// listing, or by hand). Variables already set are left alone.
#include <cstdlib>

namespace {

struct TestEnvironment {
  TestEnvironment() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);  // no display
    ::setenv("YOURAN_AUDIO_DEVICE", "none", 0);   // no sound card
    ::setenv("YOURAN_QUIET", "1", 0);
    ::setenv("YOURAN_SOURCE_DIR", YOURAN_TEST_SOURCE_DIR, 0);
    ::setenv("YOURAN_BINARY_DIR", YOURAN_TEST_BINARY_DIR, 0);
  }
};

const TestEnvironment environment;

}  // namespace
