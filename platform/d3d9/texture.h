// Internal to platform/d3d9: managed A8R8G8B8 textures with a mip chain.
#ifndef MORVANE_PLATFORM_D3D9_TEXTURE_H
#define MORVANE_PLATFORM_D3D9_TEXTURE_H

#include <cstdint>
#include <vector>

#include "d3d9/objects.h"
#include "raster/state.h"

namespace d3d9 {

class Texture final : public Resource<IDirect3DTexture9> {
 public:
  // Checks the arguments of IDirect3DDevice9::CreateTexture and allocates.
  static HRESULT Create(Device* device, UINT width, UINT height, UINT levels, DWORD usage,
                        D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);

  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  // Level 0 as the rasteriser samples it.
  raster::Texture Level0() const;
  // Changes whenever texels may have been written (copies compare it).
  uint64_t revision() const { return revision_; }

 private:
  struct Level {
    size_t offset;  // in texels
    int width, height;
    int pitch;  // in texels
    bool locked;
  };
  explicit Texture(Device* device) : Resource(device) {}
  ~Texture() override = default;

  std::vector<uint32_t> texels_;
  std::vector<Level> levels_;
  uint64_t revision_ = 0;
};

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_TEXTURE_H
