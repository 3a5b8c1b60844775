// The main of every test executable: headless SDL drivers unless the caller
// chose others, and the folder for images the tests write.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("MORVANE_TEST_OUT", MORVANE_TEST_OUT_DIR, 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// SDL loads optional system libraries with dlopen while probing its drivers
// and unloads them again at shutdown. LeakSanitizer then finds those
// libraries' own allocations unreachable and reports them as leaks of the
// test. Keeping every library loaded for the life of the test process keeps
// such reports about our code only.
extern "C" int dlclose(void*) { return 0; }
