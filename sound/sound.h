// Streaming sound: the music player.
//
// - sound_player.h: IDirectSoundPlayer, the player's interface, its units and
//   states.
// - sound_base.h: CDirectSoundBase, a two-second DirectSound buffer in two
//   one-second halves, its streaming thread (a refill and the timed changes
//   every 50 ms pass), fades, volume/pan/speed changes and the level meter.
// - sound_wave.h: CDirectSoundWave, the player over a RIFF WAVE file on disk
//   or a source given as callbacks (an archive member). A refused open
//   returns -1 and LastError says why (WaveError; the controlling thread).
//
// Does: play one PCM stream, looping from a loop start or a fixed number of
// times; fade out; step volume, pan and speed towards targets; report peak
// levels. Does not: mix several streams itself (the DirectSound layer does),
// decode compressed audio, use position notifications, or create the
// DirectSound device (the application does and passes it to Open).
//
// Threads: one controlling thread (the program's main thread) calls every
// public operation. Play starts the player's only other thread, the
// streaming thread, which alone reads the source while it runs; Close, the
// destructor and a Play after a stop wait for it to end. The two threads
// share only atomics; see sound_base.h for the handshake.
#ifndef MORVANE_SOUND_SOUND_H
#define MORVANE_SOUND_SOUND_H

#include "sound/sound_base.h"
#include "sound/sound_player.h"
#include "sound/sound_wave.h"

#endif  // MORVANE_SOUND_SOUND_H
