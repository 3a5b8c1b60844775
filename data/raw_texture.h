// The raw texture format and its loader, and LoadTexture, which finds a
// texture as a raw file on disk, an image file D3DX reads, or a raw archive
// member, in that order.
//
// Raw format (little-endian): "TEYL", width W and height H (signed 32-bit,
// both positive), then H rows from the top down of W pixels, 4 bytes each in
// the order blue, green, red, alpha (the memory layout of D3DFMT_A8R8G8B8),
// with no padding. The texture is square, its side the smallest power of two
// not below the larger of W and H; the image fills its top-left W x H texels
// and the rest stays as the device created it.
//
// Does not: check that the file holds all the rows it promises (rows it
// cannot fill keep the new texture's contents), convert pixel formats, or
// make mip levels below the first.
//
// Threads: the device's thread (the main thread), during start-up;
// RawTextureLastError on that thread too.
#ifndef MORVANE_DATA_RAW_TEXTURE_H
#define MORVANE_DATA_RAW_TEXTURE_H

#include <d3d9.h>

#include <cstdint>

#include "data/stream.h"

inline constexpr char kRawTextureMagic[4] = {'T', 'E', 'Y', 'L'};
inline constexpr uint32_t kRawTextureHeaderSize = 12;

// The texture side for a W x H image: the smallest power of two not below
// max(W, H), worked out in single precision as the format's writers do. 0
// when either side is 0 or less, or when the side would not fit in 32 bits or
// single precision cannot tell it from the next power down.
uint32_t RawTextureSide(int32_t width, int32_t height);

// Why the last LoadRawTexture returned -1.
enum class RawTextureError : uint8_t {
  kNone,
  kArguments,  // no texture pointer, device or read function
  kNoMemory,   // the stream buffer could not be allocated
  kBadMagic,   // no "TEYL" (also a source shorter than 4 bytes)
  kNoSize,     // the data ends inside the width or height
  kBadSize,    // a width or height of 0 or less, or a side beyond 32 bits
  kDevice,     // the device refused the texture
  kLock,       // level 0 could not be locked
  kPitch,      // the locked rows are too narrow for the image
};

// Reads a raw texture through a stream over `read` alone (it never closes
// the source, which stays the caller's) into a new managed A8R8G8B8 texture
// with a full mip chain, of which only level 0 is written. 0 with *texture
// set (the caller releases it); -1 with *texture null for a wrong magic, a
// size of 0 or less, a side the device cannot create, or a failed lock.
int32_t LoadRawTexture(IDirect3DDevice9* device, IDirect3DTexture9** texture, StreamReadFn read,
                       void* user);
// The reason of the last LoadRawTexture; kNone after one that succeeded.
RawTextureError RawTextureLastError();

// Loads `name` as a texture: the raw format from a file on disk, else
// D3DXCreateTextureFromFileExA on the same name (its size rounded up to
// powers of two, unscaled in the top-left corner), else the raw format from
// the current archive's member of that name. 0 with *texture set (the
// caller releases it); -1 with *texture null after ShowOpenError(name).
int32_t LoadTexture(IDirect3DDevice9* device, IDirect3DTexture9** texture, const char* name);

#endif  // MORVANE_DATA_RAW_TEXTURE_H
