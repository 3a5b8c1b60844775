// Internal to platform/d3d9: managed vertex and index buffers and vertex
// declarations. The rasteriser reads vertex and index data only during a
// draw call, so locking a buffer never waits for recorded draws.
#ifndef MORVANE_PLATFORM_D3D9_BUFFERS_H
#define MORVANE_PLATFORM_D3D9_BUFFERS_H

#include <cstdint>
#include <vector>

#include "d3d9/objects.h"
#include "raster/state.h"

namespace d3d9 {

// Bytes and lock bookkeeping shared by both buffer kinds.
class BufferBytes {
 public:
  bool Allocate(UINT length);
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  // Changes whenever the bytes may have been written (copies compare it).
  uint64_t revision() const { return revision_; }

 private:
  std::vector<uint8_t> bytes_;
  int locks_ = 0;
  uint64_t revision_ = 0;
};

class VertexBuffer final : public Resource<IDirect3DVertexBuffer9> {
 public:
  static HRESULT Create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                        IDirect3DVertexBuffer9** buffer);
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return bytes_.Lock(offset, size, data, flags);
  }
  HRESULT Unlock() override { return bytes_.Unlock(); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
  const BufferBytes& bytes() const { return bytes_; }

 private:
  VertexBuffer(Device* device, DWORD usage, DWORD fvf)
      : Resource(device), usage_(usage), fvf_(fvf) {}
  ~VertexBuffer() override = default;
  BufferBytes bytes_;
  DWORD usage_, fvf_;
};

class IndexBuffer final : public Resource<IDirect3DIndexBuffer9> {
 public:
  // 16-bit indices only.
  static HRESULT Create(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DIndexBuffer9** buffer);
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return bytes_.Lock(offset, size, data, flags);
  }
  HRESULT Unlock() override { return bytes_.Unlock(); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
  const BufferBytes& bytes() const { return bytes_; }

 private:
  IndexBuffer(Device* device, DWORD usage) : Resource(device), usage_(usage) {}
  ~IndexBuffer() override = default;
  BufferBytes bytes_;
  DWORD usage_;
};

class VertexDeclaration final : public Resource<IDirect3DVertexDeclaration9> {
 public:
  // Streams 0 and 1; FLOAT1-4, D3DCOLOR and UBYTE4; position, normal,
  // colour, texture coordinate, blend indices and weights with usage index
  // 0 or 1; method DEFAULT; each usage at most once.
  static HRESULT Create(Device* device, const D3DVERTEXELEMENT9* elements,
                        IDirect3DVertexDeclaration9** declaration);
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) override;
  const std::vector<raster::VertexElement>& elements() const { return layout_; }

 private:
  explicit VertexDeclaration(Device* device) : Resource(device) {}
  ~VertexDeclaration() override = default;
  std::vector<D3DVERTEXELEMENT9> original_;  // with the end marker
  std::vector<raster::VertexElement> layout_;
};

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_BUFFERS_H
