#include "scene/fake_device.h"

namespace scene_test {

namespace {

// Shared by every fake resource: the reference count, counted in the
// device's live objects from creation to the last Release, and its device.
template <typename Interface, D3DRESOURCETYPE kType>
class FakeResource : public Interface {
 public:
  explicit FakeResource(FakeDevice* device) : device_(device) { ++device_->live; }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      --device_->live;
      delete this;
    }
    return left;
  }
  HRESULT GetDevice(IDirect3DDevice9** device) override {
    *device = device_;
    return D3D_OK;
  }
  D3DRESOURCETYPE GetType() override { return kType; }

 protected:
  FakeDevice* device_;

 private:
  ULONG refs_ = 1;
};

// Shared by both buffer kinds: bytes and lock bookkeeping.
template <typename Interface, typename Desc, D3DRESOURCETYPE kType>
class FakeBufferOf : public FakeResource<Interface, kType> {
  using FakeResource<Interface, kType>::device_;

 public:
  FakeBufferOf(FakeDevice* device, UINT length, DWORD usage, D3DPOOL pool)
      : FakeResource<Interface, kType>(device), bytes_(length, 0xCD), usage_(usage), pool_(pool) {}
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD) override {
    if (device_->NextLockFails()) return D3DERR_INVALIDCALL;
    if (offset > bytes_.size() || size > bytes_.size() - offset) return D3DERR_INVALIDCALL;
    *data = bytes_.data() + offset;
    ++device_->openLocks;
    return D3D_OK;
  }
  HRESULT Unlock() override {
    --device_->openLocks;
    return D3D_OK;
  }
  HRESULT GetDesc(Desc* desc) override {
    *desc = Desc{};
    desc->Size = static_cast<UINT>(bytes_.size());
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->Type = kType;
    return D3D_OK;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  DWORD usage_;
  D3DPOOL pool_;
};

using FakeVertexBuffer =
    FakeBufferOf<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
using FakeIndexBuffer =
    FakeBufferOf<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;

class FakeTexture : public FakeResource<IDirect3DTexture9, D3DRTYPE_TEXTURE> {
 public:
  FakeTexture(FakeDevice* device, UINT side, UINT levels) : FakeResource(device), side_(side) {
    for (UINT l = 0; l < levels; ++l) {
      const UINT s = side >> l ? side >> l : 1;
      levels_.emplace_back(static_cast<size_t>(s) * Pitch(l), 0xEE);
    }
  }
  DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = D3DFMT_A8R8G8B8;
    desc->Width = desc->Height = side_ >> level ? side_ >> level : 1;
    return D3D_OK;
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT*, DWORD) override {
    if (device_->NextLockFails() || level >= levels_.size()) return D3DERR_INVALIDCALL;
    locked->Pitch = static_cast<INT>(Pitch(level));
    locked->pBits = levels_[level].data();
    ++device_->openLocks;
    return D3D_OK;
  }
  HRESULT UnlockRect(UINT) override {
    --device_->openLocks;
    return D3D_OK;
  }
  UINT side() const { return side_; }
  const std::vector<uint8_t>& level(UINT l) const { return levels_[l]; }
  UINT Pitch(UINT level) const { return (side_ >> level ? side_ >> level : 1) * 4 + kPitchPadding; }

 private:
  UINT side_;
  std::vector<std::vector<uint8_t>> levels_;
};

}  // namespace

HRESULT FakeDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                  D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture,
                                  HANDLE* shared) {
  if (NextCreateFails()) return D3DERR_OUTOFVIDEOMEMORY;
  if (!texture || shared || width == 0 || width != height || usage != 0 ||
      format != D3DFMT_A8R8G8B8 || pool != D3DPOOL_MANAGED)
    return D3DERR_INVALIDCALL;
  UINT full = 1;
  while (width >> full) ++full;
  *texture = new FakeTexture(this, width, levels == 0 ? full : levels);
  return D3D_OK;
}

HRESULT FakeDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
  if (NextCreateFails()) return D3DERR_OUTOFVIDEOMEMORY;
  if (!buffer || shared || length == 0 || usage != D3DUSAGE_WRITEONLY || fvf != 0 ||
      pool != D3DPOOL_MANAGED)
    return D3DERR_INVALIDCALL;
  *buffer = new FakeVertexBuffer(this, length, usage, pool);
  return D3D_OK;
}

HRESULT FakeDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
  if (NextCreateFails()) return D3DERR_OUTOFVIDEOMEMORY;
  if (!buffer || shared || length == 0 || usage != D3DUSAGE_WRITEONLY || format != D3DFMT_INDEX16 ||
      pool != D3DPOOL_MANAGED)
    return D3DERR_INVALIDCALL;
  *buffer = new FakeIndexBuffer(this, length, usage, pool);
  return D3D_OK;
}

std::vector<uint8_t> FakeDevice::Contents(IDirect3DVertexBuffer9* buffer) {
  return static_cast<FakeVertexBuffer*>(buffer)->bytes();
}

std::vector<uint8_t> FakeDevice::Contents(IDirect3DIndexBuffer9* buffer) {
  return static_cast<FakeIndexBuffer*>(buffer)->bytes();
}

uint32_t FakeDevice::Side(IDirect3DTexture9* texture) {
  return static_cast<FakeTexture*>(texture)->side();
}

UINT FakeDevice::Levels(IDirect3DTexture9* texture) { return texture->GetLevelCount(); }

std::vector<uint8_t> FakeDevice::Level0(IDirect3DTexture9* texture) {
  const auto* t = static_cast<FakeTexture*>(texture);
  std::vector<uint8_t> texels;
  const UINT pitch = t->Pitch(0);
  for (UINT row = 0; row < t->side(); ++row) {
    const uint8_t* start = t->level(0).data() + static_cast<size_t>(row) * pitch;
    texels.insert(texels.end(), start, start + t->side() * 4);
  }
  return texels;
}

}  // namespace scene_test
