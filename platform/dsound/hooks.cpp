// Test hooks of the sound layer: mixing on demand and the live-object count.
#include "dsound/hooks.h"

#include "dsound/mixer.h"
#include "testing.h"

namespace dsound {

void ResetHookState() { SetManualMixing(false); }

}  // namespace dsound

namespace testing_hooks {

void PauseAudioDevice() { dsound::SetManualMixing(true); }

void ResumeAudioDevice() { dsound::SetManualMixing(false); }

std::vector<float> MixAudio(int frames) {
  std::shared_ptr<dsound::Mixer> mixer = dsound::CurrentMixer();
  if (!mixer || frames <= 0) return {};
  std::vector<float> out(static_cast<size_t>(frames) * dsound::kOutputChannels);
  mixer->Mix(out.data(), frames);
  return out;
}

int LiveSoundObjects() { return dsound::LiveObjects().load(); }

}  // namespace testing_hooks
