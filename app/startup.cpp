// The start-up order. Each step runs only when every earlier one succeeded;
// what a failed start-up leaves behind is released by ReleaseApp.
#include <mmsystem.h>

#include "app/app.h"
#include "data/data.h"

namespace {
// A loop limit of 0 or less plays without end.
constexpr int32_t kLoopForever = -1;
}  // namespace

int InitializeApp(BenchmarkApp* app, HINSTANCE instance) {
  if (CreateMainWindow(app, instance) == 0) return 0;
  if (CreateGraphicsDevice(app) == 0) return 0;
  if (CreateSoundDevice(app) == 0) return 0;
  // Opens "DataB.pac" when present; no archive is not a failure.
  if (ArchiveStartup(app->window) != 0) return 0;
  if (LoadAssets(app) == 0) return 0;
  // The render context, world and lights and the projection join here.
  // The music loops on its own thread until teardown, independent of laps.
  app->music->Play(kLoopForever, 0);
  app->lapStart = timeGetTime();
  return 1;
}
