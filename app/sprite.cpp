// Screen-space quads from a texture, and the overlay's number rows.
#include "app/app.h"

namespace {

// Digit d is the 14 by 18 rectangle at (91 + 14 d, 172) of the sprite sheet.
constexpr LONG kDigitLeft = 91;
constexpr LONG kDigitTop = 172;
constexpr LONG kDigitWidth = 14;
constexpr LONG kDigitHeight = 18;
// The units column; each higher digit sits one glyph width to the left.
constexpr float kUnitsX = 776.0f;
// Only the low six digits of a value are shown.
constexpr int kShownDigits = 6;

void DrawDigit(IDirect3DDevice9* device, IDirect3DTexture9* chip, uint32_t digit, int n, float y) {
  const LONG left = kDigitLeft + kDigitWidth * static_cast<LONG>(digit);
  const RECT glyph = {left, kDigitTop, left + kDigitWidth, kDigitTop + kDigitHeight};
  DrawSprite(&glyph, 0xFFFFFFFF, device, chip, 0, kUnitsX - static_cast<float>(kDigitWidth * n), y);
}

}  // namespace

int DrawSprite(const RECT* rect, D3DCOLOR colour, IDirect3DDevice9* device,
               IDirect3DTexture9* texture, int bind, float x, float y) {
  if (texture == nullptr) return 0;
  D3DSURFACE_DESC desc = {};
  texture->GetLevelDesc(0, &desc);
  const RECT whole = {0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  const RECT& r = rect ? *rect : whole;
  const float w = static_cast<float>(r.right - r.left);
  const float h = static_cast<float>(r.bottom - r.top);
  const float x1 = x + w;
  const float y1 = y + h;
  // Half-texel shift: with point sampling each pixel centre lands inside the
  // texel it shows, so a texel maps to exactly one pixel.
  const double texW = desc.Width;
  const double texH = desc.Height;
  const float uL = static_cast<float>((r.left + 0.5) / texW);
  const float uR = static_cast<float>((r.right + 0.5) / texW);
  const float vT = static_cast<float>((r.top + 0.5) / texH);
  const float vB = static_cast<float>((r.bottom + 0.5) / texH);
  const SpriteVertex quad[4] = {
      {x, y, 0.0f, 1.0f, colour, uL, vT},
      {x1, y, 0.0f, 1.0f, colour, uR, vT},
      {x1, y1, 0.0f, 1.0f, colour, uR, vB},
      {x, y1, 0.0f, 1.0f, colour, uL, vB},
  };
  if (bind == 1) device->SetTexture(0, texture);
  device->SetFVF(kSpriteFvf);
  device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(SpriteVertex));
  return 1;
}

uint32_t DecimalDigit(uint32_t position, uint32_t value) {
  if (position == 0) return 0;
  uint32_t scaled = value;
  for (uint32_t i = 1; i < position && scaled != 0; ++i) scaled /= 10;
  return scaled % 10;
}

void DrawNumberRow(IDirect3DDevice9* device, IDirect3DTexture9* chip, uint32_t value, float y,
                   bool zeroFallback) {
  bool started = false;
  for (int n = kShownDigits - 1; n >= 0; --n) {
    const uint32_t d = DecimalDigit(static_cast<uint32_t>(n + 1), value);
    if (d >= 1) {
      started = true;
    } else if (!started) {
      continue;
    }
    DrawDigit(device, chip, d, n, y);
  }
  if (!started && zeroFallback) DrawDigit(device, chip, 0, 0, y);
}
