// Teardown: each step acts on a non-null member only and nulls it, so the
// function can run any number of times (after the loop, after a failed
// start-up, and from the destructor).
#include "app/app.h"
#include "data/data.h"

namespace {

template <typename Interface>
void ReleaseAndNull(Interface*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace

void ReleaseApp(BenchmarkApp* app) {
  // Full screen changed the display mode; give the desktop its own back
  // first, before anything that might keep the process from ending.
  if (app->windowed == 0) ChangeDisplaySettingsA(nullptr, 0);
  // Textures and the effect go before the device, the music before the sound
  // device, the device before the Direct3D object.
  ReleaseAndNull(app->bgTexture);
  ReleaseAndNull(app->chipTexture);
  // The render context's three objects in the order ReleaseRenderContext
  // uses; whichever of the two runs first leaves nulls for the other.
  ReleaseAndNull(app->render.staticDeclaration);
  ReleaseAndNull(app->render.morphDeclaration);
  ReleaseAndNull(app->render.effect);
  FreeScene(&app->scene);
  if (app->music) {
    app->music->Close();  // ends the streaming thread before the source goes
    delete app->music;
    app->music = nullptr;
  }
  ArchiveShutdown();
  ReleaseAndNull(app->device);
  ReleaseAndNull(app->d3d);
  ReleaseAndNull(app->primaryBuffer);
  ReleaseAndNull(app->directSound);
}
