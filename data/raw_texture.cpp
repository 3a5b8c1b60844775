// The raw texture format: header, square side, rows copied into level 0.
#include "data/raw_texture.h"

#include <cmath>
#include <cstring>
#include <new>

#include "data/little_endian.h"
namespace {

RawTextureError g_lastError = RawTextureError::kNone;

int32_t Refuse(RawTextureError reason) {
  g_lastError = reason;
  return -1;
}

// A size field is all four bytes or nothing: a field cut short would
// otherwise read as a size the file never gave.
bool ReadInt32(InputStream* stream, int32_t* value) {
  uint8_t bytes[4] = {};
  if (StreamRead(stream, bytes, sizeof bytes) != sizeof bytes) return false;
  *value = static_cast<int32_t>(LoadLe32(bytes));
  return true;
}

// Copies the rows into the locked level; false when a row would not fit
// between two row starts.
bool CopyRows(InputStream* stream, const D3DLOCKED_RECT& locked, int32_t width, int32_t height) {
  if (locked.pBits == nullptr || locked.Pitch <= 0) return false;
  const uint64_t stride = static_cast<uint64_t>(locked.Pitch / 4) * 4;
  const uint64_t rowBytes = static_cast<uint64_t>(width) * 4;
  if (rowBytes > stride) return false;
  uint8_t* row = static_cast<uint8_t*>(locked.pBits);
  for (int32_t y = 0; y < height; ++y) {
    // A file cut short is not an error: what it could not fill keeps the
    // texture's own contents.
    StreamRead(stream, row, static_cast<uint32_t>(rowBytes));
    row += stride;
  }
  return true;
}

}  // namespace

uint32_t RawTextureSide(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  const int32_t larger = width > height ? width : height;
  // Single precision turns log(2^k) / log(2) back into exactly k, which
  // double precision does not always do.
  float exponent = static_cast<float>(std::log(static_cast<double>(larger)) / std::log(2.0));
  if (exponent != std::floor(exponent)) exponent = std::floor(exponent) + 1.0f;
  if (exponent > 31.0f) return 0;
  const uint64_t side = uint64_t{1} << static_cast<int>(exponent);
  // Far above 2^16 single precision may round up to the power below, which
  // would leave the image wider than its texture.
  if (side < static_cast<uint64_t>(larger)) return 0;
  return static_cast<uint32_t>(side);
}

RawTextureError RawTextureLastError() { return g_lastError; }

int32_t LoadRawTexture(IDirect3DDevice9* device, IDirect3DTexture9** texture, StreamReadFn read,
                       void* user) {
  g_lastError = RawTextureError::kNone;
  if (texture == nullptr) return Refuse(RawTextureError::kArguments);
  *texture = nullptr;
  if (device == nullptr || read == nullptr) return Refuse(RawTextureError::kArguments);

  InputStream stream{};
  stream.read = read;
  stream.user = user;
  stream.buffer = new (std::nothrow) uint8_t[kStreamBufferSize];
  if (stream.buffer == nullptr) return Refuse(RawTextureError::kNoMemory);
  stream.capacity = kStreamBufferSize;
  stream.mode = kStreamContinuous;

  char magic[sizeof kRawTextureMagic] = {};
  StreamRead(&stream, magic, sizeof magic);
  if (std::memcmp(magic, kRawTextureMagic, sizeof magic) != 0) {
    StreamClose(&stream);
    return Refuse(RawTextureError::kBadMagic);
  }
  int32_t width = 0, height = 0;
  const bool sized = ReadInt32(&stream, &width) && ReadInt32(&stream, &height);
  // The device refuses sides it cannot hold, so no texture is made for a
  // size that is missing, negative, or too large.
  const uint32_t side = sized ? RawTextureSide(width, height) : 0;
  if (side == 0) {
    StreamClose(&stream);
    return Refuse(sized ? RawTextureError::kBadSize : RawTextureError::kNoSize);
  }
  IDirect3DTexture9* created = nullptr;
  if (device->CreateTexture(side, side, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &created,
                            nullptr) != D3D_OK ||
      created == nullptr) {
    StreamClose(&stream);
    return Refuse(RawTextureError::kDevice);
  }
  D3DLOCKED_RECT locked{};
  if (created->LockRect(0, &locked, nullptr, 0) != D3D_OK) {
    created->Release();
    StreamClose(&stream);
    return Refuse(RawTextureError::kLock);
  }
  const bool copied = CopyRows(&stream, locked, width, height);
  created->UnlockRect(0);
  StreamClose(&stream);
  if (!copied) {
    created->Release();
    return Refuse(RawTextureError::kPitch);
  }
  *texture = created;
  return 0;
}
