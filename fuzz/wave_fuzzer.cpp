// Fuzzes the WAVE player's header walk: the input opened as a file (Open)
// and as a memory source (OpenFromCallbacks), then seeks, then closed. The
// sound buffer it made must be gone after Close.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "sound/sound.h"

namespace {

void Exercise(CDirectSoundWave* player, int32_t opened) {
  if (opened == 0) {
    player->Seek(0);
    player->Seek(1234);
    player->Seek(-5);
  }
  player->Close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::InitProcess(argc, argv);
  fuzz::Sound();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("input.wav", data, size);
  {
    CDirectSoundWave player;
    Exercise(&player, player.Open(fuzz::Sound(), "input.wav"));
  }
  fuzz::CheckNothingLeft("a sound object outlived the file input");

  fuzz::MemorySource memory{data, size, 0};
  {
    CDirectSoundWave player;
    Exercise(&player,
             player.OpenFromCallbacks(fuzz::Sound(), "memory", &fuzz::kMemoryCallbacks, &memory));
  }
  fuzz::CheckNothingLeft("a sound object outlived the memory input");
  return 0;
}
