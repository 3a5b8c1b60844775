// Vertex and index buffers, vertex declarations.
#include "d3d9/buffers.h"

#include <vertex_program.h>

#include <new>

namespace d3d9 {

namespace {

// Larger buffers than this are refused as out of memory (256 MB).
constexpr UINT kMaxBufferBytes = 256u << 20;

bool BufferUsageOk(DWORD usage) { return (usage & ~static_cast<DWORD>(D3DUSAGE_WRITEONLY)) == 0; }

}  // namespace

bool BufferBytes::Allocate(UINT length) {
  try {
    bytes_.assign(length, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

HRESULT BufferBytes::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = nullptr;
  constexpr DWORD kAccepted = D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NOOVERWRITE |
                              D3DLOCK_DISCARD | D3DLOCK_NO_DIRTY_UPDATE;
  if ((flags & ~kAccepted) != 0) return D3DERR_INVALIDCALL;
  // Size 0 with offset 0 is the whole buffer; size 0 with an offset is the rest.
  if (offset > bytes_.size() || uint64_t{offset} + size > bytes_.size()) return D3DERR_INVALIDCALL;
  ++locks_;
  if ((flags & D3DLOCK_READONLY) == 0) ++revision_;
  *data = bytes_.data() + offset;
  return D3D_OK;
}

HRESULT BufferBytes::Unlock() {
  if (locks_ == 0) return D3DERR_INVALIDCALL;
  --locks_;
  ++revision_;  // copies made while it was locked may miss late writes
  return D3D_OK;
}

HRESULT VertexBuffer::Create(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer) {
  if (buffer == nullptr) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (length == 0 || !BufferUsageOk(usage) || pool != D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  VertexBuffer* b = new (std::nothrow) VertexBuffer(device, usage, fvf);
  if (b == nullptr) return E_OUTOFMEMORY;
  if (!b->bytes_.Allocate(length)) {
    b->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *buffer = b;
  return D3D_OK;
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN /* D3DFMT_VERTEXDATA */,
                               D3DRTYPE_VERTEXBUFFER,
                               usage_,
                               D3DPOOL_MANAGED,
                               static_cast<UINT>(bytes_.size()),
                               fvf_};
  return D3D_OK;
}

HRESULT IndexBuffer::Create(Device* device, UINT length, DWORD usage, D3DFORMAT format,
                            D3DPOOL pool, IDirect3DIndexBuffer9** buffer) {
  if (buffer == nullptr) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (length == 0 || !BufferUsageOk(usage) || format != D3DFMT_INDEX16 || pool != D3DPOOL_MANAGED)
    return D3DERR_INVALIDCALL;
  if (length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  IndexBuffer* b = new (std::nothrow) IndexBuffer(device, usage);
  if (b == nullptr) return E_OUTOFMEMORY;
  if (!b->bytes_.Allocate(length)) {
    b->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *buffer = b;
  return D3D_OK;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (desc == nullptr) return D3DERR_INVALIDCALL;
  *desc = D3DINDEXBUFFER_DESC{D3DFMT_INDEX16, D3DRTYPE_INDEXBUFFER, usage_, D3DPOOL_MANAGED,
                              static_cast<UINT>(bytes_.size())};
  return D3D_OK;
}

namespace {

bool ElementType(BYTE type, raster::ElementType* out, UINT* size) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: *out = raster::ElementType::kFloat1, *size = 4; return true;
    case D3DDECLTYPE_FLOAT2: *out = raster::ElementType::kFloat2, *size = 8; return true;
    case D3DDECLTYPE_FLOAT3: *out = raster::ElementType::kFloat3, *size = 12; return true;
    case D3DDECLTYPE_FLOAT4: *out = raster::ElementType::kFloat4, *size = 16; return true;
    case D3DDECLTYPE_D3DCOLOR: *out = raster::ElementType::kColor, *size = 4; return true;
    case D3DDECLTYPE_UBYTE4: *out = raster::ElementType::kUByte4, *size = 4; return true;
    default: return false;
  }
}

bool ElementUsage(BYTE usage, raster::Usage* out) {
  switch (usage) {
    case D3DDECLUSAGE_POSITION: *out = raster::Usage::kPosition; return true;
    case D3DDECLUSAGE_NORMAL: *out = raster::Usage::kNormal; return true;
    case D3DDECLUSAGE_COLOR: *out = raster::Usage::kColor; return true;
    case D3DDECLUSAGE_TEXCOORD: *out = raster::Usage::kTexcoord; return true;
    case D3DDECLUSAGE_BLENDINDICES: *out = raster::Usage::kBlendIndices; return true;
    case D3DDECLUSAGE_BLENDWEIGHT: *out = raster::Usage::kBlendWeight; return true;
    default: return false;
  }
}

}  // namespace

HRESULT VertexDeclaration::Create(Device* device, const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration) {
  if (declaration == nullptr) return D3DERR_INVALIDCALL;
  *declaration = nullptr;
  if (elements == nullptr) return D3DERR_INVALIDCALL;
  std::vector<D3DVERTEXELEMENT9> original;
  std::vector<raster::VertexElement> layout;
  // Each usage and usage index at most once; rows indexed by raster::Usage.
  constexpr int kUsages = static_cast<int>(raster::Usage::kBlendWeight) + 1;
  bool seen[kUsages][raster::VertexInput::kUsageIndices] = {};
  for (int i = 0;; ++i) {
    if (i >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;  // no end marker in reach
    const D3DVERTEXELEMENT9& e = elements[i];
    original.push_back(e);
    if (e.Stream == 0xFF) break;
    raster::VertexElement v;
    UINT size = 0;
    if (e.Stream > 1 || e.Method != D3DDECLMETHOD_DEFAULT ||
        e.UsageIndex >= raster::VertexInput::kUsageIndices || e.Offset % 4 != 0 ||
        !ElementType(e.Type, &v.type, &size) || !ElementUsage(e.Usage, &v.usage))
      return D3DERR_INVALIDCALL;
    bool& used = seen[static_cast<int>(v.usage)][e.UsageIndex];
    if (used) return D3DERR_INVALIDCALL;
    used = true;
    v.stream = static_cast<uint8_t>(e.Stream);
    v.offset = e.Offset;
    v.usageIndex = e.UsageIndex;
    layout.push_back(v);
  }
  VertexDeclaration* d = new (std::nothrow) VertexDeclaration(device);
  if (d == nullptr) return E_OUTOFMEMORY;
  d->original_ = std::move(original);
  d->layout_ = std::move(layout);
  *declaration = d;
  return D3D_OK;
}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) {
  if (numElements == nullptr) return D3DERR_INVALIDCALL;
  if (elements != nullptr)
    for (size_t i = 0; i < original_.size(); ++i) elements[i] = original_[i];
  *numElements = static_cast<UINT>(original_.size());
  return D3D_OK;
}

}  // namespace d3d9
