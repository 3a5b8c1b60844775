// The application shell: the one application record, the entry point, the
// settings dialog, the main window with its optional full-screen switch, the
// start-up order, the message loop and teardown.
//
// Start-up runs: main window (and full screen), Direct3D device, DirectSound
// device, archive, assets, render context, world and lights, projection,
// music, lap start.
//
// The run is laps of the 33,500 ms animation; RenderFrame draws one frame
// and keeps the counters (frames, score, average, best). A scene without a
// camera keeps the previous view (the identity before the first camera was
// seen): nothing better is known, and the frame still draws.
//
// Does not: allocate or touch files during a frame (RenderFrame and the
// sprite, digit and pulse helpers), print anything, or write files.
//
// Threads: everything here runs on the thread that entered WinMain.
#ifndef MORVANE_APP_APP_H
#define MORVANE_APP_APP_H

#include <d3d9.h>
#include <dsound.h>
#include <windows.h>

#include <cstdint>

#include "render/render_context.h"
#include "scene/scene.h"
#include "sound/sound.h"

struct BenchmarkApp {
  BenchmarkApp();
  ~BenchmarkApp();
  BenchmarkApp(const BenchmarkApp&) = delete;
  BenchmarkApp& operator=(const BenchmarkApp&) = delete;

  HWND window = nullptr;
  int32_t windowed = 1;   // 1 windowed, 0 full screen
  int32_t antiAlias = 1;  // 1 when anti-aliasing was requested
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  D3DPRESENT_PARAMETERS presentParams = {};
  IDirectSound8* directSound = nullptr;
  IDirectSoundBuffer* primaryBuffer = nullptr;
  Scene scene;
  RenderContext render;
  IDirect3DTexture9* bgTexture = nullptr;
  IDirect3DTexture9* chipTexture = nullptr;
  CDirectSoundWave* music = nullptr;
  int32_t pulseState = 1;  // morph pulse: 1 idle, 2 rising, 3 falling
  uint32_t pulseStamp = 0;
  uint32_t lapStart = 0;
  int32_t frameCount = 0;
  int32_t score = 0;
  int32_t averageScore = 0;
  int32_t bestScore = 0;
  int32_t scoreTotal = 0;
  int32_t lapCount = 0;
};

// The dialog's two choices, 1 by default.
struct AppSettings {
  int32_t windowed = 1;
  int32_t antiAlias = 1;
};

// Handed to the dialog as its creation parameter and kept in its user data.
struct SettingsDialogState {
  HINSTANCE instance;
  HWND dialog;
  HWND windowedRadio;
  HWND fullScreenRadio;
  HWND antiAliasOnRadio;
  HWND antiAliasOffRadio;
  HBITMAP splash;
  HDC splashDC;
  AppSettings* settings;
};

// Control ids of the settings dialog.
enum : int {
  kIdOk = 0x1000,
  kIdCancel = 0x1001,
  kIdWindowed = 0x1002,
  kIdFullScreen = 0x1003,
  kIdAntiAliasOn = 0x1004,
  kIdAntiAliasOff = 0x1005,
};

// Runs the dialog, start-up, the message loop and teardown. Returns 1.
int RunApplication(HINSTANCE instance, BenchmarkApp* app);
// The start-up order; 1 on success, 0 at the first failing step.
int InitializeApp(BenchmarkApp* app, HINSTANCE instance);
// Registers the class, creates the 800 by 600 window, switches to full
// screen when chosen. 1 on success, 0 on failure.
int CreateMainWindow(BenchmarkApp* app, HINSTANCE instance);
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Start-up step 2: the Direct3D device for the main window with the states
// that hold for the whole run. 1 on success, 0 on failure.
int CreateGraphicsDevice(BenchmarkApp* app);
// The states CreateGraphicsDevice sets once and every frame relies on: alpha
// 0 discarded, source-alpha blending, depth test and write, no culling, no
// lighting, stage 0 texture times diffuse, point sampling. Test and benchmark
// devices call it too, so they draw as the program does.
void SetFixedDeviceStates(IDirect3DDevice9* device);
// Start-up step 3: the DirectSound device and its primary buffer.
int CreateSoundDevice(BenchmarkApp* app);
// The highest multisample count (8, 4, 2) the default adapter supports in
// the desktop format, or 0.
int ProbeMultiSample();
// Releases everything the record owns, in order, nulling each; repeatable.
void ReleaseApp(BenchmarkApp* app);
// One frame of the run. Returns 0 when Esc is held (the run ends), else 1.
int RenderFrame(BenchmarkApp* app);

// Start-up step 5: "BG.bmp", "Chip.bmp", "Scene.lmf", "BGM.wav" in this
// order, each as a plain file, then as an archive member. 1 when all four
// loaded; 0 at the first file found nowhere (reported by name; the later
// files are not tried).
int LoadAssets(BenchmarkApp* app);
// "Scene.lmf" as a plain file, then as an archive member. 0, or -1 after
// reporting the file.
int32_t LoadSceneFile(IDirect3DDevice9* device, Scene* scene);
// "BGM.wav" into the player, as a plain file, then as an archive member
// (whose handle then belongs to the player's source). 0, or -1 after
// reporting the file.
int32_t LoadMusic(CDirectSoundWave* music, IDirectSound8* directSound);

// The vertex of every screen-space quad: D3DFVF_XYZRHW | D3DFVF_DIFFUSE |
// D3DFVF_TEX1.
struct SpriteVertex {
  float x, y, z, rhw;
  D3DCOLOR diffuse;
  float u, v;
};
static_assert(sizeof(SpriteVertex) == 28);
// The size of the main window's client area, of the full-screen display
// mode and of every frame drawn.
constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;
// The outer size a full-screen window is set back to when something resizes
// it: two pixels over the frame each way (the display crops the excess).
constexpr int kFullScreenSetBackWidth = kFrameWidth + 2;
constexpr int kFullScreenSetBackHeight = kFrameHeight + 2;

constexpr DWORD kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Draws the texels `rect` (null: the whole top level) of `texture` one to one
// at (x, y), colour applied to all four corners; bind 1 sets the texture on
// stage 0 first. 0 (nothing drawn) for a null texture, else 1.
int DrawSprite(const RECT* rect, D3DCOLOR colour, IDirect3DDevice9* device,
               IDirect3DTexture9* texture, int bind, float x, float y);
// The morph weight at `now`: idle, rising over 300 ms, falling over 300 ms.
// Each 300 ms of idling a pulse starts with a chance of 10 in 100 (rand,
// never seeded). An unknown state returns 0 and changes nothing.
float UpdateMorphPulse(BenchmarkApp* app, uint32_t now);
// The decimal digit of `value` at `position` (1 = units); 0 for position 0.
uint32_t DecimalDigit(uint32_t position, uint32_t value);
// Draws the low six digits of `value` right-aligned on x 776 at row `y`,
// leading zeros suppressed, with the sprite sheet bound on stage 0; with
// zeroFallback, a value whose low six digits are all zero shows one 0.
void DrawNumberRow(IDirect3DDevice9* device, IDirect3DTexture9* chip, uint32_t value, float y,
                   bool zeroFallback);

#endif  // MORVANE_APP_APP_H
