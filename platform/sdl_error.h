// One line on stderr when an SDL call fails: the call and SDL_GetError(),
// so a missing display, audio device or font reaches the user with SDL's
// own reason rather than only as a failed start-up.
//
// Does not: decide what the failure means (the caller still returns its
// documented result). Any thread: SDL keeps its error text per thread.
#ifndef MORVANE_PLATFORM_SDL_ERROR_H
#define MORVANE_PLATFORM_SDL_ERROR_H

#include <SDL.h>

#include <cstdio>

namespace platform {

// Prints "<call> failed: <SDL's reason>"; false, so a failing path can
// return it.
inline bool ReportSdlFailure(const char* call) {
  std::fprintf(stderr, "%s failed: %s\n", call, SDL_GetError());
  return false;
}

}  // namespace platform

#endif  // MORVANE_PLATFORM_SDL_ERROR_H
