// The start-up order. Each step runs only when every earlier one succeeded;
// what a failed start-up leaves behind is released by ReleaseApp.
#include <mmsystem.h>

#include "app/app.h"
#include "data/data.h"

int InitializeApp(BenchmarkApp* app, HINSTANCE instance) {
  if (CreateMainWindow(app, instance) == 0) return 0;
  if (CreateGraphicsDevice(app) == 0) return 0;
  if (CreateSoundDevice(app) == 0) return 0;
  // Opens "DataB.pac" when present; no archive is not a failure.
  if (ArchiveStartup(app->window) != 0) return 0;
  // The assets, render context, camera and music join here as their
  // subsystems are built.
  app->lapStart = timeGetTime();
  return 1;
}
