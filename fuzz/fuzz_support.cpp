#include "fuzz/fuzz_support.h"

#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/device.h"
#include "testing.h"
#include "tools/pac/pac_format.h"

namespace fuzz {
namespace {

std::string g_folder;
IDirect3D9* g_d3d = nullptr;
IDirect3DDevice9* g_device = nullptr;
IDirectSound8* g_sound = nullptr;
int g_d3dBaseline = 0;
int g_soundBaseline = 0;

// Runs at exit, before LeakSanitizer's own check: releases the shared
// objects and the platform's windows, classes and SDL state, then removes
// the working folder.
void TearDown() {
  if (g_sound) g_sound->Release();
  if (g_device) g_device->Release();
  if (g_d3d) g_d3d->Release();
  g_sound = nullptr;
  g_device = nullptr;
  g_d3d = nullptr;
  testing_hooks::ResetPlatform();
  std::error_code ignored;
  if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ignored);
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

}  // namespace

void InitProcess(int* argc, char*** argv) {
  // libFuzzer reads its arguments after this returns and opens corpus
  // folders and writes artifacts relative to the working folder, which is
  // about to change: make every relative path argument absolute first.
  static std::vector<std::string> arguments;
  static std::vector<char*> pointers;
  arguments.assign(*argv, *argv + *argc);
  for (size_t i = 1; i < arguments.size(); ++i) {
    std::string& a = arguments[i];
    size_t value = 0;
    for (const char* flag : {"-artifact_prefix=", "-exact_artifact_path=", "-dict="}) {
      if (a.rfind(flag, 0) == 0) value = std::strlen(flag);
    }
    if ((a.empty() || a[0] == '-') && value == 0) continue;
    const std::string path = a.substr(value);
    if (path.empty() || path[0] == '/') continue;
    std::string absolute = std::filesystem::absolute(path).string();
    // A trailing slash is part of an artifact prefix.
    if (path.back() == '/' && absolute.back() != '/') absolute += '/';
    a = a.substr(0, value) + absolute;
  }
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  *argv = pointers.data();

  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::string pattern = (std::filesystem::temp_directory_path() / "morvane-fuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) Fail("no working folder");
  g_folder = pattern;
  std::atexit(TearDown);
}

IDirect3DDevice9* Device() {
  if (g_device) return g_device;
  test_support::DeviceOptions options;
  options.visible = false;
  options.depth = false;
  options.flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  HWND window = nullptr;
  if (test_support::OpenDevice("MorvaneFuzz", options, &window, &g_d3d, &g_device) != D3D_OK)
    Fail("no window, Direct3D object or device");
  g_d3dBaseline = testing_hooks::LiveDirect3DObjects();
  return g_device;
}

IDirectSound8* Sound() {
  if (g_sound) return g_sound;
  if (DirectSoundCreate8(nullptr, &g_sound, nullptr) != DS_OK) Fail("DirectSoundCreate8 failed");
  if (g_sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY) != DS_OK) {
    Fail("SetCooperativeLevel failed");
  }
  g_soundBaseline = testing_hooks::LiveSoundObjects();
  return g_sound;
}

void CheckNothingLeft(const char* what) {
  if (testing_hooks::LiveDirect3DObjects() != g_d3dBaseline) {
    std::fprintf(stderr, "fuzz: %d Direct3D objects alive, %d expected\n",
                 testing_hooks::LiveDirect3DObjects(), g_d3dBaseline);
    Fail(what);
  }
  if (testing_hooks::LiveSoundObjects() != g_soundBaseline) {
    std::fprintf(stderr, "fuzz: %d DirectSound objects alive, %d expected\n",
                 testing_hooks::LiveSoundObjects(), g_soundBaseline);
    Fail(what);
  }
}

void WriteFile(const char* name, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(name, "wb");
  if (!file) Fail("cannot write an input file");
  if (size > 0 && std::fwrite(data, 1, size, file) != size) Fail("short write of an input file");
  if (std::fclose(file) != 0) Fail("cannot close an input file");
}

uint32_t MemoryRead(void* destination, uint32_t size, uint32_t count, void* source) {
  auto* s = static_cast<MemorySource*>(source);
  const size_t wanted = static_cast<size_t>(size) * count;
  const size_t n = wanted < s->size - s->position ? wanted : s->size - s->position;
  if (n > 0) std::memcpy(destination, s->data + s->position, n);
  s->position += n;
  return size == 0 ? 0 : static_cast<uint32_t>(n / size);
}

int32_t MemorySeek(void* source, int64_t offset, int32_t origin) {
  auto* s = static_cast<MemorySource*>(source);
  int64_t base = 0;
  if (origin == 1)
    base = static_cast<int64_t>(s->position);
  else if (origin == 2)
    base = static_cast<int64_t>(s->size);
  else if (origin != 0)
    return -1;
  const int64_t target = base + offset;
  if (target < 0 || target > static_cast<int64_t>(s->size)) return -1;
  s->position = static_cast<size_t>(target);
  return 0;
}

int32_t MemoryClose(void*) { return 0; }

int32_t MemoryTell(void* source) {
  return static_cast<int32_t>(static_cast<MemorySource*>(source)->position);
}

int32_t MemoryEnd(void* source) {
  auto* s = static_cast<MemorySource*>(source);
  return s->position >= s->size ? 1 : 0;
}

std::vector<uint8_t> OneMemberArchive(const char* name, const uint8_t* data, size_t size,
                                      bool scramble) {
  std::vector<uint8_t> archive;
  std::string error;
  std::vector<pac::MemoryMember> members{{name, std::vector<uint8_t>(data, data + size)}};
  if (!pac::BuildArchive(std::move(members), scramble, pac::DefaultKey(), &archive, &error)) {
    Fail(error.c_str());
  }
  return archive;
}

}  // namespace fuzz

// SDL loads optional system libraries while probing its drivers and unloads
// them at shutdown; LeakSanitizer would then blame their own allocations on
// us. Keeping every library loaded keeps its reports about our code.
extern "C" int dlclose(void*) { return 0; }
