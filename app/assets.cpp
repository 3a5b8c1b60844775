// Start-up step 5: the four data files, in order, each as a plain file in the
// working directory first and then as a member of the archive. A file found
// in neither place is reported by name, and the files after it are not tried.
#include "app/app.h"
#include "data/data.h"
#include "scene/lmf_loader.h"

namespace {

constexpr char kBackgroundFile[] = "BG.bmp";
constexpr char kChipFile[] = "Chip.bmp";
constexpr char kMusicFile[] = "BGM.wav";
// -4 dB, in hundredths of a decibel.
constexpr int32_t kMusicMasterVolume = -400;

}  // namespace

int LoadAssets(BenchmarkApp* app) {
  if (LoadTexture(app->device, &app->bgTexture, kBackgroundFile) != 0) return 0;
  if (LoadTexture(app->device, &app->chipTexture, kChipFile) != 0) return 0;
  if (LoadSceneFile(app->device, &app->scene) != 0) return 0;
  // Out of memory raises, as everywhere else in the program.
  app->music = new CDirectSoundWave();
  if (LoadMusic(app->music, app->directSound) != 0) return 0;
  app->music->SetMasterVolume(kMusicMasterVolume);
  return 1;
}

int32_t LoadSceneFile(IDirect3DDevice9* device, Scene* scene) {
  if (LoadSceneFromFile(scene, device) == 0) return 0;
  MemberCursor cursor;
  if (CurrentArchive() != nullptr && ArchiveFind(&cursor, kSceneFileName) == kArchiveOk) {
    // The handle lives in this frame, so its close entry leaves it alone.
    SourceHandle handle = {kSourceArchiveMember, CurrentArchive(), cursor, nullptr};
    StreamCallbacks callbacks = kSourceHandleCallbacks;
    if (LoadSceneFromSource(scene, device, &callbacks, &handle) == 0) return 0;
  }
  ShowOpenError(kSceneFileName);
  return -1;
}

int32_t LoadMusic(CDirectSoundWave* music, IDirectSound8* directSound) {
  if (music->Open(directSound, kMusicFile) == 0) return 0;
  if (CurrentArchive() != nullptr) {
    // The player reads the member from its streaming thread long after this
    // returns, so the handle is on the heap and its close entry frees it.
    auto* handle = new SourceHandle{kSourcePlainFile, nullptr, MemberCursor{}, nullptr};
    if (ArchiveFind(&handle->cursor, kMusicFile) == kArchiveOk) {
      handle->kind = kSourceArchiveMember;
      handle->archive = CurrentArchive();
      if (music->OpenFromCallbacks(directSound, kMusicFile, &kSourceHandleFreeingCallbacks,
                                   handle) == 0)
        return 0;
    }
    delete handle;
  }
  ShowOpenError(kMusicFile);
  return -1;
}
