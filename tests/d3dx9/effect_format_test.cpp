// The compiled-effect format: what the writer writes is what D3DXCreateEffect
// reads back, and every way a blob can be malformed is refused with its
// reason, no effect and nothing read outside the bytes given.
#include <cstring>
#include <functional>
#include <string>

#include "d3dx9/effect_parse.h"
#include "effect_fixture.h"

namespace effect_test {
namespace {

using fxc::ParamType;
using fxformat::ParseError;

fxformat::ParseResult Parse(const std::vector<uint8_t>& blob, fxformat::EffectData* out) {
  return fxformat::ParseEffect(blob.data(), blob.size(), out);
}

void PutU32(std::vector<uint8_t>& blob, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) blob[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST_F(EffectTest, RoundTripKeepsEveryRecord) {
  const fxc::EffectDesc desc = ToyEffect();
  fxformat::EffectData data;
  ASSERT_EQ(Parse(fxc::WriteEffect(desc), &data).error, ParseError::kOk);

  ASSERT_EQ(data.parameters.size(), desc.parameters.size());
  for (size_t i = 0; i < desc.parameters.size(); ++i) {
    SCOPED_TRACE(desc.parameters[i].name);
    const fxc::ParameterDesc& want = desc.parameters[i];
    const fxformat::Parameter& got = data.parameters[i];
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(static_cast<uint32_t>(got.type), static_cast<uint32_t>(want.type));
    EXPECT_EQ(got.elements, want.elements);
    EXPECT_EQ(got.firstRegister, want.firstRegister);
    EXPECT_EQ(got.registerCount, fxc::RegistersPerElement(want.type) * std::max(1u, want.elements));
    if (want.type != ParamType::Sampler) continue;
    EXPECT_EQ(data.parameters[got.texture].name, want.sampler.texture);
    EXPECT_EQ(got.minFilter, want.sampler.minFilter);
    EXPECT_EQ(got.magFilter, want.sampler.magFilter);
    EXPECT_EQ(got.mipFilter, want.sampler.mipFilter);
    EXPECT_EQ(got.addressU, want.sampler.addressU);
    EXPECT_EQ(got.addressV, want.sampler.addressV);
  }
  // Defaults become register images: the identity's columns, a float4 as
  // given, a float3 with w = 0, an array without defaults all zero.
  EXPECT_EQ(data.parameters[0].registers[3].w, 1.0f);
  EXPECT_EQ(data.parameters[0].registers[3].x, 0.0f);
  EXPECT_EQ(data.parameters[1].registers[0].y, 0.5f);
  EXPECT_EQ(data.parameters[2].registers[0].z, 3.0f);
  EXPECT_EQ(data.parameters[2].registers[0].w, 0.0f);
  ASSERT_EQ(data.parameters[3].registers.size(), 225u);
  EXPECT_EQ(data.parameters[3].registers[224].w, 0.0f);

  ASSERT_EQ(data.techniques.size(), desc.techniques.size());
  for (size_t t = 0; t < desc.techniques.size(); ++t) {
    EXPECT_EQ(data.techniques[t].name, desc.techniques[t].name);
    ASSERT_EQ(data.techniques[t].passes.size(), desc.techniques[t].passes.size());
    for (size_t p = 0; p < desc.techniques[t].passes.size(); ++p) {
      const fxc::PassDesc& want = desc.techniques[t].passes[p];
      const fxformat::Pass& got = data.techniques[t].passes[p];
      EXPECT_EQ(got.name, want.name);
      EXPECT_EQ(got.programName, want.vertexProgram);
      EXPECT_EQ(got.program.program, d3d9::FindVertexProgram(want.vertexProgram.c_str())->program);
      ASSERT_EQ(got.bindings.size(), want.samplers.size());
      for (size_t b = 0; b < want.samplers.size(); ++b) {
        EXPECT_EQ(got.bindings[b].stage, want.samplers[b].stage);
        EXPECT_EQ(data.parameters[got.bindings[b].sampler].name, want.samplers[b].sampler);
      }
    }
  }

  // And through the public entry point: every name resolves.
  CreateToy();
  for (const fxc::ParameterDesc& p : desc.parameters)
    EXPECT_NE(effect_->GetParameterByName(nullptr, p.name.c_str()), nullptr) << p.name;
  for (const fxc::TechniqueDesc& t : desc.techniques)
    EXPECT_NE(effect_->GetTechniqueByName(t.name.c_str()), nullptr) << t.name;
  EXPECT_EQ(effect_->GetParameterByName(nullptr, "Missing"), nullptr);
  EXPECT_EQ(effect_->GetTechniqueByName("Missing"), nullptr);
  EXPECT_EQ(effect_->GetParameterByName(nullptr, nullptr), nullptr);
}

// One malformed blob: made from the toy description by changing it, or
// from its bytes by patching or cutting them.
struct Malformed {
  const char* name;
  std::function<void(fxc::EffectDesc&)> editDesc;
  std::function<void(std::vector<uint8_t>&, const fxc::EffectLayout&)> editBytes;
  ParseError error;
};

void PrintTo(const Malformed& m, std::ostream* os) { *os << m.name; }

using Desc = fxc::EffectDesc;
using Bytes = std::vector<uint8_t>;
using Layout = fxc::EffectLayout;

const Malformed kMalformed[] = {
    {"BadMagic", nullptr, [](Bytes& b, const Layout&) { b[0] ^= 0xFF; }, ParseError::kBadMagic},
    {"BadVersion", nullptr, [](Bytes& b, const Layout&) { PutU32(b, 4, 2); },
     ParseError::kBadVersion},
    {"HeaderCutShort", nullptr, [](Bytes& b, const Layout&) { b.resize(10); },
     ParseError::kTruncated},
    {"ParameterCountBeyondBlob", nullptr, [](Bytes& b, const Layout&) { PutU32(b, 8, 1000); },
     ParseError::kCountTooLarge},
    {"ParameterCountBeyondLimit", nullptr,
     [](Bytes& b, const Layout&) { PutU32(b, 8, 0xFFFFFFFFu); }, ParseError::kCountTooLarge},
    {"TechniqueCountBeyondBlob", nullptr, [](Bytes& b, const Layout&) { PutU32(b, 12, 200); },
     ParseError::kCountTooLarge},
    {"NoTechniques", nullptr, [](Bytes& b, const Layout&) { PutU32(b, 12, 0); },
     ParseError::kNoTechniques},
    {"ParameterCutShort", nullptr,
     [](Bytes& b, const Layout& l) { b.resize(l.parameters[3] + 10); }, ParseError::kTruncated},
    {"SamplerCutShort", nullptr, [](Bytes& b, const Layout& l) { b.resize(l.parameters[7] + 40); },
     ParseError::kTruncated},
    {"TechniqueCutShort", nullptr, [](Bytes& b, const Layout& l) { b.resize(l.techniques[1] + 3); },
     ParseError::kTruncated},
    {"PassCutShort", nullptr, [](Bytes& b, const Layout& l) { b.resize(l.passes[1] + 8); },
     ParseError::kTruncated},
    {"LastBindingCutShort", nullptr,
     [](Bytes& b, const Layout& l) { b.resize(l.techniques[1] - 2); }, ParseError::kTruncated},
    {"TrailingByte", nullptr, [](Bytes& b, const Layout&) { b.push_back(0); },
     ParseError::kTrailingBytes},
    {"PassCountBeyondBlob", nullptr,
     [](Bytes& b, const Layout& l) { PutU32(b, l.techniques[1] + 4 + 6, 40); },
     ParseError::kCountTooLarge},
    {"NameLengthBeyondBlob", nullptr,
     [](Bytes& b, const Layout& l) {
       PutU32(b, l.techniques[1], 100);
       b.resize(l.techniques[1] + 60);
     },
     ParseError::kTruncated},
    {"EmptyName", [](Desc& d) { d.parameters[1].name.clear(); }, nullptr, ParseError::kBadName},
    {"NameTooLong", [](Desc& d) { d.techniques[0].name.assign(256, 'x'); }, nullptr,
     ParseError::kBadName},
    {"NameWithNul", [](Desc& d) { d.parameters[1].name = std::string("Co\0lor", 6); }, nullptr,
     ParseError::kBadName},
    {"DuplicateParameter", [](Desc& d) { d.parameters[2].name = "Color"; }, nullptr,
     ParseError::kDuplicateName},
    {"DuplicateTechnique", [](Desc& d) { d.techniques[1].name = "Main"; }, nullptr,
     ParseError::kDuplicateName},
    {"DuplicatePass", [](Desc& d) { d.techniques[0].passes[1].name = "Transform"; }, nullptr,
     ParseError::kDuplicateName},
    {"UnknownType", nullptr, [](Bytes& b, const Layout& l) { PutU32(b, l.parameters[1] + 9, 6); },
     ParseError::kBadType},
    {"ArrayOfTextures", [](Desc& d) { d.parameters[4].elements = 2; }, nullptr,
     ParseError::kBadArray},
    {"ArrayTooLong", [](Desc& d) { d.parameters[2].elements = 257; }, nullptr,
     ParseError::kBadArray},
    {"DefaultCountFitsNeither",
     [](Desc& d) {
       d.parameters[1].defaults = {1, 2, 3};
     },
     nullptr, ParseError::kBadDefaults},
    // One parameter and one technique, so the header's counts still fit.
    {"DefaultsBeyondBlob",
     [](Desc& d) {
       d.parameters.resize(1);
       d.techniques.erase(d.techniques.begin());
     },
     [](Bytes& b, const Layout& l) { b.resize(l.parameters[0] + 60); }, ParseError::kTruncated},
    {"MatrixPastLastRegister", [](Desc& d) { d.parameters[0].firstRegister = 253; }, nullptr,
     ParseError::kRegisterRange},
    {"PalettePastLastRegister", [](Desc& d) { d.parameters[3].firstRegister = 32; }, nullptr,
     ParseError::kRegisterRange},
    {"RegisterWrapsAround", [](Desc& d) { d.parameters[1].firstRegister = 0xFFFFFFFFu; }, nullptr,
     ParseError::kRegisterRange},
    {"RegisterOnTexture", [](Desc& d) { d.parameters[4].firstRegister = 250; }, nullptr,
     ParseError::kRegisterRange},
    {"RegistersShared", [](Desc& d) { d.parameters[2].firstRegister = 3; }, nullptr,
     ParseError::kRegisterOverlap},
    {"FilterUnknown", [](Desc& d) { d.parameters[6].sampler.magFilter = 4; }, nullptr,
     ParseError::kBadSamplerState},
    {"AddressZero", [](Desc& d) { d.parameters[7].sampler.addressV = 0; }, nullptr,
     ParseError::kBadSamplerState},
    {"SamplerNamesNonTexture", [](Desc& d) { d.parameters[6].sampler.texture = "Color"; }, nullptr,
     ParseError::kSamplerTexture},
    {"SamplerNamesNothing", [](Desc& d) { d.parameters[6].sampler.texture = "Nothing"; }, nullptr,
     ParseError::kSamplerTexture},
    {"BindingNamesNonSampler",
     [](Desc& d) { d.techniques[0].passes[0].samplers[0].sampler = "Texture"; }, nullptr,
     ParseError::kBindingSampler},
    {"StagePastLast", [](Desc& d) { d.techniques[0].passes[0].samplers[0].stage = 8; }, nullptr,
     ParseError::kBadStage},
    {"StageBoundTwice", [](Desc& d) { d.techniques[0].passes[1].samplers[1].stage = 0; }, nullptr,
     ParseError::kBadStage},
    {"TooManyBindings",
     [](Desc& d) {
       for (uint32_t s = 0; s < 9; ++s)
         d.techniques[1].passes[0].samplers.push_back({s, "WrapSampler"});
     },
     nullptr, ParseError::kCountTooLarge},
    {"UnknownProgram", [](Desc& d) { d.techniques[1].passes[0].vertexProgram = "toy_missing"; },
     nullptr, ParseError::kUnknownProgram},
    {"TechniqueWithoutPasses", [](Desc& d) { d.techniques[1].passes.clear(); }, nullptr,
     ParseError::kNoPasses},
};

class MalformedEffectTest : public EffectTest, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedEffectTest, IsRefusedWithItsReason) {
  const Malformed& m = GetParam();
  fxc::EffectDesc desc = ToyEffect();
  if (m.editDesc) m.editDesc(desc);
  fxc::EffectLayout layout;
  std::vector<uint8_t> blob = fxc::WriteEffect(desc, &layout);
  if (m.editBytes) m.editBytes(blob, layout);
  // The exact size, so anything read past the end shows under ASan.
  std::vector<uint8_t> exact(blob);
  exact.shrink_to_fit();

  fxformat::EffectData data;
  EXPECT_EQ(Parse(exact, &data).error, m.error)
      << fxformat::ParseErrorName(Parse(exact, &data).error);
  EXPECT_TRUE(data.parameters.empty() && data.techniques.empty());

  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(&data);  // must be overwritten
  EXPECT_EQ(Create(exact, &effect), D3DXERR_INVALIDDATA);
  EXPECT_EQ(effect, nullptr);
  EXPECT_NE(testing_hooks::LastEffectRefusal().find(fxformat::ParseErrorName(m.error)),
            std::string::npos)
      << testing_hooks::LastEffectRefusal();
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedEffectTest, ::testing::ValuesIn(kMalformed),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EffectTest, EveryCutOfAGoodBlobIsRefused) {
  const std::vector<uint8_t> blob = fxc::WriteEffect(ToyEffect());
  for (size_t n = 0; n < blob.size(); ++n) {
    // A copy of exactly n bytes, so a read past its end is caught by ASan.
    std::vector<uint8_t> cut(blob.begin(), blob.begin() + static_cast<ptrdiff_t>(n));
    cut.shrink_to_fit();
    const uint8_t none = 0;
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(D3DXCreateEffect(device_, n == 0 ? &none : cut.data(), static_cast<UINT>(n), nullptr,
                               nullptr, 0, nullptr, &effect, nullptr),
              D3DXERR_INVALIDDATA)
        << "cut at " << n;
    ASSERT_EQ(effect, nullptr);
  }
  ASSERT_EQ(Create(blob, &effect_), D3D_OK);
}

TEST_F(EffectTest, UnsupportedArgumentsAreRefused) {
  const std::vector<uint8_t> blob = fxc::WriteEffect(ToyEffect());
  const UINT size = static_cast<UINT>(blob.size());
  const D3DXMACRO macros[] = {{"A", "1"}, {nullptr, nullptr}};
  auto* include = reinterpret_cast<LPD3DXINCLUDE>(0x10);
  auto* pool = reinterpret_cast<LPD3DXEFFECTPOOL>(0x10);
  ID3DXEffect* effect = nullptr;
  const auto refused = [&](HRESULT hr) {
    const bool ok = hr == D3DERR_INVALIDCALL && effect == nullptr;
    effect = nullptr;
    return ok;
  };
  EXPECT_TRUE(refused(
      D3DXCreateEffect(device_, blob.data(), size, macros, nullptr, 0, nullptr, &effect, nullptr)));
  EXPECT_TRUE(refused(D3DXCreateEffect(device_, blob.data(), size, nullptr, include, 0, nullptr,
                                       &effect, nullptr)));
  EXPECT_TRUE(refused(D3DXCreateEffect(device_, blob.data(), size, nullptr, nullptr, 1, nullptr,
                                       &effect, nullptr)));
  EXPECT_TRUE(refused(
      D3DXCreateEffect(device_, blob.data(), size, nullptr, nullptr, 0, pool, &effect, nullptr)));
  EXPECT_TRUE(refused(D3DXCreateEffect(nullptr, blob.data(), size, nullptr, nullptr, 0, nullptr,
                                       &effect, nullptr)));
  EXPECT_TRUE(refused(
      D3DXCreateEffect(device_, nullptr, size, nullptr, nullptr, 0, nullptr, &effect, nullptr)));
  EXPECT_EQ(
      D3DXCreateEffect(device_, blob.data(), size, nullptr, nullptr, 0, nullptr, nullptr, nullptr),
      D3DERR_INVALIDCALL);
}

// A name registered again after an effect resolved it: the effect keeps the
// program it was made with.
TEST_F(EffectTest, EffectKeepsTheProgramItResolved) {
  CreateToy();
  ASSERT_EQ(d3d9::RegisterVertexProgram(
                "toy_transform", d3d9::VertexProgramInfo{FlatProgram, &g_flatUser, 5, nullptr, 0}),
            D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(effect_->BeginPass(0), D3D_OK);
  EXPECT_EQ(BoundProgramUser(), &g_transformUser);
  effect_->EndPass();
  effect_->End();
  // Refused registrations change nothing.
  EXPECT_EQ(d3d9::RegisterVertexProgram(nullptr, {FlatProgram}), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::RegisterVertexProgram("", {FlatProgram}), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::RegisterVertexProgram("toy_flat", {nullptr}), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::RegisterVertexProgram("toy_flat", {FlatProgram, nullptr, -1}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::RegisterVertexProgram("toy_flat", {FlatProgram, nullptr, 0, nullptr, 1}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d9::FindVertexProgram("toy_flat")->user, &g_flatUser);
  EXPECT_EQ(d3d9::FindVertexProgram(nullptr), nullptr);
  EXPECT_EQ(d3d9::FindVertexProgram("toy_missing"), nullptr);
}

}  // namespace
}  // namespace effect_test
