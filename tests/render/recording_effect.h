// An ID3DXEffect that records what the render code asks of it: matrices,
// vectors and textures set, and each pass begun with the blend pair and
// cull mode the device had then. It draws nothing.
#ifndef MORVANE_TESTS_RENDER_RECORDING_EFFECT_H
#define MORVANE_TESTS_RENDER_RECORDING_EFFECT_H

#include <d3d9.h>
#include <d3dx9.h>

#include <utility>
#include <vector>

namespace render_test {

class RecordingEffect : public ID3DXEffect {
 public:
  struct MatrixSet {
    D3DXHANDLE handle;
    D3DXMATRIX value;
  };
  struct VectorSet {
    D3DXHANDLE handle;
    D3DXVECTOR4 value;
  };
  struct PassBegun {
    D3DXHANDLE technique;
    UINT pass;
    DWORD source, destination, cull;
  };

  explicit RecordingEffect(IDirect3DDevice9* device) : device_(device) {}

  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  D3DXHANDLE GetParameterByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
  D3DXHANDLE GetParameterElement(D3DXHANDLE, UINT) override { return nullptr; }
  D3DXHANDLE GetTechniqueByName(LPCSTR) override { return nullptr; }
  HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* m) override {
    matrices.push_back({h, *m});
    return D3D_OK;
  }
  HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* v) override {
    vectors.push_back({h, *v});
    return D3D_OK;
  }
  HRESULT SetTexture(D3DXHANDLE h, LPDIRECT3DBASETEXTURE9 t) override {
    textures.push_back({h, t});
    return D3D_OK;
  }
  HRESULT SetTechnique(D3DXHANDLE h) override {
    technique_ = h;
    return D3D_OK;
  }
  HRESULT ValidateTechnique(D3DXHANDLE) override { return D3D_OK; }
  HRESULT Begin(UINT* passes, DWORD) override {
    *passes = 5;
    ++begins;
    return D3D_OK;
  }
  HRESULT BeginPass(UINT pass) override {
    PassBegun p{technique_, pass, 0, 0, 0};
    device_->GetRenderState(D3DRS_SRCBLEND, &p.source);
    device_->GetRenderState(D3DRS_DESTBLEND, &p.destination);
    device_->GetRenderState(D3DRS_CULLMODE, &p.cull);
    passes.push_back(p);
    return D3D_OK;
  }
  HRESULT EndPass() override { return D3D_OK; }
  HRESULT End() override {
    ++ends;
    return D3D_OK;
  }

  bool Empty() const {
    return matrices.empty() && vectors.empty() && textures.empty() && passes.empty() &&
           begins == 0;
  }

  std::vector<MatrixSet> matrices;
  std::vector<VectorSet> vectors;
  std::vector<std::pair<D3DXHANDLE, IDirect3DBaseTexture9*>> textures;
  std::vector<PassBegun> passes;
  int begins = 0, ends = 0;

 private:
  IDirect3DDevice9* device_;
  D3DXHANDLE technique_ = nullptr;
};

}  // namespace render_test

#endif  // MORVANE_TESTS_RENDER_RECORDING_EFFECT_H
