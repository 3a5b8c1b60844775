// ID3DXEffect over checked effect records, and D3DXCreateEffect.
#include "d3dx9/effect.h"

#include <d3d9_programs.h>

#include <algorithm>
#include <functional>
#include <new>

#include "d3d9/device.h"
#include "d3d9/hooks.h"
#include "d3d9/texture.h"
#include "d3dx9/effect_refusal.h"
#include "win32/allocation_faults.h"

namespace d3dx9 {

namespace {

using fxformat::TypeCode;

// Registers go to and from the device as runs of floats.
static_assert(sizeof(raster::Float4) == 4 * sizeof(float));

// The sampler states a pass sets, in SavedStage::states order.
constexpr D3DSAMPLERSTATETYPE kPassSamplerStates[5] = {
    D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER, D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV};

bool IsMatrix(TypeCode t) { return t == TypeCode::kFloat4x3 || t == TypeCode::kFloat4x4; }
bool IsVector(TypeCode t) { return t == TypeCode::kFloat3 || t == TypeCode::kFloat4; }

// The usages the device gathers (raster::VertexInput), at indices 0 and 1.
bool InputGathered(const d3d9::VertexProgramInput& in) {
  switch (in.usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_NORMAL:
    case D3DDECLUSAGE_COLOR:
    case D3DDECLUSAGE_TEXCOORD:
    case D3DDECLUSAGE_BLENDINDICES:
    case D3DDECLUSAGE_BLENDWEIGHT: return in.usageIndex < raster::VertexInput::kUsageIndices;
    default: return false;
  }
}

// The stages any pass of `t` binds, each once, in increasing order.
std::vector<DWORD> StagesOf(const fxformat::Technique& t) {
  bool used[fxformat::kSamplerStages] = {};
  for (const fxformat::Pass& p : t.passes)
    for (const fxformat::Binding& b : p.bindings) used[b.stage] = true;
  std::vector<DWORD> stages;
  for (DWORD s = 0; s < fxformat::kSamplerStages; ++s)
    if (used[s]) stages.push_back(s);
  return stages;
}

}  // namespace

Effect::Effect(IDirect3DDevice9* device, fxformat::EffectData data)
    : device_(device), data_(std::move(data)) {
  for (uint32_t i = 0; i < data_.parameters.size(); ++i) {
    parameterSlot_.push_back(static_cast<uint32_t>(targets_.size()));
    targets_.push_back(Target{Kind::kParameter, i, 0});
    for (uint32_t e = 0; e < data_.parameters[i].elements; ++e)
      targets_.push_back(Target{Kind::kElement, i, e});
  }
  for (uint32_t i = 0; i < data_.techniques.size(); ++i) {
    techniqueSlot_.push_back(static_cast<uint32_t>(targets_.size()));
    targets_.push_back(Target{Kind::kTechnique, i, 0});
  }
  // Zero-filled, so a caller that prints a handle sees an empty string.
  handles_ = std::make_unique<char[]>(targets_.size() + 1);
  textures_.assign(data_.parameters.size(), nullptr);
  // Last, so an allocation failure above leaves the device's count alone.
  device_->AddRef();
}

Effect::~Effect() {
  ReleaseSaved();
  for (IDirect3DBaseTexture9* t : textures_)
    if (t != nullptr) t->Release();
  device_->Release();
}

ULONG Effect::Release() {
  if (refs_ == 0) return 0;
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

const Effect::Target* Effect::Find(D3DXHANDLE handle) const {
  const char* begin = handles_.get();
  const char* end = begin + targets_.size();
  // std::less orders unrelated pointers too, so a foreign handle compares
  // safely and is never dereferenced.
  const std::less<const char*> before;
  if (handle == nullptr || before(handle, begin) || !before(handle, end)) return nullptr;
  return &targets_[static_cast<size_t>(handle - begin)];
}

D3DXHANDLE Effect::GetParameterByName(D3DXHANDLE parent, LPCSTR name) {
  // Members of structures do not exist here, so only top-level lookups.
  if (parent != nullptr || name == nullptr) return nullptr;
  for (size_t i = 0; i < data_.parameters.size(); ++i)
    if (data_.parameters[i].name == name) return HandleAt(parameterSlot_[i]);
  return nullptr;
}

D3DXHANDLE Effect::GetParameterElement(D3DXHANDLE parameter, UINT index) {
  // A null parent means the effect's own list of parameters, as in D3DX.
  if (parameter == nullptr)
    return index < data_.parameters.size() ? HandleAt(parameterSlot_[index]) : nullptr;
  const Target* t = Find(parameter);
  if (t == nullptr || t->kind != Kind::kParameter) return nullptr;
  if (index >= data_.parameters[t->index].elements) return nullptr;
  return HandleAt(parameterSlot_[t->index] + 1 + index);
}

D3DXHANDLE Effect::GetTechniqueByName(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (size_t i = 0; i < data_.techniques.size(); ++i)
    if (data_.techniques[i].name == name) return HandleAt(techniqueSlot_[i]);
  return nullptr;
}

raster::Float4* Effect::ElementRegisters(D3DXHANDLE handle, bool matrix) {
  const Target* t = Find(handle);
  if (t == nullptr || t->kind == Kind::kTechnique) return nullptr;
  fxformat::Parameter& p = data_.parameters[t->index];
  if (matrix ? !IsMatrix(p.type) : !IsVector(p.type)) return nullptr;
  // A whole array takes an array of values, which these calls do not.
  if (t->kind == Kind::kParameter && p.elements != 0) return nullptr;
  const uint32_t element = t->kind == Kind::kElement ? t->element : 0;
  return p.registers.data() + size_t{element} * fxformat::RegistersPerElement(p.type);
}

HRESULT Effect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  raster::Float4* regs = ElementRegisters(parameter, true);
  if (regs == nullptr || matrix == nullptr) return D3DERR_INVALIDCALL;
  fxformat::MatrixToRegisters(data_.parameters[Find(parameter)->index].type, &matrix->m[0][0],
                              regs);
  return D3D_OK;
}

HRESULT Effect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  raster::Float4* regs = ElementRegisters(parameter, false);
  if (regs == nullptr || vector == nullptr) return D3DERR_INVALIDCALL;
  const float v[4] = {vector->x, vector->y, vector->z, vector->w};
  fxformat::VectorToRegister(data_.parameters[Find(parameter)->index].type, v, regs);
  return D3D_OK;
}

HRESULT Effect::SetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9 texture) {
  const Target* t = Find(parameter);
  if (t == nullptr || t->kind != Kind::kParameter ||
      data_.parameters[t->index].type != TypeCode::kTexture)
    return D3DERR_INVALIDCALL;
  if (texture != nullptr) {
    // Only this device's textures can be bound at BeginPass.
    const auto* own = dynamic_cast<d3d9::Texture*>(texture);
    if (own == nullptr || own->owner() != dynamic_cast<d3d9::Device*>(device_))
      return D3DERR_INVALIDCALL;
    texture->AddRef();
  }
  IDirect3DBaseTexture9*& slot = textures_[t->index];
  if (slot != nullptr) slot->Release();
  slot = texture;
  return D3D_OK;
}

HRESULT Effect::SetTechnique(D3DXHANDLE technique) {
  const Target* t = Find(technique);
  if (begun_ || t == nullptr || t->kind != Kind::kTechnique) return D3DERR_INVALIDCALL;
  technique_ = t->index;
  return D3D_OK;
}

std::string Effect::ValidationFault(const fxformat::Technique& technique) const {
  const int limit = d3d9::VertexConstantLimit();
  uint32_t highest = 0;  // registers the parameters need
  for (const fxformat::Parameter& p : data_.parameters)
    if (p.registerCount != 0) highest = std::max(highest, p.firstRegister + p.registerCount);
  if (highest > static_cast<uint32_t>(limit))
    return "parameters need " + std::to_string(highest) + " constant registers, the device has " +
           std::to_string(limit);
  for (const fxformat::Pass& pass : technique.passes) {
    const std::string where = "pass \"" + pass.name + "\": ";
    if (d3d9::FindVertexProgram(pass.programName.c_str()) == nullptr)
      return where + "vertex program \"" + pass.programName + "\" is not registered";
    if (pass.program.constantRegisters > limit)
      return where + "program needs " + std::to_string(pass.program.constantRegisters) +
             " constant registers, the device has " + std::to_string(limit);
    for (int i = 0; i < pass.program.inputCount; ++i)
      if (!InputGathered(pass.program.inputs[i]))
        return where + "program reads usage " + std::to_string(pass.program.inputs[i].usage) +
               " index " + std::to_string(pass.program.inputs[i].usageIndex) +
               ", which the device does not gather";
  }
  return {};
}

HRESULT Effect::ValidateTechnique(D3DXHANDLE technique) {
  const Target* t = Find(technique);
  if (t == nullptr || t->kind != Kind::kTechnique) return D3DERR_INVALIDCALL;
  const fxformat::Technique& tech = data_.techniques[t->index];
  const std::string fault = ValidationFault(tech);
  if (fault.empty()) return D3D_OK;
  RecordEffectRefusal("ValidateTechnique \"" + tech.name + "\": " + fault);
  return E_FAIL;
}

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
  // Only flags 0 (save and restore everything the passes change) is done.
  if (begun_ || flags != 0) return D3DERR_INVALIDCALL;
  const fxformat::Technique& tech = data_.techniques[technique_];
  Saved s;
  d3d9::GetVertexProgram(device_, &s.program);
  for (const fxformat::Parameter& p : data_.parameters) {
    if (p.registerCount == 0) continue;
    const size_t at = s.constants.size();
    s.constants.resize(at + p.registerCount);
    device_->GetVertexShaderConstantF(p.firstRegister, &s.constants[at].x, p.registerCount);
  }
  for (DWORD stage : StagesOf(tech)) {
    SavedStage saved{stage, {}, nullptr};
    for (int k = 0; k < 5; ++k)
      device_->GetSamplerState(stage, kPassSamplerStates[k], &saved.states[k]);
    device_->GetTexture(stage, &saved.texture);
    s.stages.push_back(saved);
  }
  saved_ = std::move(s);
  begun_ = true;
  inPass_ = false;
  if (passes != nullptr) *passes = static_cast<UINT>(tech.passes.size());
  return D3D_OK;
}

HRESULT Effect::BeginPass(UINT pass) {
  const fxformat::Technique& tech = data_.techniques[technique_];
  if (!begun_ || inPass_ || pass >= tech.passes.size()) return D3DERR_INVALIDCALL;
  const fxformat::Pass& p = tech.passes[pass];
  d3d9::SetVertexProgram(device_, p.program);
  for (const fxformat::Parameter& param : data_.parameters)
    if (param.registerCount != 0)
      device_->SetVertexShaderConstantF(param.firstRegister, &param.registers[0].x,
                                        param.registerCount);
  for (const fxformat::Binding& b : p.bindings) {
    const fxformat::Parameter& sampler = data_.parameters[b.sampler];
    const DWORD values[5] = {sampler.minFilter, sampler.magFilter, sampler.mipFilter,
                             sampler.addressU, sampler.addressV};
    for (int k = 0; k < 5; ++k) device_->SetSamplerState(b.stage, kPassSamplerStates[k], values[k]);
    device_->SetTexture(b.stage, textures_[sampler.texture]);
  }
  inPass_ = true;
  return D3D_OK;
}

HRESULT Effect::EndPass() {
  if (!inPass_) return D3DERR_INVALIDCALL;
  inPass_ = false;
  return D3D_OK;
}

HRESULT Effect::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  d3d9::SetVertexProgram(device_, saved_.program);
  size_t at = 0;
  for (const fxformat::Parameter& p : data_.parameters) {
    if (p.registerCount == 0) continue;
    device_->SetVertexShaderConstantF(p.firstRegister, &saved_.constants[at].x, p.registerCount);
    at += p.registerCount;
  }
  for (const SavedStage& s : saved_.stages) {
    for (int k = 0; k < 5; ++k)
      device_->SetSamplerState(s.stage, kPassSamplerStates[k], s.states[k]);
    device_->SetTexture(s.stage, s.texture);
  }
  ReleaseSaved();
  begun_ = false;
  inPass_ = false;
  return D3D_OK;
}

void Effect::ReleaseSaved() {
  for (SavedStage& s : saved_.stages)
    if (s.texture != nullptr) s.texture->Release();
  saved_ = Saved{};
}

}  // namespace d3dx9

HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen,
                                const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD Flags,
                                LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                                LPD3DXBUFFER* ppCompilationErrors) {
  if (ppCompilationErrors != nullptr) *ppCompilationErrors = nullptr;  // nothing is compiled
  if (ppEffect == nullptr) return D3DERR_INVALIDCALL;
  *ppEffect = nullptr;
  // Macros, include handlers, pools and flags belong to compiling from
  // source or sharing parameters, neither of which this layer does.
  if (dynamic_cast<d3d9::Device*>(pDevice) == nullptr || pSrcData == nullptr ||
      pDefines != nullptr || pInclude != nullptr || pPool != nullptr || Flags != 0)
    return D3DERR_INVALIDCALL;
  if (win32::AllocationFails("D3DXCreateEffect")) return E_OUTOFMEMORY;
  try {
    fxformat::EffectData data;
    const fxformat::ParseResult r =
        fxformat::ParseEffect(static_cast<const uint8_t*>(pSrcData), SrcDataLen, &data);
    if (r.error != fxformat::ParseError::kOk) {
      d3dx9::RecordEffectRefusal(std::string("D3DXCreateEffect: ") +
                                 fxformat::ParseErrorName(r.error) + " at byte " +
                                 std::to_string(r.offset));
      return D3DXERR_INVALIDDATA;
    }
    *ppEffect = new d3dx9::Effect(pDevice, std::move(data));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}
