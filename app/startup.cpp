// The start-up order. Each step runs only when every earlier one succeeded;
// what a failed start-up leaves behind is released by ReleaseApp.
#include <mmsystem.h>

#include <cstring>

#include "app/app.h"
#include "data/data.h"
#include "render/render.h"

namespace {

// 4/3 as the single-precision value the projection uses, whatever the
// window's shape.
float AspectRatio() {
  const uint32_t bits = 0x3FAAAAABu;
  float aspect;
  std::memcpy(&aspect, &bits, sizeof aspect);
  return aspect;
}

// World, lights, the projection from the first camera's field of view (0
// without a camera) and the combined matrix.
void SetUpCamera(BenchmarkApp* app) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  SetWorldAndLights(&app->render, &identity);
  const float fovY = app->scene.cameraCount > 0 ? app->scene.cameras[0].fovY : 0.0f;
  D3DXMatrixPerspectiveFovLH(&app->render.projection, fovY, AspectRatio(), 0.1f, 10.0f);
  UploadWorldViewProjection(&app->render);
}

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
  if (InitRenderContext(&app->render, app->device, instance) != 0) return 0;
  SetUpCamera(app);
  // The music loops on its own thread until teardown, independent of laps.
  app->music->Play(kLoopForever, 0);
  app->lapStart = timeGetTime();
  return 1;
}
