// Internal to platform/win32: the module's embedded resources and the
// decoders for the image resources. The build turns resources/resources.rc
// into a table that registers itself here at start-up (before main).
#ifndef MORVANE_PLATFORM_WIN32_RESOURCE_REGISTRY_H
#define MORVANE_PLATFORM_WIN32_RESOURCE_REGISTRY_H

#include <windows.h>

#include <cstddef>

struct SDL_Surface;

namespace win32 {

// A resource type or name: a string (compared without regard to ASCII case,
// as Windows does) or, when name is null, a 16-bit id.
struct ResourceKey {
  const char* name;
  WORD id;
};

struct ModuleResource {
  ResourceKey type;
  ResourceKey name;
  const unsigned char* data;
  size_t size;
};

// Adds a table of resources; the table must live for the whole process.
void RegisterModuleResources(const ModuleResource* table, size_t count);

// The resource of that type and name (each a string or MAKEINTRESOURCEA id),
// or null.
const ModuleResource* FindModuleResource(LPCSTR type, LPCSTR name);

// Decodes a packed DIB (BITMAPINFOHEADER, optional palette, bottom-up or
// top-down rows, 1/4/8/24/32 bits per pixel, BI_RGB) into a new
// SDL_PIXELFORMAT_ARGB8888 surface, opaque. Null if the data is malformed
// or truncated; never reads past size.
SDL_Surface* DecodePackedDib(const void* data, size_t size);

// The image of icon group `name` (RT_GROUP_ICON with its RT_ICON entries)
// closest to size x size, decoded with its AND mask into a new ARGB8888
// surface. Null if missing or malformed.
SDL_Surface* LoadIconSurface(LPCSTR name, int size);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_RESOURCE_REGISTRY_H
