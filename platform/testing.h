// Hooks for tests and the automation mode. The program's own code never
// calls these: they stand in for the person at the keyboard, the display
// hardware and the wall clock, so that headless runs are deterministic and
// never block. All hooks are for the main thread unless noted.
#ifndef MORVANE_PLATFORM_TESTING_H
#define MORVANE_PLATFORM_TESTING_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SDL_Window;

namespace testing_hooks {

// ---- Clock ---------------------------------------------------------------
// With the virtual clock on, timeGetTime returns the virtual time and Sleep
// advances it by its argument instead of waiting (any thread).
void UseVirtualClock(DWORD start);
void UseRealClock();
// With the virtual clock on and this off, Sleep waits in real time and leaves
// the virtual time alone, so only AdvanceClock moves it (a fixed step per
// frame while the music thread keeps its own pace). On by default.
void SetSleepAdvancesClock(bool on);
bool VirtualClockOn();
void AdvanceClock(DWORD milliseconds);

// ---- Input ---------------------------------------------------------------
// Forces GetKeyState's answer for a virtual key (down = high bit set).
void SetKeyDown(int virtualKey, bool down);
// Clears every forced key.
void ClearKeys();
// Queues a left click at client coordinates of the top-level window that is
// active when the click is taken from the queue. Clicks are taken by the
// message calls, in order, one per message-loop pass.
void InjectClick(int clientX, int clientY);
// Queues a key press and release (WM_KEYDOWN, WM_CHAR where it applies,
// WM_KEYUP) for the active top-level window.
void InjectKey(int virtualKey);
// Called when a message call finds nothing to do and would otherwise wait
// (GetMessageA, a modal dialog's loop, WaitMessage). The argument is the
// active top-level window, or null. The handler may inject input, capture
// pixels or post messages. Pass an empty function to remove it.
void SetIdleHandler(std::function<void(HWND active)> handler);
// Called at the start of every PeekMessageA, before the queue is examined:
// lets an automated run act between frames of a busy loop (hold Esc, post
// WM_CLOSE). Pass an empty function to remove it.
void SetPeekHandler(std::function<void()> handler);

// ---- Message boxes -------------------------------------------------------
struct MessageBoxRecord {
  HWND owner;
  std::string text;     // the CP932 bytes as passed
  std::string caption;  // the CP932 bytes as passed
  UINT type;
};
// When on, MessageBoxA draws its box, records it, and returns IDOK at once
// without waiting for input. The policy is on by default whenever SDL's
// video driver is "offscreen" or "dummy", so nothing ever blocks headless.
void SetMessageBoxAutoAnswer(bool on);
const std::vector<MessageBoxRecord>& MessageBoxes();
void ClearMessageBoxes();

// ---- Display -------------------------------------------------------------
struct DisplayMode {
  int width;
  int height;
  int bitsPerPixel;
  int refreshRate;
};
// Replaces the list EnumDisplaySettingsA reports (instead of SDL's own list).
// An empty list means the display reports no modes at all.
void SetDisplayModes(const std::vector<DisplayMode>& modes);
// Acts as a window manager that reports a frame of these thicknesses around
// every captioned top-level window (as SDL_GetWindowBordersSize would).
void SetWindowManagerFrame(int left, int top, int right, int bottom);
// The SDL window behind a top-level window, for tests that act as the
// window manager (move, resize, close); null for other windows.
SDL_Window* SdlWindowOf(HWND window);

// ---- Signals -------------------------------------------------------------
// The first SIGINT or SIGTERM the process received since the layer started
// its video (SIGINT 2, SIGTERM 15), or 0. The layer turns it into closing
// the windows; the unattended mode reads it to report how the run ended.
int StopSignal();

// ---- Capture -------------------------------------------------------------
// The window's pixels as 0xAARRGGBB, whole window including the frame and
// caption the layer draws for it. width and height receive the size.
std::vector<uint32_t> CaptureWindow(HWND window, int* width, int* height);
// The same written as a PNG file. Returns false (and writes nothing) on error.
bool SaveWindowPng(HWND window, const std::string& path);
// When set, every message box is also saved as PNG under this folder as it
// appears (msgbox-N.png).
void SetMessageBoxCaptureDir(const std::string& dir);

// The child windows of a window, in creation order, and the name its class
// was registered with (class names compare without regard to case).
std::vector<HWND> ChildWindows(HWND parent);
std::string WindowClassName(HWND window);

// The title of a top-level window as SDL shows it (UTF-8).
std::string SdlWindowTitle(HWND window);
// Text converted the way the layer converts it at the SDL edge.
std::string Cp932ToUtf8(const std::string& bytes);

// ---- Direct3D adapter -----------------------------------------------------
// Which multisample counts (2, 4, 8) CheckDeviceMultiSampleType accepts on
// the default adapter. All three by default; an empty list models hardware
// without multisampling.
void SetSupportedMultisamples(const std::vector<int>& sampleCounts);
// When on, CreateDevice refuses D3DCREATE_HARDWARE_VERTEXPROCESSING with
// D3DERR_NOTAVAILABLE (software vertex processing still succeeds).
void RefuseHardwareVertexProcessing(bool refuse);
// When on, the OpenGL device's context cannot be made: a GL CreateDevice
// fails with D3DERR_NOTAVAILABLE and the Auto choice takes the CPU device.
void FailGlContextCreation(bool fail);
// When on, the OpenGL device's own shaders fail to compile, so a GL
// CreateDevice fails with D3DERR_NOTAVAILABLE.
void FailGlShaderCompilation(bool fail);
// Worker threads of devices created from now on (the caller counts as one):
// 0, the default, means one per core, else 1..8. The unattended mode's
// --threads and the benchmarks use it; it changes no pixel.
void SetDeviceThreads(int threads);
// Where the device's frames go, in seconds per stage summed over the
// threads that ran it (see raster::StageTimes in raster/raster.h).
struct StageTimes {
  double vertex = 0, setup = 0, binning = 0, coverage = 0, shading = 0, resolve = 0, present = 0;
};
// When on, devices created from now on time coverage apart from shading (a
// clock read per triangle and tile); off, coverage counts as shading. The
// unattended mode's --profile turns it on. Changes no pixel.
void SetDeviceStageSplit(bool on);
// The stage times of every frame presented since the last call (by any
// device), with their number in *frames; then starts the sums again.
StageTimes TakeDeviceStageTimes(int* frames);
// Direct3D objects (IDirect3D9, devices, textures, buffers, declarations)
// not yet freed; 0 after a clean teardown.
int LiveDirect3DObjects();
// When on, every IDirect3DDevice9::Present keeps a copy of the frame it
// showed (0xFFRRGGBB, resolved back buffer); off drops the copy.
void CapturePresentedFrames(bool on);
// The last frame captured, empty if none; width and height receive its size.
std::vector<uint32_t> LastPresentedFrame(int* width, int* height);
// Lowers the number of float4 vertex constant registers the device reports
// to effects (256, the default, restores it): ValidateTechnique then refuses
// a technique whose programs or parameters need registers beyond it.
void SetVertexConstantLimit(int registers);
// Removes a name from the table of vertex programs registered by name, as
// if it had never been registered (effects created earlier still hold the
// program, but ValidateTechnique refuses their passes that name it).
void ForgetVertexProgram(const char* name);
// Why the last D3DXCreateEffect or ValidateTechnique call failed (the
// parse fault with its byte offset, or the validation reason); empty when
// none has failed yet.
std::string LastEffectRefusal();

// Gives the layer back as it was at start, so the next test starts clean:
// destroys every window, class, GDI object, cached font and SDL state,
// empties the message queue, and gives every hook here its default (forced
// keys, idle and peek handlers, message-box policy, records and capture
// folder, display modes, window-manager frame, stop signal, allocation
// fault; for Direct3D no refused hardware processing, full constant
// registers, 2, 4 and 8 samples, no frame capture, no forced GL failure, no
// stage times summed; for DirectSound, SDL mixing). The run's choices stay:
// the clock, SetDeviceThreads and SetDeviceStageSplit. A window handle is
// never given out twice, across resets too.
void ResetPlatform();

// ---- Allocation faults ------------------------------------------------------
// Allocation points are the calls that allocate and have a documented
// failure result, each counted once where its allocation happens:
// CreateWindowExA, CreateThread, Direct3DCreate9, IDirect3D9::CreateDevice,
// the device's CreateTexture, CreateVertexBuffer, CreateIndexBuffer and
// CreateVertexDeclaration, D3DXCreateEffect, D3DXCreateTextureFromFileExA's
// image buffer, DirectSoundCreate8 and CreateSoundBuffer. With n > 0 the nth
// point reached from now on (any thread) fails as that call fails when
// memory runs out (null, E_OUTOFMEMORY, D3DERR_OUTOFVIDEOMEMORY or
// DSERR_OUTOFMEMORY); every other point behaves as usual. 0 turns counting
// off.
void FailAllocationPoint(int n);
// Points reached since FailAllocationPoint, and the name of the point that
// was failed (empty while the nth has not been reached).
int AllocationPointsReached();
std::string FailedAllocationPoint();
// Counts one more point named `point` (a string that lives for the whole
// run) for stand-ins a test puts in front of the C runtime (fopen, operator
// new with nothrow), and says whether it must fail. False while counting is
// off.
bool AllocationPointFails(const char* point);

// ---- Sound ----------------------------------------------------------------
// The output every DirectSound object mixes to: 44100 Hz, stereo.
constexpr int kAudioOutputRate = 44100;
// Takes mixing away from SDL's audio thread (any thread): from now on it
// outputs silence and leaves the buffers alone, so cursors move only by what
// MixAudio mixes. Call before anything plays; ResumeAudioDevice gives mixing
// back to SDL.
void PauseAudioDevice();
void ResumeAudioDevice();
// Mixes the next frames of the sound output (shared by every live
// DirectSound object) as the SDL callback would, and returns them
// interleaved left, right, in -1..1. Empty when no DirectSound object or
// buffer is alive.
std::vector<float> MixAudio(int frames);
// DirectSound objects (devices, primary and secondary buffers) not yet
// released to zero.
int LiveSoundObjects();

}  // namespace testing_hooks

#endif  // MORVANE_PLATFORM_TESTING_H
