// Decoding a draw's state for the pixel stages, and the filter choice.
#include "raster/pixel.h"

#include <array>
#include <utility>

namespace raster {

namespace {

PixelState::Op SelectDiffuse() { return {false, false, false}; }

// A stage operation that reads the texture while none is bound passes the
// current (diffuse) value on instead, decided separately for colour and
// alpha.
PixelState::Op DecodeOp(TextureOp op, TextureArg arg1, TextureArg arg2, bool hasTexture) {
  const bool t1 = arg1 == TextureArg::kTexture, t2 = arg2 == TextureArg::kTexture;
  switch (op) {
    case TextureOp::kDisable: return SelectDiffuse();
    case TextureOp::kSelectArg1:
      return (t1 && !hasTexture) ? SelectDiffuse() : PixelState::Op{false, t1, false};
    case TextureOp::kSelectArg2:
      return (t2 && !hasTexture) ? SelectDiffuse() : PixelState::Op{false, t2, false};
    case TextureOp::kModulate:
      return ((t1 || t2) && !hasTexture) ? SelectDiffuse() : PixelState::Op{true, t1, t2};
  }
  return SelectDiffuse();
}

}  // namespace

bool PreparePixelState(const State& state, PixelState* out) {
  PixelState& s = *out;
  const Texture& tex = state.texture;
  const bool hasTexture = tex.texels != nullptr;
  if (hasTexture) {
    if (tex.width < 1 || tex.height < 1 || tex.width > (1 << 16) || tex.height > (1 << 16) ||
        tex.pitch % 4 != 0 || tex.pitch / 4 < tex.width)
      return false;
  }
  const StageState& st = state.stage;
  if (st.colorOp == TextureOp::kDisable) {
    s.color = s.alpha = SelectDiffuse();
  } else {
    s.color = DecodeOp(st.colorOp, st.colorArg1, st.colorArg2, hasTexture);
    s.alpha = DecodeOp(st.alphaOp, st.alphaArg1, st.alphaArg2, hasTexture);
  }
  const auto reads = [](const PixelState::Op& op) {
    return op.arg1Texture || (op.modulate && op.arg2Texture);
  };
  s.usesTexture = hasTexture && (reads(s.color) || reads(s.alpha));
  s.sameOps = s.color.modulate == s.alpha.modulate && s.color.arg1Texture == s.alpha.arg1Texture &&
              s.color.arg2Texture == s.alpha.arg2Texture;
  s.texture = tex;
  s.addressU = state.sampler.addressU;
  s.addressV = state.sampler.addressV;
  s.linearMin = state.sampler.minFilter == Filter::kLinear;
  s.linearMag = state.sampler.magFilter == Filter::kLinear;
  s.filterVaries = s.linearMin != s.linearMag;
  s.alphaTest = state.alphaTestEnable;
  s.alphaFunc = state.alphaFunc;
  s.alphaRef = state.alphaRef;
  s.depthTest = state.depthEnable;
  s.depthWrite = state.depthEnable && state.depthWrite;
  s.depthFunc = state.depthFunc;
  s.blend = state.blendEnable;
  s.srcBlend = state.srcBlend;
  s.dstBlend = state.dstBlend;
  s.antialias = state.multisampleAntialias;
  return true;
}

bool Magnifies(const Setup& t, const PixelState& s, float w, float u, float v) {
  // d(U/Q) = (dU - (U/Q) dQ) / Q for the perspective-divided coordinates.
  const float W = static_cast<float>(s.texture.width), H = static_cast<float>(s.texture.height);
  const float dudx = (t.attr[4].dx - u * t.q.dx) * w * W;
  const float dvdx = (t.attr[5].dx - v * t.q.dx) * w * H;
  const float dudy = (t.attr[4].dy - u * t.q.dy) * w * W;
  const float dvdy = (t.attr[5].dy - v * t.q.dy) * w * H;
  const float rx = dudx * dudx + dvdx * dvdx, ry = dudy * dudy + dvdy * dvdy;
  // NaN (a degenerate pixel) counts as magnification.
  return !(rx > 1.0f || ry > 1.0f);
}

namespace {

uint32_t Opaque(uint32_t src, uint32_t) { return src | 0xFF000000u; }

template <BlendFactor F>
inline uint32_t Factor(uint32_t sc, uint32_t as, uint32_t dc) {
  return BlendFactorValue(F, sc, as, dc);
}

template <BlendFactor Fs, BlendFactor Fd>
uint32_t BlendPair(uint32_t src, uint32_t dst) {
  const uint32_t as = src >> 24;
  uint32_t r = 0xFF000000u;
  for (int sh = 0; sh < 24; sh += 8) {
    const uint32_t sc = (src >> sh) & 0xFF, dc = (dst >> sh) & 0xFF;
    const uint32_t c = (sc * Factor<Fs>(sc, as, dc) + dc * Factor<Fd>(sc, as, dc) + 127) / 255;
    r |= (c > 255 ? 255 : c) << sh;
  }
  return r;
}

constexpr int kFactors = 10;
static_assert(static_cast<int>(BlendFactor::kInvDestColor) + 1 == kFactors,
              "the blend table has one row and column per BlendFactor");

template <int S, int... D>
constexpr std::array<OutputFunction, kFactors> Row(std::integer_sequence<int, D...>) {
  return {&BlendPair<static_cast<BlendFactor>(S), static_cast<BlendFactor>(D)>...};
}

template <int... S>
constexpr std::array<std::array<OutputFunction, kFactors>, kFactors> Table(
    std::integer_sequence<int, S...>) {
  return {Row<S>(std::make_integer_sequence<int, kFactors>{})...};
}

constexpr auto kBlendTable = Table(std::make_integer_sequence<int, kFactors>{});

}  // namespace

OutputFunction ChooseOutput(const PixelState& s) {
  if (!s.blend) return &Opaque;
  return kBlendTable[static_cast<int>(s.srcBlend)][static_cast<int>(s.dstBlend)];
}

}  // namespace raster
