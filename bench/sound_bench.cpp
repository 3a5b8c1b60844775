// Music streaming costs: the streaming thread's and the mixer's share of one
// core while 44.1 kHz 16-bit stereo plays in real time, and the two pieces
// of work behind them (one refill of a one-second half, one second of mix).
//
// The real-time figure runs on SDL's dummy audio driver, which consumes the
// mix at the output rate as a sound card would. Counters: *_cpu_percent is
// CPU time over wall time, in percent of one core.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <dsound.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sound/sound.h"
#include "testing.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBytesPerSecond = kRate * 4;

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutText(std::vector<uint8_t>* out, const char* text) {
  while (*text) out->push_back(static_cast<uint8_t>(*text++));
}

// Ten seconds of noise as 44.1 kHz 16-bit stereo, written once.
const char* MusicFile() {
  static const std::string path = [] {
    std::string p = "/tmp/morvane-sound-bench-" + std::to_string(getpid()) + ".wav";
    const uint32_t dataBytes = 10 * kBytesPerSecond;
    std::vector<uint8_t> w;
    PutText(&w, "RIFF");
    Put32(&w, 36 + dataBytes);
    PutText(&w, "WAVEfmt ");
    Put32(&w, 16);
    Put32(&w, 0x00020001);  // PCM, two channels
    Put32(&w, kRate);
    Put32(&w, kBytesPerSecond);
    Put32(&w, 0x00100004);  // block align 4, 16 bits
    PutText(&w, "data");
    Put32(&w, dataBytes);
    uint32_t seed = 1;
    for (uint32_t i = 0; i < dataBytes; ++i) {
      seed = seed * 1664525u + 1013904223u;
      w.push_back(static_cast<uint8_t>(seed >> 24));
    }
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(w.data()), static_cast<std::streamsize>(w.size()));
    std::atexit([] { std::remove(MusicFile()); });
    return p;
  }();
  return path.c_str();
}

IDirectSound8* OpenDevice() {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  IDirectSound8* ds = nullptr;
  if (FAILED(DirectSoundCreate8(nullptr, &ds, nullptr))) return nullptr;
  ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
  return ds;
}

std::set<std::string> Tasks() {
  std::set<std::string> out;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) {
      if (e->d_name[0] != '.') out.insert(e->d_name);
    }
    closedir(dir);
  }
  return out;
}

std::string TaskName(const std::string& tid) {
  std::ifstream in("/proc/self/task/" + tid + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// Nanoseconds the task has run on a CPU.
double TaskCpuNs(const std::string& tid) {
  std::ifstream in("/proc/self/task/" + tid + "/schedstat");
  double ns = 0;
  in >> ns;
  return ns;
}

// Plays the music in real time for a few seconds and reads how long the
// streaming thread and SDL's audio thread ran.
void BM_PlayingCpuShare(benchmark::State& state) {
  testing_hooks::ResumeAudioDevice();
  IDirectSound8* ds = OpenDevice();
  if (ds == nullptr) {
    state.SkipWithError("no audio device");
    return;
  }
  CDirectSoundWave player;
  if (player.Open(ds, MusicFile()) != 0) {
    state.SkipWithError("open failed");
    ds->Release();
    return;
  }
  const std::set<std::string> before = Tasks();
  player.Play(-1, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::string streaming;
  std::string mixer;  // SDL's audio thread, which runs the mixer
  for (const std::string& tid : Tasks()) {
    if (!before.count(tid)) streaming = tid;
    if (TaskName(tid).find("SDLAudio") != std::string::npos) mixer = tid;
  }
  double streamNs = 0, mixNs = 0, wallNs = 0;
  for (auto _ : state) {
    const double s0 = TaskCpuNs(streaming), m0 = mixer.empty() ? 0 : TaskCpuNs(mixer);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(4));  // four refills
    wallNs +=
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    streamNs += TaskCpuNs(streaming) - s0;
    if (!mixer.empty()) mixNs += TaskCpuNs(mixer) - m0;
  }
  player.Close();
  ds->Release();
  state.counters["streaming_cpu_percent"] = 100.0 * streamNs / wallNs;
  state.counters["mixer_cpu_percent"] = mixer.empty() ? -1.0 : 100.0 * mixNs / wallNs;
}
BENCHMARK(BM_PlayingCpuShare)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One refill: a second of data read from the file into the buffer half.
class Refill : public CDirectSoundWave {
 public:
  int32_t Fill(uint8_t* destination, uint32_t bytes) { return FillData(destination, bytes); }
};

void BM_RefillOneSecond(benchmark::State& state) {
  IDirectSound8* ds = OpenDevice();
  Refill player;
  if (ds == nullptr || player.Open(ds, MusicFile()) != 0) {
    state.SkipWithError("open failed");
    if (ds) ds->Release();
    return;
  }
  player.Play(-1, 0);  // sets the endless loop
  player.Stop(0);
  player.WaitThreadEnd();
  std::vector<uint8_t> half(kBytesPerSecond);
  for (auto _ : state) {
    benchmark::DoNotOptimize(player.Fill(half.data(), kBytesPerSecond));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytesPerSecond);
  player.Close();
  ds->Release();
}
BENCHMARK(BM_RefillOneSecond)->Unit(benchmark::kMicrosecond);

// One second of output mixed from a playing buffer of the player's kind
// (two seconds, volume, pan and frequency controls).
void BM_MixOneSecond(benchmark::State& state) {
  testing_hooks::PauseAudioDevice();
  IDirectSound8* ds = OpenDevice();
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, kRate, kBytesPerSecond, 4, 16, 0};
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = 0x581E2;
  desc.dwBufferBytes = 2 * kBytesPerSecond;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (ds == nullptr || FAILED(ds->CreateSoundBuffer(&desc, &buffer, nullptr))) {
    state.SkipWithError("no buffer");
    if (ds) ds->Release();
    testing_hooks::ResumeAudioDevice();
    return;
  }
  buffer->SetVolume(-400);
  buffer->SetPan(300);
  buffer->Play(0, 0, DSBPLAY_LOOPING);
  std::vector<float> out;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    out = testing_hooks::MixAudio(static_cast<int>(kRate));
    benchmark::DoNotOptimize(out.data());
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  buffer->Release();
  ds->Release();
  testing_hooks::ResumeAudioDevice();
  // Seconds of mixing per second of sound, in percent.
  state.counters["cpu_percent"] = 100.0 * seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MixOneSecond)->Unit(benchmark::kMillisecond);

}  // namespace
