// One frame of the run. What exists so far: clear the back buffer and depth,
// present, and end the run while Esc is held. The lap clock, score,
// background, scene, overlay and fades join with their subsystems.
#include "app/app.h"

int RenderFrame(BenchmarkApp* app) {
  IDirect3DDevice9* device = app->device;
  if (device) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  return GetKeyState(VK_ESCAPE) < 0 ? 0 : 1;
}
