// The streaming music player. So far only its name exists: the player base
// with its streaming thread and the WAVE source arrive with the sound layer.
#ifndef MORVANE_SOUND_SOUND_H
#define MORVANE_SOUND_SOUND_H

class CDirectSoundWave;

#endif  // MORVANE_SOUND_SOUND_H
