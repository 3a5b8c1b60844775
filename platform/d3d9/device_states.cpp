// Render, texture-stage and sampler states: their defaults as Direct3D 9
// documents them, Get/Set, and the translation into raster::State at a draw.
#include <cstring>
#include <utility>

#include "d3d9/device.h"

namespace d3d9 {

namespace {

constexpr DWORD kOne = 0x3F800000;  // 1.0f as stored in a DWORD state

// MapCompare and MapBlend cast by offset: the raster enums list the
// interface's values in the interface's order.
template <typename D3d, typename Ours, size_t N>
constexpr bool SameOrder(const std::pair<D3d, Ours> (&pairs)[N]) {
  for (const auto& [d3d, ours] : pairs) {
    if (d3d - pairs[0].first != static_cast<int>(ours)) return false;
  }
  return true;
}
using C = raster::Compare;
constexpr std::pair<D3DCMPFUNC, C> kCompareOrder[] = {{D3DCMP_NEVER, C::kNever},
                                                      {D3DCMP_LESS, C::kLess},
                                                      {D3DCMP_EQUAL, C::kEqual},
                                                      {D3DCMP_LESSEQUAL, C::kLessEqual},
                                                      {D3DCMP_GREATER, C::kGreater},
                                                      {D3DCMP_NOTEQUAL, C::kNotEqual},
                                                      {D3DCMP_GREATEREQUAL, C::kGreaterEqual},
                                                      {D3DCMP_ALWAYS, C::kAlways}};
static_assert(SameOrder(kCompareOrder));
using B = raster::BlendFactor;
constexpr std::pair<D3DBLEND, B> kBlendOrder[] = {
    {D3DBLEND_ZERO, B::kZero},           {D3DBLEND_ONE, B::kOne},
    {D3DBLEND_SRCCOLOR, B::kSrcColor},   {D3DBLEND_INVSRCCOLOR, B::kInvSrcColor},
    {D3DBLEND_SRCALPHA, B::kSrcAlpha},   {D3DBLEND_INVSRCALPHA, B::kInvSrcAlpha},
    {D3DBLEND_DESTALPHA, B::kDestAlpha}, {D3DBLEND_INVDESTALPHA, B::kInvDestAlpha},
    {D3DBLEND_DESTCOLOR, B::kDestColor}, {D3DBLEND_INVDESTCOLOR, B::kInvDestColor}};
static_assert(SameOrder(kBlendOrder));

bool MapCompare(DWORD value, raster::Compare* out) {
  if (value < D3DCMP_NEVER || value > D3DCMP_ALWAYS) return false;
  *out = static_cast<raster::Compare>(value - D3DCMP_NEVER);  // same order
  return true;
}

bool MapBlend(DWORD value, raster::BlendFactor* out) {
  if (value < D3DBLEND_ZERO || value > D3DBLEND_INVDESTCOLOR) return false;
  *out = static_cast<raster::BlendFactor>(value - D3DBLEND_ZERO);  // same order
  return true;
}

bool MapFilter(DWORD value, raster::Filter* out) {
  if (value == D3DTEXF_POINT) return *out = raster::Filter::kPoint, true;
  if (value == D3DTEXF_LINEAR) return *out = raster::Filter::kLinear, true;
  return false;
}

bool MapAddress(DWORD value, raster::Address* out) {
  if (value == D3DTADDRESS_WRAP) return *out = raster::Address::kWrap, true;
  if (value == D3DTADDRESS_CLAMP) return *out = raster::Address::kClamp, true;
  return false;
}

bool MapArg(DWORD value, raster::TextureArg* out) {
  switch (value) {
    case D3DTA_DIFFUSE: *out = raster::TextureArg::kDiffuse; return true;
    case D3DTA_CURRENT: *out = raster::TextureArg::kCurrent; return true;
    case D3DTA_TEXTURE: *out = raster::TextureArg::kTexture; return true;
    default: return false;  // factor, specular, temp, constant, modifiers
  }
}

// One of stage 0's two operations (colour or alpha) with its arguments,
// read from the stage's states at `op`, `op + 1` and `op + 2` (the
// operation, then its first and second argument). False with the state it
// cannot honour in *why.
static_assert(D3DTSS_COLORARG1 == D3DTSS_COLOROP + 1 && D3DTSS_COLORARG2 == D3DTSS_COLOROP + 2);
static_assert(D3DTSS_ALPHAARG1 == D3DTSS_ALPHAOP + 1 && D3DTSS_ALPHAARG2 == D3DTSS_ALPHAOP + 2);
bool MapOp(const DWORD* ts, D3DTEXTURESTAGESTATETYPE op, const char* const names[3],
           raster::TextureOp* outOp, raster::TextureArg* out1, raster::TextureArg* out2,
           Refusal* why) {
  bool use1 = false, use2 = false;
  switch (ts[op]) {
    case D3DTOP_DISABLE: *outOp = raster::TextureOp::kDisable; break;
    case D3DTOP_SELECTARG1: *outOp = raster::TextureOp::kSelectArg1, use1 = true; break;
    case D3DTOP_SELECTARG2: *outOp = raster::TextureOp::kSelectArg2, use2 = true; break;
    case D3DTOP_MODULATE: *outOp = raster::TextureOp::kModulate, use1 = use2 = true; break;
    default: return *why = {names[0], ts[op]}, false;
  }
  // An argument the operation ignores may hold anything.
  if (!MapArg(ts[op + 1], out1) && use1) return *why = {names[1], ts[op + 1]}, false;
  if (!MapArg(ts[op + 2], out2) && use2) return *why = {names[2], ts[op + 2]}, false;
  return true;
}

constexpr const char* kColorOpNames[3] = {"D3DTSS_COLOROP", "D3DTSS_COLORARG1", "D3DTSS_COLORARG2"};
constexpr const char* kAlphaOpNames[3] = {"D3DTSS_ALPHAOP", "D3DTSS_ALPHAARG1", "D3DTSS_ALPHAARG2"};

}  // namespace

void Device::SetDefaultStates() {
  DWORD* rs = renderStates_;
  rs[D3DRS_ZENABLE] = params_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGTABLEMODE] = 0;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
  rs[D3DRS_POINTSIZE] = kOne;
  rs[D3DRS_POINTSIZE_MAX] = 0x42800000;  // 64.0f
  rs[D3DRS_FOGEND] = kOne;
  rs[D3DRS_FOGDENSITY] = kOne;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_LOCALVIEWER] = TRUE;

  for (int s = 0; s < kTextureStages; ++s) {
    DWORD* ts = stageStates_[s];
    ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_COLORARG0] = ts[D3DTSS_ALPHAARG0] = ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
    DWORD* ss = samplerStates_[s];
    ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    ss[D3DSAMP_MAXANISOTROPY] = 1;
  }
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (state < 0 || state >= kRenderStates) return D3DERR_INVALIDCALL;
  renderStates_[state] = value;
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (value == nullptr || state < 0 || state >= kRenderStates) return D3DERR_INVALIDCALL;
  *value = renderStates_[state];
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= kTextureStages || type <= 0 || type >= kStageStates) return D3DERR_INVALIDCALL;
  stageStates_[stage][type] = value;
  return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (value == nullptr || stage >= kTextureStages || type <= 0 || type >= kStageStates)
    return D3DERR_INVALIDCALL;
  *value = stageStates_[stage][type];
  return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= kTextureStages || type <= 0 || type >= kSamplerStates) return D3DERR_INVALIDCALL;
  samplerStates_[sampler][type] = value;
  return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (value == nullptr || sampler >= kTextureStages || type <= 0 || type >= kSamplerStates)
    return D3DERR_INVALIDCALL;
  *value = samplerStates_[sampler][type];
  return D3D_OK;
}

bool Device::BuildState(raster::State* out, Refusal* why) const {
  const DWORD* rs = renderStates_;
  raster::State s;
  s.viewport = raster::Viewport{static_cast<int>(viewport_.X),
                                static_cast<int>(viewport_.Y),
                                static_cast<int>(viewport_.Width),
                                static_cast<int>(viewport_.Height),
                                viewport_.MinZ,
                                viewport_.MaxZ};
  auto refuse = [why](const char* state, DWORD value) {
    *why = {state, value};
    return false;
  };

  // States this device cannot honour make the draw fail rather than draw
  // something else; states with no effect on its pictures are ignored
  // (dithering, lighting and clipping flags, materials, points, fog colour).
  const int samples = this->samples();
  const DWORD sampleMask = samples == 1 ? 1u : (1u << samples) - 1u;
  const struct {
    const char* name;
    D3DRENDERSTATETYPE state;
    bool honoured;
  } required[] = {
      {"D3DRS_FILLMODE", D3DRS_FILLMODE, rs[D3DRS_FILLMODE] == D3DFILL_SOLID},
      {"D3DRS_SHADEMODE", D3DRS_SHADEMODE, rs[D3DRS_SHADEMODE] == D3DSHADE_GOURAUD},
      {"D3DRS_STENCILENABLE", D3DRS_STENCILENABLE, !rs[D3DRS_STENCILENABLE]},
      {"D3DRS_FOGENABLE", D3DRS_FOGENABLE, !rs[D3DRS_FOGENABLE]},
      {"D3DRS_SCISSORTESTENABLE", D3DRS_SCISSORTESTENABLE, !rs[D3DRS_SCISSORTESTENABLE]},
      {"D3DRS_SRGBWRITEENABLE", D3DRS_SRGBWRITEENABLE, !rs[D3DRS_SRGBWRITEENABLE]},
      {"D3DRS_CLIPPLANEENABLE", D3DRS_CLIPPLANEENABLE, !rs[D3DRS_CLIPPLANEENABLE]},
      {"D3DRS_DEPTHBIAS", D3DRS_DEPTHBIAS, !rs[D3DRS_DEPTHBIAS]},
      {"D3DRS_SLOPESCALEDEPTHBIAS", D3DRS_SLOPESCALEDEPTHBIAS, !rs[D3DRS_SLOPESCALEDEPTHBIAS]},
      {"D3DRS_COLORWRITEENABLE", D3DRS_COLORWRITEENABLE, (rs[D3DRS_COLORWRITEENABLE] & 0x7) == 0x7},
      {"D3DRS_MULTISAMPLEMASK", D3DRS_MULTISAMPLEMASK,
       (rs[D3DRS_MULTISAMPLEMASK] & sampleMask) == sampleMask},
  };
  for (const auto& r : required) {
    if (!r.honoured) return refuse(r.name, rs[r.state]);
  }

  switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_NONE: s.cull = raster::CullMode::kNone; break;
    case D3DCULL_CW: s.cull = raster::CullMode::kClockwise; break;
    case D3DCULL_CCW: s.cull = raster::CullMode::kCounterClockwise; break;
    default: return refuse("D3DRS_CULLMODE", rs[D3DRS_CULLMODE]);
  }

  if (rs[D3DRS_ZENABLE] == D3DZB_USEW || rs[D3DRS_ZENABLE] > D3DZB_USEW)
    return refuse("D3DRS_ZENABLE", rs[D3DRS_ZENABLE]);
  s.depthEnable = rs[D3DRS_ZENABLE] == D3DZB_TRUE && params_.EnableAutoDepthStencil;
  s.depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
  if (!MapCompare(rs[D3DRS_ZFUNC], &s.depthFunc)) return refuse("D3DRS_ZFUNC", rs[D3DRS_ZFUNC]);

  s.alphaTestEnable = rs[D3DRS_ALPHATESTENABLE] != 0;
  if (s.alphaTestEnable && !MapCompare(rs[D3DRS_ALPHAFUNC], &s.alphaFunc))
    return refuse("D3DRS_ALPHAFUNC", rs[D3DRS_ALPHAFUNC]);
  s.alphaRef = static_cast<uint8_t>(rs[D3DRS_ALPHAREF] & 0xFF);

  s.blendEnable = rs[D3DRS_ALPHABLENDENABLE] != 0;
  if (s.blendEnable) {
    // The back buffer has no alpha channel, so separate alpha blending
    // changes nothing that can be seen.
    if (rs[D3DRS_BLENDOP] != D3DBLENDOP_ADD) return refuse("D3DRS_BLENDOP", rs[D3DRS_BLENDOP]);
    if (!MapBlend(rs[D3DRS_SRCBLEND], &s.srcBlend))
      return refuse("D3DRS_SRCBLEND", rs[D3DRS_SRCBLEND]);
    if (!MapBlend(rs[D3DRS_DESTBLEND], &s.dstBlend))
      return refuse("D3DRS_DESTBLEND", rs[D3DRS_DESTBLEND]);
  }
  s.multisampleAntialias = rs[D3DRS_MULTISAMPLEANTIALIAS] != 0;

  // Texture stage 0; stage 1 must be off.
  const DWORD* ts = stageStates_[0];
  if (stageStates_[1][D3DTSS_COLOROP] != D3DTOP_DISABLE)
    return refuse("D3DTSS_COLOROP (stage 1)", stageStates_[1][D3DTSS_COLOROP]);
  if (!MapOp(ts, D3DTSS_COLOROP, kColorOpNames, &s.stage.colorOp, &s.stage.colorArg1,
             &s.stage.colorArg2, why) ||
      !MapOp(ts, D3DTSS_ALPHAOP, kAlphaOpNames, &s.stage.alphaOp, &s.stage.alphaArg1,
             &s.stage.alphaArg2, why))
    return false;
  if (ts[D3DTSS_RESULTARG] != D3DTA_CURRENT)
    return refuse("D3DTSS_RESULTARG", ts[D3DTSS_RESULTARG]);
  if (ts[D3DTSS_TEXTURETRANSFORMFLAGS] != 0)
    return refuse("D3DTSS_TEXTURETRANSFORMFLAGS", ts[D3DTSS_TEXTURETRANSFORMFLAGS]);
  if (ts[D3DTSS_TEXCOORDINDEX] > 1) return refuse("D3DTSS_TEXCOORDINDEX", ts[D3DTSS_TEXCOORDINDEX]);
  s.stage.texcoordIndex = static_cast<int>(ts[D3DTSS_TEXCOORDINDEX]);

  if (textures_[0] != nullptr) {
    const DWORD* ss = samplerStates_[0];
    // Only level 0 is sampled, which mip filtering would only match for a
    // texture of one level.
    if (ss[D3DSAMP_MIPFILTER] != D3DTEXF_NONE && textures_[0]->GetLevelCount() != 1)
      return refuse("D3DSAMP_MIPFILTER", ss[D3DSAMP_MIPFILTER]);
    if (ss[D3DSAMP_SRGBTEXTURE]) return refuse("D3DSAMP_SRGBTEXTURE", ss[D3DSAMP_SRGBTEXTURE]);
    if (!MapFilter(ss[D3DSAMP_MINFILTER], &s.sampler.minFilter))
      return refuse("D3DSAMP_MINFILTER", ss[D3DSAMP_MINFILTER]);
    if (!MapFilter(ss[D3DSAMP_MAGFILTER], &s.sampler.magFilter))
      return refuse("D3DSAMP_MAGFILTER", ss[D3DSAMP_MAGFILTER]);
    if (!MapAddress(ss[D3DSAMP_ADDRESSU], &s.sampler.addressU))
      return refuse("D3DSAMP_ADDRESSU", ss[D3DSAMP_ADDRESSU]);
    if (!MapAddress(ss[D3DSAMP_ADDRESSV], &s.sampler.addressV))
      return refuse("D3DSAMP_ADDRESSV", ss[D3DSAMP_ADDRESSV]);
    s.texture = textures_[0]->Level0();
  }
  *out = s;
  return true;
}

}  // namespace d3d9
