// Teardown: each step acts on a non-null member only and nulls it, so the
// function can run any number of times (after the loop, after a failed
// start-up, and from the destructor).
#include "app/app.h"

void ReleaseApp(BenchmarkApp* app) {
  // Textures, render context, scene, music and archive join here as their
  // subsystems are built; they must go before the device.
  if (app->device) {
    app->device->Release();
    app->device = nullptr;
  }
  if (app->d3d) {
    app->d3d->Release();
    app->d3d = nullptr;
  }
}
