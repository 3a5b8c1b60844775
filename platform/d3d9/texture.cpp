// IDirect3DTexture9.
#include "d3d9/texture.h"

#include <algorithm>
#include <new>

#include "raster/target.h"

namespace d3d9 {

namespace {

// Rows start 16 bytes apart at least, so that a lock's Pitch is a real
// pitch that callers must honour (a 3-texel row takes 16 bytes).
int PitchTexels(int width) { return (width + 3) & ~3; }

int FullChainLevels(UINT width, UINT height) {
  UINT m = width > height ? width : height;
  int levels = 1;
  while (m > 1) m >>= 1, ++levels;
  return levels;
}

}  // namespace

HRESULT Texture::Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
  if (texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  if (width == 0 || height == 0 || width > static_cast<UINT>(raster::kMaxTargetSize) ||
      height > static_cast<UINT>(raster::kMaxTargetSize))
    return D3DERR_INVALIDCALL;
  if (usage != 0 || format != D3DFMT_A8R8G8B8 || pool != D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  const int full = FullChainLevels(width, height);
  if (levels > static_cast<UINT>(full)) return D3DERR_INVALIDCALL;
  const int count = levels == 0 ? full : static_cast<int>(levels);

  Texture* t = new (std::nothrow) Texture(device);
  if (t == nullptr) return E_OUTOFMEMORY;
  // Each level has the pitch of its own width, so a full chain takes about
  // a third more than level 0 alone.
  size_t total = 0;
  for (int l = 0; l < count; ++l) {
    const int w = std::max(1, static_cast<int>(width >> l));
    const int h = std::max(1, static_cast<int>(height >> l));
    const int pitch = PitchTexels(w);
    t->levels_.push_back(Level{total, w, h, pitch, false});
    total += static_cast<size_t>(pitch) * h;
  }
  try {
    t->texels_.assign(total, 0u);
  } catch (const std::bad_alloc&) {
    t->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *texture = t;
  return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (desc == nullptr || level >= levels_.size()) return D3DERR_INVALIDCALL;
  const Level& l = levels_[level];
  *desc = D3DSURFACE_DESC{D3DFMT_A8R8G8B8,
                          D3DRTYPE_SURFACE,
                          0,
                          D3DPOOL_MANAGED,
                          D3DMULTISAMPLE_NONE,
                          0,
                          static_cast<UINT>(l.width),
                          static_cast<UINT>(l.height)};
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  if (lockedRect == nullptr || level >= levels_.size()) return D3DERR_INVALIDCALL;
  constexpr DWORD kAccepted = D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NO_DIRTY_UPDATE;
  if ((flags & ~kAccepted) != 0) return D3DERR_INVALIDCALL;
  Level& l = levels_[level];
  if (l.locked) return D3DERR_INVALIDCALL;
  LONG x = 0, y = 0;
  if (rect != nullptr) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        rect->right > l.width || rect->bottom > l.height)
      return D3DERR_INVALIDCALL;
    x = rect->left;
    y = rect->top;
  }
  // Draws already recorded may still read these texels.
  DeviceFlush(device());
  l.locked = true;
  if ((flags & D3DLOCK_READONLY) == 0) ++revision_;
  lockedRect->Pitch = l.pitch * 4;
  lockedRect->pBits = texels_.data() + l.offset + static_cast<size_t>(y) * l.pitch + x;
  return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
  if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
  levels_[level].locked = false;
  ++revision_;
  return D3D_OK;
}

raster::Texture Texture::Level0() const {
  const Level& l = levels_[0];
  return raster::Texture{texels_.data() + l.offset, l.width, l.height, l.pitch * 4};
}

}  // namespace d3d9
