// Reading a compiled effect. Every count is checked against the bytes left
// before anything is reserved, so a hostile count cannot make the reader
// allocate or loop beyond what the blob holds.
#include "d3dx9/effect_parse.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>

namespace fxformat {

namespace {

// Smallest encodings, for checking counts against the bytes left.
constexpr size_t kMinString = 4 + 1;
constexpr size_t kMinParameter = kMinString + 4 * 4;
constexpr size_t kMinPass = kMinString * 2 + 4;
constexpr size_t kMinTechnique = kMinString + 4 + kMinPass;
constexpr size_t kMinBinding = 4 + kMinString;

struct Failure {
  ParseError error;
  size_t offset;
};

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  size_t offset() const { return at_; }
  size_t left() const { return size_ - at_; }

  uint32_t U32() {
    Need(4);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{bytes_[at_ + i]} << (8 * i);
    at_ += 4;
    return v;
  }
  float F32() {
    const uint32_t v = U32();
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
  }
  std::string String() {
    const size_t start = at_;
    const uint32_t length = U32();
    if (length == 0 || length > kMaxNameLength) throw Failure{ParseError::kBadName, start};
    Need(length);
    std::string s(reinterpret_cast<const char*>(bytes_ + at_), length);
    if (s.find('\0') != std::string::npos) throw Failure{ParseError::kBadName, start};
    at_ += length;
    return s;
  }
  // A count of records at least `minSize` bytes each, no more than `limit`.
  uint32_t Count(uint32_t limit, size_t minSize) {
    const size_t start = at_;
    const uint32_t n = U32();
    if (n > limit || uint64_t{n} * minSize > left())
      throw Failure{ParseError::kCountTooLarge, start};
    return n;
  }

 private:
  void Need(size_t n) {
    if (n > left()) throw Failure{ParseError::kTruncated, at_};
  }

  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
};

void Fail(ParseError error, size_t offset) { throw Failure{error, offset}; }

bool IsNumeric(TypeCode t) { return RegistersPerElement(t) != 0; }

// Turns the defaults (row-major per element) into register images.
void DefaultsToRegisters(const std::vector<float>& defaults, Parameter* p) {
  p->registers.assign(p->registerCount, raster::Float4{0, 0, 0, 0});
  if (defaults.empty()) return;
  const uint32_t floats = FloatsPerElement(p->type);
  const uint32_t regs = RegistersPerElement(p->type);
  const uint32_t count = std::max(1u, p->elements);
  for (uint32_t e = 0; e < count; ++e) {
    const float* d = defaults.data() + size_t{e} * floats;
    raster::Float4* out = p->registers.data() + size_t{e} * regs;
    if (p->type == TypeCode::kFloat3 || p->type == TypeCode::kFloat4) {
      const float v[4] = {d[0], d[1], d[2], p->type == TypeCode::kFloat4 ? d[3] : 0.0f};
      VectorToRegister(p->type, v, out);
    } else {
      // Spread the 4x3 or 4x4 rows into a 4x4 so one conversion serves both.
      const uint32_t cols = floats / 4;
      float m[16] = {};
      for (uint32_t r = 0; r < 4; ++r)
        for (uint32_t c = 0; c < cols; ++c) m[r * 4 + c] = d[r * cols + c];
      MatrixToRegisters(p->type, m, out);
    }
  }
}

// A sampler's texture, named before every parameter is known.
struct PendingTexture {
  size_t sampler;
  std::string name;
  size_t offset;
};

Parameter ReadParameter(Reader& in, bool registersUsed[kConstantRegisters],
                        std::vector<PendingTexture>* pending, size_t index) {
  Parameter p;
  p.name = in.String();
  const size_t typeAt = in.offset();
  const uint32_t type = in.U32();
  if (type >= kTypeCodes) Fail(ParseError::kBadType, typeAt);
  p.type = static_cast<TypeCode>(type);
  const size_t elementsAt = in.offset();
  p.elements = in.U32();
  if (p.elements > kMaxElements || (p.elements != 0 && !IsNumeric(p.type)))
    Fail(ParseError::kBadArray, elementsAt);
  const size_t registerAt = in.offset();
  p.firstRegister = in.U32();
  p.registerCount = RegistersPerElement(p.type) * std::max(1u, p.elements);
  if (!IsNumeric(p.type) ? p.firstRegister != 0
                         : uint64_t{p.firstRegister} + p.registerCount > kConstantRegisters)
    Fail(ParseError::kRegisterRange, registerAt);
  for (uint32_t r = p.firstRegister; r < p.firstRegister + p.registerCount; ++r) {
    if (registersUsed[r]) Fail(ParseError::kRegisterOverlap, registerAt);
    registersUsed[r] = true;
  }

  const size_t defaultsAt = in.offset();
  const uint32_t defaultCount = in.U32();
  const uint32_t full = FloatsPerElement(p.type) * std::max(1u, p.elements);
  if (defaultCount != 0 && defaultCount != full) Fail(ParseError::kBadDefaults, defaultsAt);
  if (uint64_t{defaultCount} * 4 > in.left()) Fail(ParseError::kTruncated, in.offset());
  std::vector<float> defaults(defaultCount);
  for (float& f : defaults) f = in.F32();
  DefaultsToRegisters(defaults, &p);

  if (p.type == TypeCode::kSampler) {
    const size_t textureAt = in.offset();
    pending->push_back(PendingTexture{index, in.String(), textureAt});
    const size_t statesAt = in.offset();
    p.minFilter = in.U32();
    p.magFilter = in.U32();
    p.mipFilter = in.U32();
    p.addressU = in.U32();
    p.addressV = in.U32();
    const auto filterOk = [](uint32_t f) { return f <= 3; };
    const auto addressOk = [](uint32_t a) { return a >= 1 && a <= 5; };
    if (!filterOk(p.minFilter) || !filterOk(p.magFilter) || !filterOk(p.mipFilter) ||
        !addressOk(p.addressU) || !addressOk(p.addressV))
      Fail(ParseError::kBadSamplerState, statesAt);
  }
  return p;
}

template <class Record>
void CheckUnique(const std::vector<Record>& records, const std::vector<size_t>& offsets) {
  std::map<std::string_view, size_t> seen;
  for (size_t i = 0; i < records.size(); ++i)
    if (!seen.emplace(records[i].name, i).second) Fail(ParseError::kDuplicateName, offsets[i]);
}

uint32_t FindParameter(const std::vector<Parameter>& params, std::string_view name, TypeCode type) {
  for (size_t i = 0; i < params.size(); ++i)
    if (params[i].type == type && params[i].name == name) return static_cast<uint32_t>(i);
  return kNoParameter;
}

void ResolveSamplers(std::vector<Parameter>& params, const std::vector<PendingTexture>& pending) {
  for (const PendingTexture& t : pending) {
    params[t.sampler].texture = FindParameter(params, t.name, TypeCode::kTexture);
    if (params[t.sampler].texture == kNoParameter) Fail(ParseError::kSamplerTexture, t.offset);
  }
}

Pass ReadPass(Reader& in, const std::vector<Parameter>& params) {
  Pass pass;
  pass.name = in.String();
  const size_t programAt = in.offset();
  pass.programName = in.String();
  const d3d9::VertexProgramInfo* info = d3d9::FindVertexProgram(pass.programName.c_str());
  if (info == nullptr) Fail(ParseError::kUnknownProgram, programAt);
  pass.program = *info;
  const uint32_t bindings = in.Count(kMaxBindings, kMinBinding);
  bool stageUsed[kSamplerStages] = {};
  for (uint32_t b = 0; b < bindings; ++b) {
    const size_t stageAt = in.offset();
    Binding binding;
    binding.stage = in.U32();
    if (binding.stage >= kSamplerStages || stageUsed[binding.stage])
      Fail(ParseError::kBadStage, stageAt);
    stageUsed[binding.stage] = true;
    const size_t samplerAt = in.offset();
    binding.sampler = FindParameter(params, in.String(), TypeCode::kSampler);
    if (binding.sampler == kNoParameter) Fail(ParseError::kBindingSampler, samplerAt);
    pass.bindings.push_back(binding);
  }
  return pass;
}

Technique ReadTechnique(Reader& in, const std::vector<Parameter>& params) {
  Technique t;
  t.name = in.String();
  const size_t countAt = in.offset();
  const uint32_t passes = in.Count(kMaxPasses, kMinPass);
  if (passes == 0) Fail(ParseError::kNoPasses, countAt);
  std::vector<size_t> offsets;
  for (uint32_t i = 0; i < passes; ++i) {
    offsets.push_back(in.offset());
    t.passes.push_back(ReadPass(in, params));
  }
  CheckUnique(t.passes, offsets);
  return t;
}

void Parse(Reader& in, EffectData* out) {
  if (in.U32() != kMagic) Fail(ParseError::kBadMagic, 0);
  if (in.U32() != kVersion) Fail(ParseError::kBadVersion, 4);
  // The parameter count can only be checked once the technique count is
  // known to need at least one technique's bytes as well.
  const uint32_t parameterCount = in.Count(kMaxParameters, kMinParameter);
  const size_t techniquesAt = in.offset();
  const uint32_t techniqueCount = in.Count(kMaxTechniques, kMinTechnique);
  if (techniqueCount == 0) Fail(ParseError::kNoTechniques, techniquesAt);

  bool registersUsed[kConstantRegisters] = {};
  std::vector<PendingTexture> pending;
  std::vector<size_t> offsets;
  for (uint32_t i = 0; i < parameterCount; ++i) {
    offsets.push_back(in.offset());
    out->parameters.push_back(ReadParameter(in, registersUsed, &pending, i));
  }
  CheckUnique(out->parameters, offsets);
  ResolveSamplers(out->parameters, pending);

  offsets.clear();
  for (uint32_t i = 0; i < techniqueCount; ++i) {
    offsets.push_back(in.offset());
    out->techniques.push_back(ReadTechnique(in, out->parameters));
  }
  CheckUnique(out->techniques, offsets);
  if (in.left() != 0) Fail(ParseError::kTrailingBytes, in.offset());
}

}  // namespace

const char* ParseErrorName(ParseError error) {
  switch (error) {
    case ParseError::kOk: return "ok";
    case ParseError::kBadMagic: return "not a compiled effect (magic)";
    case ParseError::kBadVersion: return "unsupported version";
    case ParseError::kTruncated: return "record cut short";
    case ParseError::kCountTooLarge: return "count beyond its limit or the blob";
    case ParseError::kTrailingBytes: return "bytes after the last technique";
    case ParseError::kBadName: return "bad name";
    case ParseError::kDuplicateName: return "duplicate name";
    case ParseError::kBadType: return "unknown parameter type";
    case ParseError::kBadArray: return "bad array size";
    case ParseError::kBadDefaults: return "bad default count";
    case ParseError::kRegisterRange: return "registers out of range";
    case ParseError::kRegisterOverlap: return "registers shared by two parameters";
    case ParseError::kBadSamplerState: return "bad sampler state";
    case ParseError::kSamplerTexture: return "sampler names no texture parameter";
    case ParseError::kBadStage: return "bad sampler stage";
    case ParseError::kBindingSampler: return "binding names no sampler parameter";
    case ParseError::kUnknownProgram: return "unknown vertex program";
    case ParseError::kNoTechniques: return "no techniques";
    case ParseError::kNoPasses: return "technique without passes";
  }
  return "?";
}

ParseResult ParseEffect(const uint8_t* bytes, size_t size, EffectData* out) {
  *out = EffectData{};
  if (bytes == nullptr) return {ParseError::kTruncated, 0};
  Reader in(bytes, size);
  try {
    Parse(in, out);
  } catch (const Failure& f) {
    *out = EffectData{};
    return {f.error, f.offset};
  }
  return {};
}

void MatrixToRegisters(TypeCode type, const float m[16], raster::Float4* registers) {
  const uint32_t columns = RegistersPerElement(type);
  for (uint32_t k = 0; k < columns; ++k)
    registers[k] = raster::Float4{m[0 * 4 + k], m[1 * 4 + k], m[2 * 4 + k], m[3 * 4 + k]};
}

void VectorToRegister(TypeCode type, const float v[4], raster::Float4* reg) {
  *reg = raster::Float4{v[0], v[1], v[2], type == TypeCode::kFloat3 ? 0.0f : v[3]};
}

}  // namespace fxformat
