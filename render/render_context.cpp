// The render context: vertex declarations, the effect from the program's
// resource, its techniques (all validated) and the parameter handles.
#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>

#include "render/effect_source.h"
#include "render/render.h"

namespace {

// SceneVertex in stream 0 (the first six elements), then the morph
// target's position and normal from stream 1.
const D3DVERTEXELEMENT9 kMorphElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 40, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 48, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDINDICES, 0},
    {0, 64, D3DDECLTYPE_FLOAT4, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0},
    {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 1},
    {1, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 1},
    D3DDECL_END()};
constexpr int kStaticElementCount = 6;

// Looks up a technique and validates it; false on either failing.
bool FindTechnique(ID3DXEffect* effect, const char* name, D3DXHANDLE* out) {
  *out = effect->GetTechniqueByName(name);
  return *out != nullptr && SUCCEEDED(effect->ValidateTechnique(*out));
}

}  // namespace

int InitRenderContext(RenderContext* render, IDirect3DDevice9* device, HINSTANCE instance) {
  // The passes name these programs; the effect resolves them when created.
  if (RegisterEffectPrograms() != 0) return -1;
  D3DVERTEXELEMENT9 staticElements[kStaticElementCount + 1] = {};
  for (int i = 0; i < kStaticElementCount; ++i) staticElements[i] = kMorphElements[i];
  staticElements[kStaticElementCount] = D3DVERTEXELEMENT9 D3DDECL_END();
  if (FAILED(device->CreateVertexDeclaration(staticElements, &render->staticDeclaration)))
    return -1;
  if (FAILED(device->CreateVertexDeclaration(kMorphElements, &render->morphDeclaration))) return -1;

  HRSRC info = FindResourceA(instance, "SHADER_OBJECT", "SHADER");
  if (info == nullptr) return -1;
  HGLOBAL loaded = LoadResource(instance, info);
  if (loaded == nullptr) return -1;
  const DWORD size = SizeofResource(instance, info);
  if (size == 0) return -1;
  const void* bytes = LockResource(loaded);
  if (bytes == nullptr) return -1;
  if (FAILED(D3DXCreateEffect(device, bytes, size, nullptr, nullptr, 0, nullptr, &render->effect,
                              nullptr)))
    return -1;

  ID3DXEffect* effect = render->effect;
  if (!FindTechnique(effect, effect_source::kTechShader, &render->techShader) ||
      !FindTechnique(effect, effect_source::kTechMorphShader, &render->techMorphShader) ||
      !FindTechnique(effect, effect_source::kTechEdge, &render->techEdge) ||
      !FindTechnique(effect, effect_source::kTechMorphEdge, &render->techMorphEdge))
    return -1;

  render->paramWorldViewProjection = effect->GetParameterByName(nullptr, "WorldViewProjectionMat");
  render->paramDiffuse = effect->GetParameterByName(nullptr, "Diffuse");
  render->paramSurfaceParam = effect->GetParameterByName(nullptr, "SurfaceParam");
  render->paramCameraPosition = effect->GetParameterByName(nullptr, "CameraPosition");
  render->paramAmbientLightColor = effect->GetParameterByName(nullptr, "AmbientLightColor");
  render->paramLight1Direction = effect->GetParameterByName(nullptr, "Light1Direction");
  render->paramLight1Color = effect->GetParameterByName(nullptr, "Light1Color");
  render->paramLight2Direction = effect->GetParameterByName(nullptr, "Light2Direction");
  render->paramLight2Color = effect->GetParameterByName(nullptr, "Light2Color");
  render->paramMorphingWeight = effect->GetParameterByName(nullptr, "MorphingWeight");
  const D3DXHANDLE palette = effect->GetParameterByName(nullptr, "BlendMatrix");
  for (UINT i = 0; i < kBlendMatrixHandles; ++i)
    render->paramBlendMatrix[i] = effect->GetParameterElement(palette, i);
  render->paramTexture = effect->GetParameterByName(nullptr, "Texture");
  render->paramToonTexture = effect->GetParameterByName(nullptr, "ToonTexture");
  return 0;
}

void ReleaseRenderContext(RenderContext* render) {
  if (render->staticDeclaration) {
    render->staticDeclaration->Release();
    render->staticDeclaration = nullptr;
  }
  if (render->morphDeclaration) {
    render->morphDeclaration->Release();
    render->morphDeclaration = nullptr;
  }
  if (render->effect) {
    render->effect->Release();
    render->effect = nullptr;
  }
}
