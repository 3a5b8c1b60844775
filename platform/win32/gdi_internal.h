// Internal to platform/win32: the objects behind HDC, HBITMAP, HBRUSH, HFONT,
// HICON and HCURSOR. A handle is the object's address; every use looks it up
// in the live set first, so stale and foreign handles are refused safely.
// Main thread only.
#ifndef MORVANE_PLATFORM_WIN32_GDI_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_GDI_INTERNAL_H

#include <windows.h>

#include <SDL.h>

#include <string>

namespace win32 {

enum class GdiKind { Bitmap, Brush, Font, Dc, Icon, Cursor };

struct GdiObject {
  explicit GdiObject(GdiKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  GdiKind kind;
  bool stock = false;
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(GdiKind::Bitmap) {}
  ~BitmapObject() override;
  SDL_Surface* surface = nullptr;  // ARGB8888
  void* selectedIn = nullptr;      // the memory DC holding it
  std::string sharedKey;           // LR_SHARED cache entry, if any
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(GdiKind::Brush) {}
  COLORREF color = 0;
};

struct FontObject : GdiObject {
  FontObject() : GdiObject(GdiKind::Font) {}
  int pixels = 12;
};

struct IconObject : GdiObject {
  IconObject() : GdiObject(GdiKind::Icon) {}
  ~IconObject() override;
  SDL_Surface* large = nullptr;
  SDL_Surface* small = nullptr;
};

struct CursorObject : GdiObject {
  CursorObject() : GdiObject(GdiKind::Cursor) {}
};

struct DcObject : GdiObject {
  DcObject() : GdiObject(GdiKind::Dc) {}
  HWND window = nullptr;  // window DC
  bool memory = false;
  HBITMAP bitmap = nullptr;  // memory DC
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
};

// Adds an object to the live set and returns it as its handle.
void* AddGdi(GdiObject* object);
// The live object of that kind behind a handle, or null.
GdiObject* FindGdi(const void* handle, GdiKind kind);
template <typename T>
T* Find(const void* handle, GdiKind kind) {
  return static_cast<T*>(FindGdi(handle, kind));
}

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_GDI_INTERNAL_H
