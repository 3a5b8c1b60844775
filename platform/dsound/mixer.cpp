// The mixer: SDL device, voice list, resampling and gains.
#include "dsound/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sdl_error.h"

namespace dsound {
namespace {

std::atomic<bool> g_manualMixing{false};
std::mutex g_currentMutex;
std::weak_ptr<Mixer> g_current;
// Orders opening a device after the previous one has closed.
std::mutex g_deviceMutex;

// How far the write cursor leads the play cursor: about 15 ms, and never
// less than the two frames the interpolation reads.
constexpr DWORD kWriteLeadMs = 15;
constexpr DWORD kMinLeadFrames = 2;

void ReadFrame(const Voice& voice, DWORD frame, float* left, float* right) {
  const uint8_t* p = voice.data.data() + static_cast<size_t>(frame) * voice.format.nBlockAlign;
  float l, r;
  if (voice.format.wBitsPerSample == 8) {
    l = (static_cast<int>(p[0]) - 128) * (1.0f / 128.0f);
    r = voice.format.nChannels == 2 ? (static_cast<int>(p[1]) - 128) * (1.0f / 128.0f) : l;
  } else {
    l = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))) * (1.0f / 32768.0f);
    r = voice.format.nChannels == 2
            ? static_cast<int16_t>(static_cast<uint16_t>(p[2] | (p[3] << 8))) * (1.0f / 32768.0f)
            : l;
  }
  *left = l;
  *right = r;
}

// Adds frames of one voice to out, resampled from its frequency with linear
// interpolation. A one-shot voice fades towards silence past its last frame,
// stops at its end and rewinds to the start, so a later Play repeats it.
void MixVoice(Voice& voice, float* out, int frames) {
  const uint64_t step = voice.frequency;
  const uint64_t end = static_cast<uint64_t>(voice.frames) * kOutputRate;
  for (int i = 0; i < frames; ++i) {
    const DWORD index = static_cast<DWORD>(voice.position / kOutputRate);
    const float t = static_cast<float>(voice.position % kOutputRate) * (1.0f / kOutputRate);
    float l0, r0, l1 = 0.0f, r1 = 0.0f;
    ReadFrame(voice, index, &l0, &r0);
    if (index + 1 < voice.frames)
      ReadFrame(voice, index + 1, &l1, &r1);
    else if (voice.looping)
      ReadFrame(voice, 0, &l1, &r1);
    out[2 * i] += (l0 + (l1 - l0) * t) * voice.gainLeft;
    out[2 * i + 1] += (r0 + (r1 - r0) * t) * voice.gainRight;
    voice.position += step;
    if (voice.position >= end) {
      if (voice.looping) {
        voice.position %= end;
      } else {
        voice.playing = false;
        voice.position = 0;
        return;
      }
    }
  }
}

}  // namespace

DWORD Voice::PlayCursor() const {
  return static_cast<DWORD>(position / kOutputRate) * format.nBlockAlign;
}

DWORD Voice::WriteCursor() const {
  if (!playing) return PlayCursor();
  DWORD lead = std::max<DWORD>(
      kMinLeadFrames, static_cast<DWORD>(static_cast<uint64_t>(frequency) * kWriteLeadMs / 1000));
  lead %= frames;
  DWORD frame = static_cast<DWORD>(position / kOutputRate) + lead;
  if (frame >= frames) frame -= frames;
  return frame * format.nBlockAlign;
}

float GainFromMillibels(LONG millibels) {
  if (millibels <= DSBVOLUME_MIN) return 0.0f;
  if (millibels >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, millibels / 2000.0));
}

void ChannelGains(LONG volume, LONG pan, float* left, float* right) {
  *left = GainFromMillibels(volume - std::max<LONG>(pan, 0));
  *right = GainFromMillibels(volume + std::min<LONG>(pan, 0));
}

std::shared_ptr<Mixer> Mixer::Acquire() {
  std::lock_guard<std::mutex> lock(g_currentMutex);
  if (std::shared_ptr<Mixer> current = g_current.lock()) return current;
  std::shared_ptr<Mixer> mixer(new Mixer());
  std::unique_lock<std::mutex> device(g_deviceMutex);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    platform::ReportSdlFailure("SDL_InitSubSystem(SDL_INIT_AUDIO)");
    return nullptr;
  }
  mixer->audioStarted_ = true;

  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = kOutputRate;
  want.format = AUDIO_F32SYS;
  want.channels = kOutputChannels;
  want.samples = 1024;
  want.callback = &Mixer::Callback;
  want.userdata = mixer.get();
  SDL_AudioSpec have;
  // No changes allowed: SDL converts to the device's own format if needed.
  mixer->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  // On failure the lock is released before the mixer's destructor runs
  // (locals go in reverse order), which takes it again.
  if (mixer->device_ == 0) {
    platform::ReportSdlFailure("SDL_OpenAudioDevice");
    return nullptr;
  }
  SDL_PauseAudioDevice(mixer->device_, 0);
  g_current = mixer;
  return mixer;
}

Mixer::~Mixer() {
  std::lock_guard<std::mutex> lock(g_deviceMutex);
  // Closing waits for a callback in progress, so no voice is touched after.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void Mixer::Add(Voice* voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_.push_back(voice);
}

void Mixer::Remove(Voice* voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase(voices_, voice);
}

void Mixer::SetMaster(LONG volume, LONG pan) {
  masterVolume_ = volume;
  masterPan_ = pan;
  ChannelGains(volume, pan, &masterLeft_, &masterRight_);
}

void Mixer::Mix(float* out, int frames) {
  std::fill(out, out + static_cast<size_t>(frames) * kOutputChannels, 0.0f);
  std::lock_guard<std::mutex> lock(mutex_);
  for (Voice* voice : voices_)
    if (voice->playing) MixVoice(*voice, out, frames);
  for (int i = 0; i < frames; ++i) {
    out[2 * i] = std::clamp(out[2 * i] * masterLeft_, -1.0f, 1.0f);
    out[2 * i + 1] = std::clamp(out[2 * i + 1] * masterRight_, -1.0f, 1.0f);
  }
}

void Mixer::Callback(void* user, Uint8* stream, int length) {
  float* out = reinterpret_cast<float*>(stream);
  int frames = length / static_cast<int>(sizeof(float) * kOutputChannels);
  if (g_manualMixing.load()) {
    std::memset(stream, 0, static_cast<size_t>(length));
    return;
  }
  static_cast<Mixer*>(user)->Mix(out, frames);
}

std::shared_ptr<Mixer> CurrentMixer() {
  std::lock_guard<std::mutex> lock(g_currentMutex);
  return g_current.lock();
}

void SetManualMixing(bool on) { g_manualMixing.store(on); }

std::atomic<int>& LiveObjects() {
  static std::atomic<int> count{0};
  return count;
}

}  // namespace dsound
