// Internal to platform/win32: the handle table behind HWND, window geometry,
// painting and window classes, shared by the window, message, dialog,
// control, GDI and message-box code. The records themselves are in
// window_records.h; messages, text, drawing and video have their own
// internal headers. Main thread only, except GetWindow, which takes the
// table's lock.
#ifndef MORVANE_PLATFORM_WIN32_WINDOW_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_WINDOW_INTERNAL_H

#include <windows.h>

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "window_records.h"

namespace win32 {

// ---- handle table -----------------------------------------------------------

// The desktop is not in the table: it has no procedure and no SDL window.
inline const HWND kDesktop = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10010));

Window* GetWindow(HWND handle);  // null for stale or foreign handles
bool IsTopLevel(const Window* w);
Window* TopLevelOf(Window* w);
std::vector<HWND> AllTopLevelWindows();  // creation order
HWND ActiveWindow();
void SetActiveWindow(HWND window);
bool IsDescendant(HWND window, HWND ancestor);  // true also when equal

// ---- geometry -----------------------------------------------------------------

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }
// Non-client insets of a window with these styles.
RECT FrameInsets(DWORD style, DWORD exStyle);
// Client rectangle of w in the coordinates w's rect uses.
RECT ClientArea(const Window* w);
// Position of w's client origin in its top-level window's client
// coordinates, and the visible part of w's client area there.
void ClientInBacking(const Window* w, POINT* origin, RECT* clip);
bool PointInRect(const RECT& r, int x, int y);
// Sends WM_SIZE and WM_MOVE for what changed since they were last sent
// (force: both, as at creation).
void ReportSizeAndMove(Window* w, bool force);
// Moves a top-level window's SDL window to where its rect says, inside the
// window manager's frame when one is known (placement.cpp).
void PlaceSdlWindow(Window* w);
// Places windows whose window-manager frame has become known since.
void PlaceFramesOnceKnown();
// The window manager resized a top-level window's client area.
void ExternalResize(Window* w, int clientWidth, int clientHeight);

// ---- painting -----------------------------------------------------------------

// A white ARGB8888 surface of at least 1 x 1 pixels; null (said on stderr)
// when SDL cannot make it.
SDL_Surface* NewBacking(int w, int h);
// Fills w's client area with its class brush (into the backing) now.
void EraseBackground(Window* w);
// Erases and sends WM_PAINT to w and then to its visible children.
void PaintNow(Window* w);
// Runs WM_PAINT of a top-level window's children and shows the backing
// (after the top-level window's own WM_PAINT).
void AfterTopLevelPaint(Window* top);
// Copies a top-level window's backing to its SDL window.
void Present(Window* top);
// Marks w (and with erase, erases it now) for a later WM_PAINT.
void Invalidate(Window* w, bool erase);
// Recreates the SDL window / backing after a size or style change.
void SyncSdlWindow(Window* w);
// WM_SETTEXT changed the text: updates the SDL title of top-level windows.
void WindowTextChanged(Window* w);

// ---- classes ------------------------------------------------------------------

// The table key of a class name or atom: upper case, or "#n" for an atom.
std::string ClassKey(LPCSTR name);
std::shared_ptr<WindowClass> FindClass(const std::string& name);
void RegisterBuiltinClasses();
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK MessageBoxWindowProc(HWND, UINT, WPARAM, LPARAM);
inline constexpr const char* kDialogClass = "#32770";
inline constexpr const char* kMessageBoxClass = "MorvaneMessageBox";

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_WINDOW_INTERNAL_H
