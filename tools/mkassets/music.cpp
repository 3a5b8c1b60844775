// The background music: 16 bars at 128 beats a minute in A minor (pad
// chords, bass, lead with echo, arpeggio, kick, clap and hats), rendered into
// a circular buffer so that every tail that runs past the end lands at the
// start: the loop has no seam. Then the RIFF WAVE file around it.
#include <array>
#include <vector>

#include "assets.h"
#include "dmath.h"

namespace mkassets {
namespace {

constexpr int kSteps = 256;  // sixteenth notes in the loop
constexpr double kLn2 = 0.69314718055994530942;

struct Mix {
  std::vector<double> left, right;
  Mix() : left(kMusicFrames, 0.0), right(kMusicFrames, 0.0) {}
  void Add(int64_t frame, double v, double pan) {                // pan -1 left .. 1 right
    const size_t i = static_cast<size_t>(frame % kMusicFrames);  // frames are never negative
    left[i] += v * (1 - pan) * 0.5;
    right[i] += v * (1 + pan) * 0.5;
  }
};

int64_t StepFrame(int step) { return int64_t(step) * kMusicFrames / kSteps; }

// Sine through a table (linear between entries) for speed.
class SineTable {
 public:
  SineTable() {
    for (int i = 0; i <= kSize; ++i) table_[i] = Sin(2 * kPi * i / kSize);
  }
  double operator()(double phase) const {  // phase in turns
    phase -= Floor(phase);
    const double x = phase * kSize;
    const int i = static_cast<int>(x);
    const double f = x - i;
    return table_[i] + (table_[i + 1] - table_[i]) * f;
  }

 private:
  static constexpr int kSize = 4096;
  std::array<double, kSize + 1> table_{};
};

const SineTable& Sine() {
  static const SineTable table;
  return table;
}

// Frequency of a MIDI note number.
double NoteHz(int note) { return 440.0 * Exp((note - 69) / 12.0 * kLn2); }

struct Voice {
  std::vector<double> harmonics;  // amplitude of harmonic 1, 2, ...
  double attack = 0.005;          // s
  double decay = 0.3;             // s, exponential time constant
  double sustain = 0;             // level the decay falls towards
  double release = 0.08;          // s, linear
  double vibrato = 0;             // depth in semitone fractions
};

void Play(Mix* mix, const Voice& v, int64_t start, double seconds, double hz, double gain,
          double pan) {
  const SineTable& sine = Sine();
  const int64_t held = static_cast<int64_t>(seconds * kSampleRate);
  const int64_t rel = static_cast<int64_t>(v.release * kSampleRate);
  const int64_t att = static_cast<int64_t>(v.attack * kSampleRate) + 1;
  const double k = Exp(-1.0 / (v.decay * kSampleRate));
  double level = 1;
  double phase = 0;
  double releaseFrom = 0;
  for (int64_t i = 0; i < held + rel; ++i) {
    double env = level * (1 - v.sustain) + v.sustain;
    if (i < att) env *= static_cast<double>(i) / att;
    level *= k;
    if (i == held) releaseFrom = env;
    if (i >= held) env = releaseFrom * (1 - static_cast<double>(i - held) / rel);
    double wobble = 1;
    if (v.vibrato > 0) wobble += v.vibrato * sine(static_cast<double>(i) * 5.5 / kSampleRate);
    phase += hz * wobble / kSampleRate;
    double s = 0;
    for (size_t h = 0; h < v.harmonics.size(); ++h) s += v.harmonics[h] * sine(phase * (h + 1));
    mix->Add(start + i, s * env * gain, pan);
  }
}

// Chords, two bars each: Am F C G Am F Dm E (MIDI roots and thirds/fifths).
struct Chord {
  int root;
  std::array<int, 3> tones;
};
const Chord kChords[8] = {{45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}},
                          {43, {55, 59, 62}}, {45, {57, 60, 64}}, {41, {57, 60, 65}},
                          {38, {57, 62, 65}}, {40, {56, 59, 64}}};

const Chord& ChordAt(int step) { return kChords[(step / 32) % 8]; }

void Pads(Mix* mix) {
  const Voice pad{{0.5, 0.22, 0.1}, 0.35, 2.5, 0.55, 0.5, 0.004};
  for (int c = 0; c < 8; ++c)
    for (int t = 0; t < 3; ++t)
      Play(mix, pad, StepFrame(c * 32), 32 * 30.0 / kSteps - 0.3, NoteHz(kChords[c].tones[t]),
           0.055, -0.6 + 0.6 * t);
}

void Bass(Mix* mix) {
  const Voice bass{{0.8, 0.35, 0.2, 0.1}, 0.004, 0.18, 0.3, 0.03, 0};
  for (int s = 0; s < kSteps; s += 2) {
    const int root = ChordAt(s).root;
    const int note = (s % 8 == 6) ? root + 12 : root;
    Play(mix, bass, StepFrame(s), 0.19, NoteHz(note), 0.26, 0);
  }
}

void Arpeggio(Mix* mix) {
  const Voice pluck{{0.5, 0.25, 0.15, 0.08, 0.04}, 0.002, 0.09, 0, 0.03, 0};
  for (int s = 0; s < kSteps; ++s) {
    if (s < 64) continue;  // enters after four bars
    const Chord& c = ChordAt(s);
    const int order[4] = {0, 1, 2, 1};
    const int note = c.tones[order[s % 4]] + 12;
    Play(mix, pluck, StepFrame(s), 0.08, NoteHz(note), 0.07, (s % 2) ? 0.55 : -0.55);
  }
}

// The lead: A minor pentatonic phrases of (step, length in steps, note).
struct Note {
  int step, length, note;
};
const Note kPhraseA[] = {{0, 3, 69},  {3, 3, 72},  {6, 2, 74},  {8, 4, 76},  {12, 2, 74},
                         {14, 2, 72}, {16, 6, 69}, {24, 2, 67}, {26, 2, 69}, {28, 4, 72}};
const Note kPhraseB[] = {{0, 2, 76},  {2, 2, 79},  {4, 4, 81},  {8, 2, 79},  {10, 2, 76},
                         {12, 4, 74}, {16, 3, 72}, {19, 3, 74}, {22, 2, 76}, {24, 8, 69}};

void Lead(Mix* mix) {
  Mix dry;
  const Voice lead{{0.6, 0.0, 0.2, 0.0, 0.1, 0.0, 0.05}, 0.01, 0.5, 0.45, 0.06, 0.006};
  for (int phrase = 0; phrase < 8; ++phrase) {
    if (phrase == 0 || phrase == 4) continue;  // the loop breathes at its quarters
    const bool b = phrase % 2 == 1;
    for (const Note& n : b ? std::vector<Note>(std::begin(kPhraseB), std::end(kPhraseB))
                           : std::vector<Note>(std::begin(kPhraseA), std::end(kPhraseA))) {
      const double seconds = n.length * 30.0 / kSteps - 0.02;
      Play(&dry, lead, StepFrame(phrase * 32 + n.step), seconds, NoteHz(n.note), 0.16, 0);
    }
  }
  // Echo of three sixteenths, alternating sides, fading.
  const int64_t delay = StepFrame(3);
  for (int64_t i = 0; i < kMusicFrames; ++i) {
    const double d = dry.left[static_cast<size_t>(i)] + dry.right[static_cast<size_t>(i)];
    mix->Add(i, d, 0);
    mix->Add(i + delay, d * 0.35, -0.7);
    mix->Add(i + 2 * delay, d * 0.18, 0.7);
  }
}

void Drums(Mix* mix) {
  Rng rng(1234);
  const SineTable& sine = Sine();
  for (int s = 0; s < kSteps; ++s) {
    const int64_t at = StepFrame(s);
    if (s % 4 == 0) {  // kick: a falling sine
      double phase = 0, sweep = 1, decay = 1;
      const double sweepStep = Exp(-30.0 / kSampleRate), decayStep = Exp(-9.0 / kSampleRate);
      for (int i = 0; i < 9000; ++i) {
        const double hz = 48 + 110 * sweep;
        phase += hz / kSampleRate;
        const double env = (i < 40 ? i / 40.0 : 1) * decay;
        sweep *= sweepStep;
        decay *= decayStep;
        mix->Add(at + i, sine(phase) * env * 0.55, 0);
      }
    }
    if (s % 16 == 4 || s % 16 == 12) {  // clap: filtered noise bursts and a tone
      double low = 0, decay = 1;
      const double decayStep = Exp(-22.0 / kSampleRate);
      for (int i = 0; i < 7000; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double n = rng.Unit() * 2 - 1;
        low += (n - low) * 0.45;
        const double env = (i < 60 ? i / 60.0 : 1) * decay;
        decay *= decayStep;
        mix->Add(at + i, (low * 0.7 + 0.25 * sine(t * 190)) * env * 0.30, 0.1);
      }
    }
    if (s % 2 == 0 && s % 4 == 2) {  // closed hat on the off-beats
      double prev = 0, decay = 1;
      const bool open = s % 16 == 14;
      const int len = open ? 9000 : 2600;
      const double decayStep = Exp(-(open ? 12.0 : 60.0) / kSampleRate);
      for (int i = 0; i < len; ++i) {
        const double n = rng.Unit() * 2 - 1;
        const double high = n - prev;
        prev = n;
        const double env = (i < 30 ? i / 30.0 : 1) * decay;
        decay *= decayStep;
        mix->Add(at + i, high * env * 0.06, 0.35);
      }
    }
  }
}

void Put16(std::vector<uint8_t>* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

std::vector<int16_t> MakeMusic() {
  Mix mix;
  Pads(&mix);
  Bass(&mix);
  Arpeggio(&mix);
  Lead(&mix);
  Drums(&mix);
  double peak = 0;
  for (size_t i = 0; i < kMusicFrames; ++i) {
    const double l = mix.left[i] < 0 ? -mix.left[i] : mix.left[i];
    const double r = mix.right[i] < 0 ? -mix.right[i] : mix.right[i];
    peak = l > peak ? l : peak;
    peak = r > peak ? r : peak;
  }
  const double gain = peak > 0 ? 0.85 / peak : 0;
  std::vector<int16_t> frames(size_t(kMusicFrames) * 2);
  for (size_t i = 0; i < kMusicFrames; ++i) {
    frames[2 * i] = static_cast<int16_t>(Floor(mix.left[i] * gain * 32767 + 0.5));
    frames[2 * i + 1] = static_cast<int16_t>(Floor(mix.right[i] * gain * 32767 + 0.5));
  }
  return frames;
}

std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& samples) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
  Put32(&b, 36 + dataBytes);
  for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
  Put32(&b, 16);
  Put16(&b, 1);  // PCM
  Put16(&b, 2);
  Put32(&b, kSampleRate);
  Put32(&b, kSampleRate * 4);
  Put16(&b, 4);
  Put16(&b, 16);
  for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
  Put32(&b, dataBytes);
  for (int16_t s : samples) Put16(&b, static_cast<uint16_t>(s));
  return b;
}

}  // namespace mkassets
