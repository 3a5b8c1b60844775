// ResetPlatform gives back every part of the layer's state: each row of the
// table below puts something in one part, and after one reset the part must
// look fresh again through the layer's own calls. A part a reset left out
// fails its row. Focus and activation name windows by handle, and handles are
// never reused, and the idle handler runs only where a call would block, so
// for those the test also reads the module state itself.
#include <d3d9.h>
#include <dsound.h>
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <windows.h>

#include <SDL.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing.h"
#include "win32/module_state.h"

namespace {

constexpr const char* kClass = "MorvaneResetTest";
constexpr SHORT kDown = static_cast<SHORT>(0x8000);

HWND Popup(const char* cls = "STATIC", DWORD style = WS_POPUP | WS_VISIBLE, int x = 10) {
  return CreateWindowExA(0, cls, "reset", style, x, 10, 64, 48, nullptr, nullptr, nullptr, nullptr);
}

// Every message now in the queue, taken out and dispatched (WM_PAINT stays
// until a window procedure paints).
std::vector<MSG> Drain() {
  std::vector<MSG> out;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    out.push_back(m);
    DispatchMessageA(&m);
  }
  return out;
}

bool Has(const std::vector<MSG>& messages, UINT message) {
  for (const MSG& m : messages) {
    if (m.message == message) return true;
  }
  return false;
}

std::filesystem::path CaptureDir() {
  return std::filesystem::temp_directory_path() /
         ("morvane-reset-" + std::to_string(static_cast<long>(getpid())));
}

// Whether a message box shows and answers at once: the idle handler runs
// only while a box waits for input, and then presses Enter for it.
bool MessageBoxAnswersAtOnce() {
  bool waited = false;
  testing_hooks::SetIdleHandler([&waited](HWND) {
    waited = true;
    testing_hooks::InjectKey(VK_RETURN);
  });
  const int answer = MessageBoxA(nullptr, "text", "caption", MB_OK);
  testing_hooks::SetIdleHandler({});
  return answer == IDOK && !waited;
}

// The result of creating a device with hardware vertex processing and 4
// samples on a fresh window, and whether 4 samples are offered at all.
struct D3DAnswers {
  HRESULT multisample = E_FAIL;
  HRESULT create = E_FAIL;
};

D3DAnswers AskDirect3D() {
  D3DAnswers out;
  HWND window = Popup();
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!window || !d3d) return out;
  out.multisample = d3d->CheckDeviceMultiSampleType(
      D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES, nullptr);
  D3DPRESENT_PARAMETERS p{};
  p.BackBufferFormat = D3DFMT_X8R8G8B8;
  p.BackBufferCount = 1;
  p.SwapEffect = D3DSWAPEFFECT_DISCARD;
  p.hDeviceWindow = window;
  p.Windowed = TRUE;
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  IDirect3DDevice9* device = nullptr;
  out.create = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device);
  if (device) device->Release();
  d3d->Release();
  DestroyWindow(window);
  return out;
}

// Whether a looping sound buffer's play cursor moves without MixAudio, that
// is, whether SDL's audio thread mixes. Waits up to 10 s for it.
bool SdlMixes() {
  IDirectSound8* ds = nullptr;
  if (DirectSoundCreate8(nullptr, &ds, nullptr) != DS_OK) return false;
  ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY);
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = 1;
  f.nSamplesPerSec = 44100;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 2;
  f.nAvgBytesPerSec = 88200;
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwBufferBytes = 88200;  // 1 s
  desc.lpwfxFormat = &f;
  IDirectSoundBuffer* b = nullptr;
  bool moved = false;
  if (ds->CreateSoundBuffer(&desc, &b, nullptr) == DS_OK &&
      b->Play(0, 0, DSBPLAY_LOOPING) == DS_OK) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!moved && std::chrono::steady_clock::now() < deadline) {
      DWORD play = 0;
      moved = b->GetCurrentPosition(&play, nullptr) == DS_OK && play != 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    b->Stop();
  }
  if (b) b->Release();
  ds->Release();
  return moved;
}

int& PeekCalls() {
  static int calls = 0;
  return calls;
}

// What a row's set-up made, for its check.
struct Made {
  HWND window = nullptr;
};

struct Part {
  const char* name;
  // Puts state into the part and asserts it took, without consuming it.
  std::function<void(Made*)> set;
  // Expects the part's fresh state. Checks may change other parts: the
  // rows are in an order where no check hides a later part's leftover, and
  // EachPartAloneIsGivenBack checks every part with nothing else set.
  std::function<void(const Made&)> expectFresh;
};

const std::vector<Part>& Parts() {
  static const std::vector<Part> parts = {
      {"a window",
       [](Made* m) {
         m->window = Popup();
         ASSERT_TRUE(IsWindow(m->window));
       },
       [](const Made& m) { EXPECT_FALSE(IsWindow(m.window)); }},
      {"a registered class",
       [](Made*) {
         WNDCLASSA wc{};
         wc.lpfnWndProc = DefWindowProcA;
         wc.lpszClassName = kClass;
         ASSERT_NE(RegisterClassA(&wc), 0);
       },
       [](const Made&) {
         SetLastError(0);
         EXPECT_EQ(Popup(kClass), nullptr);
         EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
       }},
      {"focus and activation",
       [](Made*) {
         HWND top = Popup();
         HWND child = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 20, 10, top,
                                      nullptr, nullptr, nullptr);
         SetFocus(child);
         ASSERT_EQ(GetFocus(), child);
         ASSERT_EQ(GetActiveWindow(), top);
       },
       [](const Made&) {
         EXPECT_EQ(GetFocus(), nullptr);
         EXPECT_EQ(GetActiveWindow(), nullptr);
         EXPECT_EQ(win32::State().windows.focus, nullptr);
         EXPECT_EQ(win32::State().windows.active, nullptr);
         EXPECT_TRUE(win32::State().windows.topLevelOrder.empty());
       }},
      {"a message-box record",
       [](Made*) {
         testing_hooks::SetMessageBoxAutoAnswer(true);
         MessageBoxA(nullptr, "recorded", "caption", MB_OK);
         ASSERT_EQ(testing_hooks::MessageBoxes().size(), 1u);
       },
       [](const Made&) { EXPECT_TRUE(testing_hooks::MessageBoxes().empty()); }},
      {"the message-box policy",
       [](Made*) {
         testing_hooks::SetMessageBoxAutoAnswer(false);
         ASSERT_FALSE(MessageBoxAnswersAtOnce());
       },
       // Headless, the fresh policy answers at once.
       [](const Made&) { EXPECT_TRUE(MessageBoxAnswersAtOnce()); }},
      {"the message-box capture folder",
       [](Made*) {
         std::filesystem::create_directories(CaptureDir());
         testing_hooks::SetMessageBoxCaptureDir(CaptureDir().string());
       },
       [](const Made&) {
         MessageBoxA(nullptr, "not saved", "caption", MB_OK);
         EXPECT_FALSE(std::filesystem::exists(CaptureDir() / "msgbox-1.png"));
         std::filesystem::remove_all(CaptureDir());
       }},
      {"a forced key",
       [](Made*) {
         testing_hooks::SetKeyDown(VK_F4, true);
         ASSERT_EQ(GetKeyState(VK_F4), kDown);
       },
       [](const Made&) {
         EXPECT_EQ(GetKeyState(VK_F4), 0);
         EXPECT_EQ(GetAsyncKeyState(VK_F4), 0);
       }},
      {"a key held by a key message",
       [](Made*) {
         Popup();
         SDL_Event e{};
         e.type = SDL_KEYDOWN;
         e.key.keysym.sym = SDLK_q;
         ASSERT_EQ(SDL_PushEvent(&e), 1);
         ASSERT_TRUE(Has(Drain(), WM_KEYDOWN));
         ASSERT_EQ(GetKeyState('Q'), kDown);
       },
       [](const Made&) { EXPECT_EQ(GetKeyState('Q'), 0); }},
      {"an injected key", [](Made*) { testing_hooks::InjectKey('Z'); },
       [](const Made&) {
         HWND h = Popup();
         EXPECT_FALSE(Has(Drain(), WM_KEYDOWN));
         DestroyWindow(h);
       }},
      {"the display modes and a changed mode",
       [](Made*) {
         testing_hooks::SetDisplayModes({{640, 480, 32, 60}, {320, 200, 8, 70}});
         DEVMODEA dm{};
         dm.dmSize = sizeof dm;
         dm.dmPelsWidth = 320;
         dm.dmPelsHeight = 200;
         dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
         ASSERT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
         ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
       },
       [](const Made&) {
         EXPECT_NE(GetSystemMetrics(SM_CXSCREEN), 320);
         DEVMODEA dm{};
         dm.dmSize = sizeof dm;
         for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm); ++i) {
           EXPECT_FALSE(dm.dmPelsWidth == 320 && dm.dmBitsPerPel == 8) << "mode " << i;
         }
       }},
      {"the window manager's frame",
       [](Made*) { testing_hooks::SetWindowManagerFrame(10, 30, 10, 10); },
       // Without a frame reported, the client goes where the classic frame
       // puts it: the window's client origin on the screen.
       [](const Made&) {
         HWND h = Popup("STATIC", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100);
         POINT client{0, 0};
         ClientToScreen(h, &client);
         int x = -1, y = -1;
         SDL_GetWindowPosition(testing_hooks::SdlWindowOf(h), &x, &y);
         EXPECT_EQ(x, client.x);
         EXPECT_EQ(y, client.y);
         DestroyWindow(h);
       }},
      {"an allocation fault",
       [](Made*) {
         testing_hooks::FailAllocationPoint(1000);
         ASSERT_TRUE(testing_hooks::AllocationPointFails("reset-test") == false);
         ASSERT_EQ(testing_hooks::AllocationPointsReached(), 1);
       },
       [](const Made&) {
         EXPECT_FALSE(testing_hooks::AllocationPointFails("reset-test"));
         EXPECT_EQ(testing_hooks::AllocationPointsReached(), 0);
       }},
      {"a stop signal",
       [](Made*) {
         Popup();  // the layer's handlers are in once video runs
         std::raise(SIGTERM);
         ASSERT_EQ(testing_hooks::StopSignal(), SIGTERM);
       },
       [](const Made&) { EXPECT_EQ(testing_hooks::StopSignal(), 0); }},
      {"a Direct3D hook",
       [](Made*) {
         testing_hooks::SetSupportedMultisamples({});
         testing_hooks::RefuseHardwareVertexProcessing(true);
         const D3DAnswers a = AskDirect3D();
         ASSERT_NE(a.multisample, D3D_OK);
         ASSERT_EQ(a.create, D3DERR_NOTAVAILABLE);
       },
       [](const Made&) {
         const D3DAnswers a = AskDirect3D();
         EXPECT_EQ(a.multisample, D3D_OK);
         EXPECT_EQ(a.create, D3D_OK);
       }},
      {"a DirectSound hook", [](Made*) { testing_hooks::PauseAudioDevice(); },
       [](const Made&) { EXPECT_TRUE(SdlMixes()); }},
      {"the idle and peek handlers",
       [](Made*) {
         testing_hooks::SetPeekHandler([] { ++PeekCalls(); });
         testing_hooks::SetIdleHandler([](HWND) { ++PeekCalls(); });
         const int before = PeekCalls();
         MSG m;
         PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
         ASSERT_EQ(PeekCalls(), before + 1);
       },
       [](const Made&) {
         const int before = PeekCalls();
         MSG m;
         PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
         EXPECT_EQ(PeekCalls(), before);
         // The idle handler runs only where a call would wait.
         EXPECT_FALSE(win32::State().handlers.idle);
       }},
      {"a posted message and WM_QUIT",
       [](Made*) {
         ASSERT_TRUE(PostMessageA(nullptr, WM_USER, 1, 2));
         PostQuitMessage(3);
         MSG m;
         ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
       },
       [](const Made&) {
         MSG m;
         EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
       }},
  };
  return parts;
}

class ResetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_hooks::ResetPlatform();
    testing_hooks::UseVirtualClock(1000);
  }
  void TearDown() override {
    testing_hooks::ResetPlatform();
    testing_hooks::UseRealClock();
  }
};

// Every part set, one reset, every part fresh.
TEST_F(ResetTest, OneResetGivesBackEveryPart) {
  std::vector<Made> made(Parts().size());
  for (size_t i = 0; i < Parts().size(); ++i) {
    SCOPED_TRACE(Parts()[i].name);
    Parts()[i].set(&made[i]);
    ASSERT_FALSE(HasFatalFailure());
  }
  testing_hooks::ResetPlatform();
  for (size_t i = 0; i < Parts().size(); ++i) {
    SCOPED_TRACE(Parts()[i].name);
    Parts()[i].expectFresh(made[i]);
  }
}

// Each part alone: nothing else set that a check could lean on.
TEST_F(ResetTest, EachPartAloneIsGivenBack) {
  for (const Part& part : Parts()) {
    SCOPED_TRACE(part.name);
    Made made;
    part.set(&made);
    ASSERT_FALSE(HasFatalFailure());
    testing_hooks::ResetPlatform();
    part.expectFresh(made);
    testing_hooks::ResetPlatform();
  }
}

// What the run chose stays: the clock, and handles never come back, so a
// handle kept from before a reset names no window made after it.
TEST_F(ResetTest, TheClockAndUsedHandlesOutliveAReset) {
  HWND before = Popup();
  ASSERT_NE(before, nullptr);
  testing_hooks::AdvanceClock(500);
  testing_hooks::ResetPlatform();
  EXPECT_TRUE(testing_hooks::VirtualClockOn());
  EXPECT_EQ(timeGetTime(), 1500u);
  HWND after = Popup();
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  EXPECT_FALSE(IsWindow(before));
}

}  // namespace
