// Fuzzes D3DXCreateEffect with the program's vertex programs registered. An
// effect that loads has each of the program's techniques looked up,
// validated and, when valid, run through Begin, every pass and End with its
// parameters set. Releasing the effect must release all it held.
#include <d3dx9.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "render/effect_source.h"
#include "tools/mkeffect/effect_description.h"

namespace {

std::vector<std::string> g_techniques;
std::vector<std::string> g_parameters;

void Run(ID3DXEffect* effect, D3DXHANDLE technique) {
  if (FAILED(effect->ValidateTechnique(technique))) return;
  if (FAILED(effect->SetTechnique(technique))) return;
  UINT passes = 0;
  if (FAILED(effect->Begin(&passes, 0))) return;
  for (UINT i = 0; i < passes && i < 16; ++i) {
    if (SUCCEEDED(effect->BeginPass(i))) effect->EndPass();
  }
  effect->End();
}

void SetParameters(ID3DXEffect* effect) {
  const D3DXVECTOR4 vector(1, 2, 3, 4);
  D3DXMATRIX matrix;
  D3DXMatrixIdentity(&matrix);
  for (const std::string& name : g_parameters) {
    D3DXHANDLE p = effect->GetParameterByName(nullptr, name.c_str());
    if (!p) continue;
    effect->SetVector(p, &vector);
    effect->SetMatrix(p, &matrix);
    effect->SetTexture(p, nullptr);
    if (D3DXHANDLE e = effect->GetParameterElement(p, 1)) effect->SetMatrix(e, &matrix);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::InitProcess(argc, argv);
  fuzz::Device();
  if (RegisterEffectPrograms() != 0) std::abort();
  const fxc::EffectDesc desc = mkeffect::ProgramEffect();
  for (const auto& t : desc.techniques) g_techniques.push_back(t.name);
  for (const auto& p : desc.parameters) g_parameters.push_back(p.name);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ID3DXEffect* effect = nullptr;
  const HRESULT hr = D3DXCreateEffect(fuzz::Device(), data, static_cast<UINT>(size), nullptr,
                                      nullptr, 0, nullptr, &effect, nullptr);
  if (SUCCEEDED(hr) != (effect != nullptr)) __builtin_trap();
  if (effect) {
    SetParameters(effect);
    for (const std::string& name : g_techniques) {
      if (D3DXHANDLE t = effect->GetTechniqueByName(name.c_str())) Run(effect, t);
    }
    effect->Release();
  }
  fuzz::CheckNothingLeft("an effect object outlived its input");
  return 0;
}
