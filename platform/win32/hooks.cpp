// The idle and peek handlers, title and text helpers, and ResetPlatform.
#include "window_internal.h"

#include <SDL_ttf.h>

#include "d3d9/hooks.h"
#include "dsound/mixer.h"
#include "testing.h"

namespace win32 {
namespace {

std::function<void(HWND)> idleHandler;
std::function<void()> peekHandler;

}  // namespace

bool RunIdleHandler() {
  if (!idleHandler) return false;
  // A copy, so the handler may replace itself.
  auto handler = idleHandler;
  handler(ActiveWindow());
  return true;
}

void RunPeekHandler() {
  if (!peekHandler) return;
  auto handler = peekHandler;
  handler();
}

void ClearHookState() {
  idleHandler = nullptr;
  peekHandler = nullptr;
}

}  // namespace win32

namespace testing_hooks {

void SetIdleHandler(std::function<void(HWND active)> handler) {
  win32::idleHandler = std::move(handler);
}

void SetPeekHandler(std::function<void()> handler) { win32::peekHandler = std::move(handler); }

std::string SdlWindowTitle(HWND window) {
  win32::Window* w = win32::GetWindow(window);
  if (!w || !w->sdl) return {};
  const char* title = SDL_GetWindowTitle(w->sdl);
  return title ? title : "";
}

std::vector<HWND> ChildWindows(HWND parent) {
  win32::Window* w = win32::GetWindow(parent);
  return w ? w->children : std::vector<HWND>{};
}

std::string WindowClassName(HWND window) {
  win32::Window* w = win32::GetWindow(window);
  return w && w->cls ? w->cls->name : std::string();
}

std::string Cp932ToUtf8(const std::string& bytes) { return win32::ToUtf8(bytes); }

void ResetPlatform() {
  bool started = win32::VideoStarted();
  win32::DestroyAllWindowsSilently();
  win32::ClearClasses();
  win32::ClearQueueState();
  win32::ClearKeyboardState();
  win32::ClearHookState();
  FailAllocationPoint(0);
  win32::ClearMessageBoxState();
  win32::FreeDisplayState();
  win32::ClearPlacementState();
  win32::ClearSessionState();
  win32::FreeGdiObjects();
  win32::FreeFonts();
  if (TTF_WasInit()) TTF_Quit();
  if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  // The one place that reaches past win32: the other interfaces' hooks.
  d3d9::ResetHookState();
  dsound::SetManualMixing(false);
}

}  // namespace testing_hooks
