// Drawing of layers: the palette of a layer, the surface's parameters,
// culling and blend pair, and one effect pass per mesh.
#include <d3d9.h>
#include <d3dx9.h>

#include "render/render.h"

namespace {

constexpr UINT kVertexStride = sizeof(SceneVertex);
constexpr int32_t kPassCount = 5;  // surface types 0..4 are the passes

// The skin matrix of a motion, or `fallback` when the scene has no motions
// or the number names none.
const D3DXMATRIX* MotionMatrix(const Scene& scene, uint16_t motionNo,
                               const D3DXMATRIX* fallback) {
  if (scene.motionCount == 0 || motionNo == kNoMotion || motionNo >= scene.motionCount)
    return fallback;
  return &scene.motions[motionNo].skinMatrix;
}

void LoadPalette(const Layer& layer, const Scene& scene, RenderContext* render) {
  const D3DXMATRIX* own = MotionMatrix(scene, layer.motionNo, &kIdentityMatrix);
  if (layer.paletteSlot < kPaletteSlots)
    render->effect->SetMatrix(render->paramBlendMatrix[layer.paletteSlot], own);
  for (uint16_t i = 0; i < layer.bindingCount; ++i) {
    const PaletteBinding& b = layer.bindings[i];
    if (b.paletteSlot == kNoPaletteSlot || b.paletteSlot >= kPaletteSlots) continue;
    render->effect->SetMatrix(render->paramBlendMatrix[b.paletteSlot],
                              MotionMatrix(scene, b.motionNo, own));
  }
}

struct SavedStates {
  DWORD cull, source, destination;
};

SavedStates SaveStates(IDirect3DDevice9* device) {
  SavedStates s{};
  device->GetRenderState(D3DRS_CULLMODE, &s.cull);
  device->GetRenderState(D3DRS_SRCBLEND, &s.source);
  device->GetRenderState(D3DRS_DESTBLEND, &s.destination);
  return s;
}

void RestoreStates(IDirect3DDevice9* device, const SavedStates& s) {
  device->SetRenderState(D3DRS_CULLMODE, s.cull);
  device->SetRenderState(D3DRS_SRCBLEND, s.source);
  device->SetRenderState(D3DRS_DESTBLEND, s.destination);
}

// Blend pair and surface for a mesh; the surface, or null when the mesh
// names none or its type has no pass (then nothing is drawn for it).
const Surface* PrepareMesh(const Mesh& mesh, const Scene& scene, RenderContext* render,
                           IDirect3DDevice9* device) {
  if (mesh.surfaceNo >= scene.surfaceCount) return nullptr;
  const Surface* surface = &scene.surfaces[mesh.surfaceNo];
  ApplyBlendMode(static_cast<uint32_t>(surface->blendMode), device);
  ApplySurface(render, surface, device);
  if (surface->type < 0 || surface->type >= kPassCount) return nullptr;
  return surface;
}

void DrawMesh(const Mesh& mesh, const Surface& surface, D3DXHANDLE technique,
              IDirect3DVertexDeclaration9* declaration, IDirect3DVertexBuffer9* target,
              RenderContext* render, IDirect3DDevice9* device) {
  ID3DXEffect* effect = render->effect;
  effect->SetTechnique(technique);
  device->SetVertexDeclaration(declaration);
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(static_cast<UINT>(surface.type));
  device->SetStreamSource(0, mesh.vertexBuffer, 0, kVertexStride);
  if (target != nullptr) device->SetStreamSource(1, target, 0, kVertexStride);
  device->SetIndices(mesh.indexBuffer);
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, 0, mesh.polygonCount);
  effect->EndPass();
  effect->End();
}

}  // namespace

void ApplyBlendMode(uint32_t blendMode, IDirect3DDevice9* device) {
  struct Pair {
    DWORD source, destination;
  };
  static constexpr Pair kPairs[] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},    {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},          {D3DBLEND_INVDESTCOLOR, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_ONE, D3DBLEND_INVSRCCOLOR},         {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ONE},
  };
  if (blendMode >= sizeof(kPairs) / sizeof(kPairs[0])) return;
  device->SetRenderState(D3DRS_SRCBLEND, kPairs[blendMode].source);
  device->SetRenderState(D3DRS_DESTBLEND, kPairs[blendMode].destination);
}

void ApplySurface(RenderContext* render, const Surface* surface, IDirect3DDevice9* device) {
  ID3DXEffect* effect = render->effect;
  const D3DXVECTOR4 diffuse(surface->diffuse[0], surface->diffuse[1], surface->diffuse[2],
                            surface->diffuse[3]);
  effect->SetVector(render->paramDiffuse, &diffuse);
  const D3DXVECTOR4 params(surface->emissive, surface->specular, surface->power, 0.0f);
  effect->SetVector(render->paramSurfaceParam, &params);
  effect->SetTexture(render->paramTexture, surface->texture);
  if (surface->type == kSurfaceToon)
    effect->SetTexture(render->paramToonTexture, surface->toonTexture);
  device->SetRenderState(D3DRS_CULLMODE, surface->doubleSided != 0 ? D3DCULL_NONE : D3DCULL_CCW);
}

int32_t DrawLayer(uint16_t index, IDirect3DDevice9* device, const Scene* scene,
                  RenderContext* render) {
  if (index >= scene->layerCount) return -1;
  const SavedStates saved = SaveStates(device);
  const Layer& layer = scene->layers[index];
  LoadPalette(layer, *scene, render);
  for (uint16_t j = 0; j < layer.meshCount; ++j) {
    const Mesh& mesh = layer.meshes[j];
    const Surface* surface = PrepareMesh(mesh, *scene, render, device);
    if (surface == nullptr) continue;
    DrawMesh(mesh, *surface, render->techShader, render->staticDeclaration, nullptr, render,
             device);
  }
  RestoreStates(device, saved);
  return 0;
}

int32_t DrawMorphLayers(IDirect3DDevice9* device, const Scene* scene, RenderContext* render,
                        const float weight[3]) {
  constexpr uint16_t kBase = 6, kTarget = 7;
  if (scene->layerCount <= kTarget) return -1;
  const Layer& base = scene->layers[kBase];
  const Layer& target = scene->layers[kTarget];
  LoadPalette(base, *scene, render);
  const SavedStates saved = SaveStates(device);
  const D3DXVECTOR4 w(weight[0], weight[1], weight[2], 0.0f);
  render->effect->SetVector(render->paramMorphingWeight, &w);
  for (uint16_t j = 0; j < base.meshCount; ++j) {
    const Mesh& mesh = base.meshes[j];
    if (j >= target.meshCount || target.meshes[j].vertexCount != mesh.vertexCount) {
      RestoreStates(device, saved);
      return -1;
    }
    const Surface* surface = PrepareMesh(mesh, *scene, render, device);
    if (surface == nullptr) continue;
    DrawMesh(mesh, *surface, render->techMorphShader, render->morphDeclaration,
             target.meshes[j].vertexBuffer, render, device);
  }
  RestoreStates(device, saved);
  return 0;
}
