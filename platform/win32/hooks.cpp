// The idle and peek handlers, title and text helpers, and ResetPlatform.
#include <SDL_ttf.h>

#include "d3d9/hooks.h"
#include "dsound/hooks.h"
#include "message_internal.h"
#include "module_state.h"
#include "testing.h"
#include "text_internal.h"
#include "video_internal.h"
#include "window_internal.h"

namespace win32 {

bool RunIdleHandler() {
  if (!State().handlers.idle) return false;
  // A copy, so the handler may replace itself.
  auto handler = State().handlers.idle;
  handler(ActiveWindow());
  return true;
}

void RunPeekHandler() {
  if (!State().handlers.peek) return;
  auto handler = State().handlers.peek;
  handler();
}

}  // namespace win32

namespace testing_hooks {

void SetIdleHandler(std::function<void(HWND active)> handler) {
  win32::State().handlers.idle = std::move(handler);
}

void SetPeekHandler(std::function<void()> handler) {
  win32::State().handlers.peek = std::move(handler);
}

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
  const bool started = win32::VideoStarted();
  // First what the state points at, windows before the GDI objects their
  // dialogs' fonts are, then the state itself.
  win32::DestroyAllWindowsSilently();
  win32::FreeGdiObjects();
  win32::FreeFonts();
  win32::RestoreSignalHandlers();
  win32::ResetState();
  if (TTF_WasInit()) TTF_Quit();
  if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  // The one place that reaches past win32: the other interfaces' hooks.
  d3d9::ResetHookState();
  dsound::ResetHookState();
}

}  // namespace testing_hooks
