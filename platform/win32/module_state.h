// Internal to platform/win32: everything the layer remembers between calls,
// in one struct, so that ResetPlatform gives it all back with one call.
//
// Each part belongs to the file(s) named beside it and is touched only
// there. The parts other threads reach keep their mutex beside them in
// Module and are touched only under it: the handle table (tableMutex),
// the posted-message queue (queueMutex), the key states (keyMutex) and the
// allocation-fault gate (faultMutex). Everything else is main-thread state.
//
// Not here, on purpose: the virtual clock (timer.cpp: any thread, and the
// run's choice, set around a reset by its callers), the kernel's thread
// handles and each thread's last error (kernel.cpp: threads outlive a
// reset), the resource tables (resource.cpp: registered once before main),
// whether the display's restore at exit is registered (display.cpp: once a
// process), and the stop-signal flag below (a signal handler may touch only
// a lone lock-free atomic). ResetState clears the flag all the same.
#ifndef MORVANE_PLATFORM_WIN32_MODULE_STATE_H
#define MORVANE_PLATFORM_WIN32_MODULE_STATE_H

#include <windows.h>

#include <SDL_ttf.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "testing.h"
#include "window_records.h"

namespace win32 {

struct GdiObject;

// Windows and the handle table (window_table.cpp, window_geometry.cpp).
struct WindowsState {
  static constexpr uintptr_t kFirstHandle = 0x20000;
  // table and nextHandle: under Module::tableMutex. nextHandle outlives a
  // reset (ResetState), so that no handle is ever given out twice.
  std::map<uintptr_t, std::unique_ptr<Window>> table;
  uintptr_t nextHandle = kFirstHandle;
  std::vector<HWND> topLevelOrder;
  HWND active = nullptr;
  HWND focus = nullptr;
  // Client rectangle last reported by WM_SIZE/WM_MOVE, so that a change of
  // style alone also reports the new client size.
  std::map<HWND, RECT> reported;
};

// Registered window classes (window_class.cpp).
struct ClassesState {
  static constexpr ATOM kFirstAtom = 0xC000;
  std::map<std::string, std::shared_ptr<WindowClass>> byName;  // key: upper-case name
  bool builtinsRegistered = false;
  ATOM nextAtom = kFirstAtom;  // atoms only need to be nonzero and distinct
};

// Messages other threads may post (message.cpp): under Module::queueMutex.
struct QueueState {
  std::deque<MSG> posted;
  bool quitPosted = false;
  int quitCode = 0;
  POINT lastCursor{0, 0};  // screen position, stamped on every message
};

// Input translated from SDL and the test hooks (message.cpp).
struct InputState {
  struct Injected {
    bool click;
    int x, y;  // click
    int vk;    // key
  };
  std::deque<MSG> queued;
  std::deque<Injected> injected;
  HWND capture = nullptr;
};

// GetKeyState's answers (keyboard.cpp): under Module::keyMutex.
struct KeysState {
  std::map<int, bool> forced;
  std::array<bool, 256> down{};  // as of the last key message taken from the queue
};

// The test hooks' idle and peek handlers (hooks.cpp).
struct HandlersState {
  std::function<void(HWND)> idle;
  std::function<void()> peek;
};

// Message boxes and their auto-answer policy (msgbox.cpp).
struct MessageBoxState {
  enum class Policy { Default, On, Off };
  struct Box {
    std::vector<std::string> lines;
    UINT type = 0;
    HFONT font = nullptr;
    int textX = 0, textY = 0, lineHeight = 0;
    bool ended = false;
    int result = IDOK;
  };
  Policy policy = Policy::Default;
  std::vector<testing_hooks::MessageBoxRecord> records;
  std::string captureDir;
  int captureCount = 0;
  std::map<HWND, Box> open;
};

// The display's modes (display.cpp) and the window manager's frame
// (placement.cpp).
struct DisplayState {
  std::optional<std::vector<testing_hooks::DisplayMode>> fakeModes;
  std::optional<testing_hooks::DisplayMode> changedMode;  // set by ChangeDisplaySettingsA
  std::optional<RECT> fakeFrame;                          // left, top, right, bottom thickness
};

// SDL video and the stop signals (session.cpp).
struct SessionState {
  bool videoStarted = false;
  bool handlersInstalled = false;
  bool closePosted = false;
  bool noDisplayReported = false;
  struct sigaction previousInt = {}, previousTerm = {};
};

// GDI objects (gdi.cpp) and fonts (text.cpp).
struct GdiState {
  std::unordered_set<GdiObject*> live;
  std::map<int, HBRUSH> sysBrushes;
  std::map<int, HGDIOBJ> stockObjects;
  std::map<std::string, HBITMAP> sharedBitmaps;
  std::map<std::string, HICON> sharedIcons;
  HBITMAP defaultBitmap = nullptr;
  HICON stockIcon = nullptr;
  HCURSOR arrowCursor = nullptr;
  std::map<int, TTF_Font*> ttfCache;
  HFONT guiFont = nullptr;
  HFONT dialogFont = nullptr;
};

// A dialog between its template and WM_NCCREATE (dialog.cpp).
struct DialogsState {
  std::unique_ptr<DialogState> pending;
};

// The allocation-fault gate (allocation_faults.cpp): under Module::faultMutex.
struct FaultsState {
  int failAt = 0;  // 0: no fault set, nothing counted
  int reached = 0;
  const char* failed = nullptr;
};

struct Module {
  std::mutex tableMutex;  // GetWindow may be asked from any thread
  WindowsState windows;
  ClassesState classes;
  std::mutex queueMutex;  // posted messages may come from any thread
  QueueState queue;
  InputState input;
  std::mutex keyMutex;  // GetAsyncKeyState may be asked from any thread
  KeysState keys;
  HandlersState handlers;
  MessageBoxState boxes;
  DisplayState display;
  SessionState session;
  GdiState gdi;
  DialogsState dialogs;
  std::mutex faultMutex;  // allocation points are reached on any thread
  FaultsState faults;
};

// The layer's one instance (built on first use, so static initialisers of
// other files may already call into the layer).
Module& State();

// Set by the SIGINT / SIGTERM handler (session.cpp); 0 for none. Atomic
// because the kernel may run the handler on any thread (a raster worker, the
// music thread), not only the one that reads it.
extern std::atomic<int> g_stopSignal;
static_assert(std::atomic<int>::is_always_lock_free, "the stop flag is set in a signal handler");

// Gives every part its fresh value, each under its own mutex. Frees
// nothing: release what the parts point at first (ResetPlatform does).
void ResetState();

// What the parts point at, released without sending any message: the SDL
// windows and surfaces, the GDI objects, the TTF fonts, and the signal
// handlers the layer installed.
void DestroyAllWindowsSilently();
void FreeGdiObjects();
void FreeFonts();
void RestoreSignalHandlers();

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_MODULE_STATE_H
