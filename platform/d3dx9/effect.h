// Internal to platform/d3dx9: the effect object behind ID3DXEffect, made by
// D3DXCreateEffect from checked records (effect_parse.h).
//
// Handles are addresses inside one array the effect owns, one char per
// parameter, array element and technique, so a handle is recognised by its
// address alone and a foreign one is refused without being read.
// Main thread (the device's).
#ifndef MORVANE_PLATFORM_D3DX9_EFFECT_H
#define MORVANE_PLATFORM_D3DX9_EFFECT_H

#include <d3dx9.h>

#include <memory>
#include <string>
#include <vector>

#include "d3d9/objects.h"
#include "d3dx9/effect_parse.h"

namespace d3dx9 {

class Effect final : public ID3DXEffect {
 public:
  // Takes a reference on `device`, which must be a device of this layer.
  Effect(IDirect3DDevice9* device, fxformat::EffectData data);

  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;

  D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override;
  D3DXHANDLE GetParameterElement(D3DXHANDLE parameter, UINT index) override;
  D3DXHANDLE GetTechniqueByName(LPCSTR name) override;
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT SetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9 texture) override;
  HRESULT SetTechnique(D3DXHANDLE technique) override;
  HRESULT ValidateTechnique(D3DXHANDLE technique) override;
  HRESULT Begin(UINT* passes, DWORD flags) override;
  HRESULT BeginPass(UINT pass) override;
  HRESULT EndPass() override;
  HRESULT End() override;

 private:
  enum class Kind : uint8_t { kParameter, kElement, kTechnique };
  struct Target {
    Kind kind;
    uint32_t index;    // parameter or technique
    uint32_t element;  // kElement only
  };
  // What Begin found on the device, put back by End.
  struct SavedStage {
    DWORD stage;
    DWORD states[5];
    IDirect3DBaseTexture9* texture;  // with a reference from GetTexture
  };
  struct Saved {
    d3d9::VertexProgramInfo program;
    std::vector<raster::Float4> constants;  // parameters' registers, in parameter order
    std::vector<SavedStage> stages;
  };

  ~Effect() override;

  D3DXHANDLE HandleAt(uint32_t slot) const { return handles_.get() + slot; }
  // The target of a handle of this effect, or null (never reads `handle`).
  const Target* Find(D3DXHANDLE handle) const;
  // The registers one element (or a whole non-array parameter) occupies.
  raster::Float4* ElementRegisters(D3DXHANDLE handle, bool matrix);
  std::string ValidationFault(const fxformat::Technique& technique) const;
  void ReleaseSaved();

  ULONG refs_ = 1;
  d3d9::LiveCounted live_;
  IDirect3DDevice9* device_;
  fxformat::EffectData data_;
  std::unique_ptr<char[]> handles_;
  std::vector<Target> targets_;                   // one per handle slot
  std::vector<uint32_t> parameterSlot_;           // handle slot of each parameter
  std::vector<uint32_t> techniqueSlot_;           // handle slot of each technique
  std::vector<IDirect3DBaseTexture9*> textures_;  // per parameter; Texture type only
  uint32_t technique_ = 0;
  bool begun_ = false;
  bool inPass_ = false;
  Saved saved_;
};

}  // namespace d3dx9

#endif  // MORVANE_PLATFORM_D3DX9_EFFECT_H
