// The compiled-effect writer: little-endian records in the order the reader
// expects.
#include "tools/effectc/effect_writer.h"

#include <cstring>

#include "d3dx9/effect_format.h"

namespace fxc {

namespace {

// A ParamType is written as, and cast to, the format's type code.
constexpr bool SameCode(ParamType ours, fxformat::TypeCode code) {
  return static_cast<uint32_t>(ours) == static_cast<uint32_t>(code);
}
static_assert(SameCode(ParamType::Float3, fxformat::TypeCode::kFloat3) &&
              SameCode(ParamType::Float4, fxformat::TypeCode::kFloat4) &&
              SameCode(ParamType::Float4x3, fxformat::TypeCode::kFloat4x3) &&
              SameCode(ParamType::Float4x4, fxformat::TypeCode::kFloat4x4) &&
              SameCode(ParamType::Texture, fxformat::TypeCode::kTexture) &&
              SameCode(ParamType::Sampler, fxformat::TypeCode::kSampler));
static_assert(static_cast<uint32_t>(ParamType::Sampler) + 1 == fxformat::kTypeCodes);

class Out {
 public:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void F32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    U32(v);
  }
  void String(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    bytes_.insert(bytes_.end(), s.begin(), s.end());
  }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

void WriteParameter(Out& out, const ParameterDesc& p) {
  out.String(p.name);
  out.U32(static_cast<uint32_t>(p.type));
  out.U32(p.elements);
  out.U32(p.firstRegister);
  out.U32(static_cast<uint32_t>(p.defaults.size()));
  for (float f : p.defaults) out.F32(f);
  if (p.type == ParamType::Sampler) {
    out.String(p.sampler.texture);
    out.U32(p.sampler.minFilter);
    out.U32(p.sampler.magFilter);
    out.U32(p.sampler.mipFilter);
    out.U32(p.sampler.addressU);
    out.U32(p.sampler.addressV);
  }
}

}  // namespace

uint32_t RegistersPerElement(ParamType type) {
  return fxformat::RegistersPerElement(static_cast<fxformat::TypeCode>(type));
}
uint32_t FloatsPerElement(ParamType type) {
  return fxformat::FloatsPerElement(static_cast<fxformat::TypeCode>(type));
}

std::vector<uint8_t> WriteEffect(const EffectDesc& desc) { return WriteEffect(desc, nullptr); }

std::vector<uint8_t> WriteEffect(const EffectDesc& desc, EffectLayout* layout) {
  EffectLayout l;
  Out out;
  out.U32(fxformat::kMagic);
  out.U32(fxformat::kVersion);
  out.U32(static_cast<uint32_t>(desc.parameters.size()));
  out.U32(static_cast<uint32_t>(desc.techniques.size()));
  l.headerEnd = out.size();
  for (const ParameterDesc& p : desc.parameters) {
    l.parameters.push_back(out.size());
    WriteParameter(out, p);
  }
  for (const TechniqueDesc& t : desc.techniques) {
    l.techniques.push_back(out.size());
    out.String(t.name);
    out.U32(static_cast<uint32_t>(t.passes.size()));
    for (const PassDesc& pass : t.passes) {
      l.passes.push_back(out.size());
      out.String(pass.name);
      out.String(pass.vertexProgram);
      out.U32(static_cast<uint32_t>(pass.samplers.size()));
      for (const SamplerBinding& b : pass.samplers) {
        out.U32(b.stage);
        out.String(b.sampler);
      }
    }
  }
  l.end = out.size();
  if (layout != nullptr) *layout = std::move(l);
  return out.Take();
}

}  // namespace fxc
