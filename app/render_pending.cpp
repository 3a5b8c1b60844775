// Placeholders for the scene drawing calls until render/ defines them: each
// refuses (-1) and draws nothing, so frames show background, overlay and
// fades. This file goes away when render/ provides the real calls.
#include "render/render.h"

int GetCameraFromScene(const Scene*, D3DXVECTOR3*, D3DXVECTOR3*, D3DXVECTOR3*) { return -1; }
void SetCameraView(RenderContext*, const D3DXVECTOR3*, const D3DXVECTOR3*, const D3DXVECTOR3*) {}
int32_t DrawLayer(uint16_t, IDirect3DDevice9*, const Scene*, RenderContext*) { return -1; }
int32_t DrawMorphLayers(IDirect3DDevice9*, const Scene*, RenderContext*, const float[3]) {
  return -1;
}
