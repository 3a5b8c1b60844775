// The start-up order. Each step runs only when every earlier one succeeded;
// what a failed start-up leaves behind is released by ReleaseApp.
#include <mmsystem.h>

#include "app/app.h"

int InitializeApp(BenchmarkApp* app, HINSTANCE instance) {
  if (CreateMainWindow(app, instance) == 0) return 0;
  // The devices, archive, assets, render context, camera and music join here
  // as their subsystems are built.
  app->lapStart = timeGetTime();
  return 1;
}
