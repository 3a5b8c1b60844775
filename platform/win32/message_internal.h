// Internal to platform/win32: the message queue, input, the test hooks'
// handlers and modal loops (message.cpp, keyboard.cpp, hooks.cpp). Main
// thread only; posting (PostMessageA) is the one call other threads make.
#ifndef MORVANE_PLATFORM_WIN32_MESSAGE_INTERNAL_H
#define MORVANE_PLATFORM_WIN32_MESSAGE_INTERNAL_H

#include <windows.h>

#include <SDL.h>

#include <functional>

namespace win32 {

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

}  // namespace win32

#endif  // MORVANE_PLATFORM_WIN32_MESSAGE_INTERNAL_H
