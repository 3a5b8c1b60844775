// GetKeyState / GetAsyncKeyState, the forced keys of the test hooks, and the
// mapping between SDL keys and virtual-key codes.
#include <mutex>

#include "message_internal.h"
#include "module_state.h"
#include "testing.h"
#include "video_internal.h"

namespace win32 {
namespace {

KeysState& Keys() { return State().keys; }  // under State().keyMutex

constexpr SHORT kDown = static_cast<SHORT>(0x8000);

}  // namespace

// The mappings below step through letters, digits and function keys by
// offset, which holds because SDL numbers each run consecutively.
static_assert(SDLK_z - SDLK_a == 25 && SDLK_9 - SDLK_0 == 9 && SDLK_F12 - SDLK_F1 == 11);
static_assert(SDL_SCANCODE_Z - SDL_SCANCODE_A == 25 && SDL_SCANCODE_9 - SDL_SCANCODE_1 == 8 &&
              SDL_SCANCODE_F12 - SDL_SCANCODE_F1 == 11);

int VkFromSdl(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_TAB: return VK_TAB;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
  }
}

SDL_Scancode ScancodeFromVk(int vk) {
  if (vk >= 'A' && vk <= 'Z') return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (vk - 'A'));
  if (vk >= '1' && vk <= '9') return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (vk - '1'));
  if (vk == '0') return SDL_SCANCODE_0;
  if (vk >= 0x70 && vk <= 0x7B) return static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + (vk - 0x70));
  switch (vk) {
    case VK_RETURN: return SDL_SCANCODE_RETURN;
    case VK_ESCAPE: return SDL_SCANCODE_ESCAPE;
    case VK_SPACE: return SDL_SCANCODE_SPACE;
    case VK_TAB: return SDL_SCANCODE_TAB;
    case VK_BACK: return SDL_SCANCODE_BACKSPACE;
    case VK_LEFT: return SDL_SCANCODE_LEFT;
    case VK_RIGHT: return SDL_SCANCODE_RIGHT;
    case VK_UP: return SDL_SCANCODE_UP;
    case VK_DOWN: return SDL_SCANCODE_DOWN;
    case VK_SHIFT: return SDL_SCANCODE_LSHIFT;
    case VK_CONTROL: return SDL_SCANCODE_LCTRL;
    case VK_MENU: return SDL_SCANCODE_LALT;
    default: return SDL_SCANCODE_UNKNOWN;
  }
}

void UpdateKeyStateFromMessage(const MSG& msg) {
  std::lock_guard<std::mutex> lock(State().keyMutex);
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool isDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
      if (msg.wParam < Keys().down.size()) Keys().down[msg.wParam] = isDown;
      Keys().down[VK_MENU] = (msg.lParam & (1 << 29)) != 0 || (msg.wParam == VK_MENU && isDown);
      break;
    }
    case WM_LBUTTONDOWN: Keys().down[VK_LBUTTON] = true; break;
    case WM_LBUTTONUP: Keys().down[VK_LBUTTON] = false; break;
    default: break;
  }
}

}  // namespace win32

using namespace win32;

SHORT WINAPI GetKeyState(int virtualKey) {
  std::lock_guard<std::mutex> lock(State().keyMutex);
  if (auto it = Keys().forced.find(virtualKey); it != Keys().forced.end())
    return it->second ? kDown : 0;
  if (virtualKey < 0 || virtualKey >= static_cast<int>(Keys().down.size())) return 0;
  return Keys().down[static_cast<size_t>(virtualKey)] ? kDown : 0;
}

SHORT WINAPI GetAsyncKeyState(int virtualKey) {
  {
    std::lock_guard<std::mutex> lock(State().keyMutex);
    if (auto it = Keys().forced.find(virtualKey); it != Keys().forced.end())
      return it->second ? kDown : 0;
  }
  if (!VideoStarted()) return 0;
  SDL_Scancode sc = ScancodeFromVk(virtualKey);
  if (sc == SDL_SCANCODE_UNKNOWN) return 0;
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  return (state && sc < count && state[sc]) ? kDown : 0;
}

namespace testing_hooks {

void SetKeyDown(int virtualKey, bool isDown) {
  std::lock_guard<std::mutex> lock(State().keyMutex);
  Keys().forced[virtualKey] = isDown;
}

void ClearKeys() {
  std::lock_guard<std::mutex> lock(State().keyMutex);
  Keys().forced.clear();
}

}  // namespace testing_hooks
