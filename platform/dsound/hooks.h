// Internal to platform/dsound: the state behind the DirectSound test hooks
// of testing.h. Main thread.
#ifndef MORVANE_PLATFORM_DSOUND_HOOKS_H
#define MORVANE_PLATFORM_DSOUND_HOOKS_H

namespace dsound {

// Gives the test hooks their defaults back: SDL's audio thread mixes
// (ResetPlatform). Live objects are not touched: they belong to the program.
void ResetHookState();

}  // namespace dsound

#endif  // MORVANE_PLATFORM_DSOUND_HOOKS_H
