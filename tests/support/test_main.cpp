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
