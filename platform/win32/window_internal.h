// Internal to platform/win32: the window and class records behind HWND, the
// handle table, and helpers shared by the window, message, dialog, control,
// GDI and message-box code. Main thread only, except LookupWindowLocked and
// the queue functions, which take their own locks.
#ifndef MORVANE_PLATFORM_WIN32_WINDOW_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_WINDOW_INTERNAL_H

#include <windows.h>

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace win32 {

struct WindowClass {
  std::string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSmall = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool builtin = false;
};

// What a built-in control or dialog keeps besides the common fields.
struct DialogState {
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  LONG_PTR msgResult = 0;  // DWLP_MSGRESULT
  HFONT font = nullptr;    // owned: created from the template
  int baseX = 8;           // dialog base units in pixels
  int baseY = 16;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // WS_CHILD windows only
  HWND owner = nullptr;   // top-level windows created with a parent
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<unsigned char> extra;
  std::string text;  // CP932 bytes
  RECT rect{};       // screen coordinates, or parent client coordinates for children
  HFONT font = nullptr;
  std::vector<HWND> children;  // creation order (first = bottom of the paint order)

  bool needsPaint = false;
  bool needsErase = false;
  bool destroying = false;
  bool topmost = false;
  bool fullscreen = false;
  bool framePlaced = false;  // placed inside a frame the window manager reported

  // Top-level windows only.
  SDL_Window* sdl = nullptr;
  SDL_Surface* backing = nullptr;  // ARGB8888, client size

  // BUTTON controls.
  int check = BST_UNCHECKED;
  bool pressed = false;

  std::unique_ptr<DialogState> dialog;  // "#32770" windows
  bool messageBox = false;
};

// ---- handle table -----------------------------------------------------------

Window* GetWindow(HWND handle);  // null for stale or foreign handles
bool IsTopLevel(const Window* w);
Window* TopLevelOf(Window* w);
std::vector<HWND> AllTopLevelWindows();  // creation order
HWND ActiveWindow();
void SetActiveWindow(HWND window);
bool IsDescendant(HWND window, HWND ancestor);  // true also when equal

// ---- geometry -----------------------------------------------------------------

// Non-client insets of a window with these styles.
RECT FrameInsets(DWORD style, DWORD exStyle);
// Client rectangle of w in the coordinates w's rect uses.
RECT ClientArea(const Window* w);
// Position of w's client origin in its top-level window's client
// coordinates, and the visible part of w's client area there.
void ClientInBacking(const Window* w, POINT* origin, RECT* clip);
bool PointInRect(const RECT& r, int x, int y);

// ---- painting -----------------------------------------------------------------

// Fills w's client area with its class brush (into the backing) now.
void EraseBackground(Window* w);
// Erases and sends WM_PAINT to w and then to its visible children.
void PaintNow(Window* w);
// Copies a top-level window's backing to its SDL window.
void Present(Window* top);
// Marks w (and with erase, erases it now) for a later WM_PAINT.
void Invalidate(Window* w, bool erase);
// Recreates the SDL window / backing after a size or style change.
void SyncSdlWindow(Window* w);
// Moves a top-level window's SDL window to where its rect says, inside the
// window manager's frame when one is known (placement.cpp).
void PlaceSdlWindow(Window* w);
// Places windows whose window-manager frame has become known since.
void PlaceFramesOnceKnown();
void ClearPlacementState();
// The window manager resized a top-level window's client area.
void ExternalResize(Window* w, int clientWidth, int clientHeight);
// WM_SETTEXT changed the text: updates the SDL title of top-level windows.
void WindowTextChanged(Window* w);

// ---- classes ------------------------------------------------------------------

std::shared_ptr<WindowClass> FindClass(const std::string& name);
void RegisterBuiltinClasses();
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK MessageBoxWindowProc(HWND, UINT, WPARAM, LPARAM);
inline constexpr const char* kDialogClass = "#32770";
inline constexpr const char* kMessageBoxClass = "MorvaneMessageBox";

// ---- SDL and state -------------------------------------------------------------

// Initialises SDL video (and TTF) on first use. False if SDL cannot start.
bool EnsureVideo();
// Starts SDL video with the driver SDL_VIDEODRIVER names, else with a real
// display only; says why on stderr when none starts. Installs the stop
// signal handlers first (session.cpp).
bool StartVideoDriver();
// The first SIGINT or SIGTERM received, 0 for none.
int StopSignalReceived();
// After a stop signal, posts WM_CLOSE once to the enabled top-level windows.
void PostCloseOnStop();
void ClearSessionState();
bool VideoStarted();
// Desktop size: the current display mode.
void DesktopSize(int* width, int* height);
// Applies or leaves full screen for top-level w according to its rect,
// style and the current display mode.
void UpdateFullscreen(Window* w);

// ---- messages --------------------------------------------------------------------

// One message of the queue in Windows' retrieval order, without waiting and
// without the peek handler. Returns false when nothing is there.
bool TakeMessage(MSG* msg, HWND filter, UINT min, UINT max, bool remove);
// Calls the idle handler (if any); returns whether one is set.
bool RunIdleHandler();
// Calls the peek handler (if any).
void RunPeekHandler();
// Waits briefly for SDL events.
void WaitForInput();
// Mouse capture of a control between button down and up.
void SetMouseCapture(HWND window);
HWND MouseCapture();
void UpdateKeyStateFromMessage(const MSG& msg);
void ClearQueueState();
void ClearKeyboardState();
void ClearHookState();
// Taking one injected click or key, if any, into the input queue.
void TakeInjectedInput();
// Virtual-key code for an SDL key, 0 if none; and the reverse for scancodes.
int VkFromSdl(SDL_Keycode key);
SDL_Scancode ScancodeFromVk(int vk);

// ---- modal loops -------------------------------------------------------------------

// Runs messages until *done; idle handler when idle. Keyboard Enter/Esc go to
// onKey first when set (return true = consumed). A stop signal sends the
// modal window WM_CLOSE. Returns false if WM_QUIT arrived (it is reposted)
// or the modal window did not end on that WM_CLOSE.
bool RunModalLoop(HWND modal, const std::function<bool()>& done,
                  bool (*onKey)(HWND modal, const MSG& msg));
// Tear-down for ResetPlatform: frees without sending any message.
void DestroyAllWindowsSilently();
void ClearClasses();
void ClearMessageBoxState();
// Runs WM_PAINT of a top-level window's children and shows the backing
// (after the top-level window's own WM_PAINT).
void AfterTopLevelPaint(Window* top);

// ---- text and fonts -------------------------------------------------------------------

std::string ToUtf8(const std::string& cp932);
// UTF-16 text (dialog templates) as CP932; unmappable characters become '?'.
std::string Utf16ToCp932(const std::u16string& text);
HFONT CreateFontPx(int pixels);
HFONT DefaultGuiFont();
HFONT DialogFont();  // 16 px, the "MS Shell Dlg" 12 pt equivalent
int FontPixels(HFONT font);
void FreeFonts();
void FreeGdiObjects();
void FreeDisplayState();

// Draw target: a surface with a clip rectangle and an origin.
struct Canvas {
  SDL_Surface* surface = nullptr;
  int ox = 0;
  int oy = 0;
  SDL_Rect clip{0, 0, 0, 0};
};
bool CanvasForWindow(HWND window, Canvas* canvas);
void FillCanvas(const Canvas& c, const RECT& r, COLORREF color);
void HLine(const Canvas& c, int x0, int x1, int y, COLORREF color);
void VLine(const Canvas& c, int x, int y0, int y1, COLORREF color);
// Text in CP932; returns the width drawn.
int DrawTextAt(const Canvas& c, HFONT font, const std::string& cp932, int x, int y, COLORREF color);
void TextSize(HFONT font, const std::string& cp932, int* width, int* height);
// Splits CP932 text into lines at line feeds and where it exceeds maxWidth
// (maxWidth <= 0: no wrap).
std::vector<std::string> WrapText(HFONT font, const std::string& cp932, int maxWidth);
int FontLineHeight(HFONT font);

COLORREF SysColor(int index);
HBRUSH StockBrushForColor(int index);
COLORREF BrushColor(HBRUSH brush, bool* valid);
SDL_Surface* IconSurface(HICON icon, int size);

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_WINDOW_INTERNAL_H
