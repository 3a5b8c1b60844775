// D3DXCreateTextureFromFileExA over SDL2_image.
#include <SDL.h>
#include <SDL_image.h>
#include <d3dx9.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "sdl_error.h"
#include "win32/allocation_faults.h"

namespace {

UINT RoundUpToPowerOfTwo(UINT v) {
  UINT p = 1;
  while (p < v && p < (1u << 31)) p <<= 1;
  return p;
}

UINT ChooseSize(UINT requested, UINT fileSize) {
  if (requested == 0 || requested == D3DX_DEFAULT) return RoundUpToPowerOfTwo(fileSize);
  if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return fileSize;
  return requested;
}

// What the file holds, from its first bytes (SDL_image reads the rest).
D3DXIMAGE_FILEFORMAT FileFormat(SDL_RWops* rw) {
  unsigned char head[4] = {};
  const Sint64 start = SDL_RWtell(rw);
  const size_t got = SDL_RWread(rw, head, 1, sizeof head);
  SDL_RWseek(rw, start, RW_SEEK_SET);
  if (got >= 2 && head[0] == 'B' && head[1] == 'M') return D3DXIFF_BMP;
  if (got >= 4 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G')
    return D3DXIFF_PNG;
  if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8) return D3DXIFF_JPG;
  return D3DXIFF_TGA;  // the one format without a signature
}

D3DFORMAT SourceFormat(const SDL_Surface* s) {
  const SDL_PixelFormat* f = s->format;
  if (f->palette != nullptr) return D3DFMT_P8;
  if (f->BytesPerPixel == 3) return D3DFMT_R8G8B8;
  if (f->BytesPerPixel == 4) return f->Amask != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  return D3DFMT_UNKNOWN;
}

// TGA has no signature; SDL_image needs the type named.
const char* TypeHint(const char* name) {
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) return nullptr;
  std::string ext(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return ext == "TGA" ? "TGA" : nullptr;
}

}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                            DWORD /*MipFilter: one level only*/, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* /*pPalette*/,
                                            LPDIRECT3DTEXTURE9* ppTexture) {
  if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  if (pDevice == nullptr || pSrcFile == nullptr) return D3DERR_INVALIDCALL;
  // No scaling, no generated levels, no format conversion but to A8R8G8B8.
  if ((Filter & 0xFF) != D3DX_FILTER_NONE) return D3DERR_NOTAVAILABLE;
  if (MipLevels != 1 && MipLevels != D3DX_FROM_FILE) return D3DERR_NOTAVAILABLE;
  if (Format != D3DFMT_A8R8G8B8 && Format != D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
  if (Usage != 0) return D3DERR_INVALIDCALL;

  SDL_RWops* rw = SDL_RWFromFile(pSrcFile, "rb");
  if (rw == nullptr) return D3DXERR_INVALIDDATA;
  const D3DXIMAGE_FILEFORMAT fileFormat = FileFormat(rw);
  SDL_Surface* image = IMG_LoadTyped_RW(rw, 1, TypeHint(pSrcFile));
  if (image == nullptr) return platform::ReportSdlFailure("IMG_LoadTyped_RW"), D3DXERR_INVALIDDATA;
  const D3DFORMAT sourceFormat = SourceFormat(image);
  // Sources without alpha convert with alpha 255.
  if (win32::AllocationFails("D3DXCreateTextureFromFileExA")) {
    SDL_FreeSurface(image);
    return E_OUTOFMEMORY;
  }
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(image);
  if (argb == nullptr)
    return platform::ReportSdlFailure("SDL_ConvertSurfaceFormat"), D3DXERR_INVALIDDATA;

  const UINT fileWidth = static_cast<UINT>(argb->w), fileHeight = static_cast<UINT>(argb->h);
  const UINT width = ChooseSize(Width, fileWidth), height = ChooseSize(Height, fileHeight);
  IDirect3DTexture9* texture = nullptr;
  HRESULT hr =
      pDevice->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, Pool, &texture, nullptr);
  D3DLOCKED_RECT locked{};
  if (hr == D3D_OK) {
    hr = texture->LockRect(0, &locked, nullptr, 0);
    if (hr != D3D_OK) texture->Release();
  }
  if (hr != D3D_OK) {
    SDL_FreeSurface(argb);
    return hr;
  }

  // Unscaled into the top-left corner; the rest transparent black.
  const UINT copyWidth = std::min(width, fileWidth), copyHeight = std::min(height, fileHeight);
  if (SDL_MUSTLOCK(argb)) SDL_LockSurface(argb);
  for (UINT y = 0; y < height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                                static_cast<size_t>(y) * locked.Pitch);
    std::memset(row, 0, size_t{width} * 4);
    if (y >= copyHeight) continue;
    const uint8_t* src =
        static_cast<const uint8_t*>(argb->pixels) + static_cast<size_t>(y) * argb->pitch;
    std::memcpy(row, src, size_t{copyWidth} * 4);
    if (ColorKey != 0)
      for (UINT x = 0; x < copyWidth; ++x)
        if (row[x] == ColorKey) row[x] = 0;
  }
  if (SDL_MUSTLOCK(argb)) SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  texture->UnlockRect(0);

  if (pSrcInfo != nullptr)
    *pSrcInfo =
        D3DXIMAGE_INFO{fileWidth, fileHeight, 1, 1, sourceFormat, D3DRTYPE_TEXTURE, fileFormat};
  *ppTexture = texture;
  return D3D_OK;
}
