// The application shell: the one application record, the entry point, the
// settings dialog, the main window with its optional full-screen switch, the
// start-up order, the message loop and teardown.
//
// Start-up runs: main window (and full screen), Direct3D device, DirectSound
// device, archive, assets, render context, world and lights, projection,
// music, lap start. Steps whose subsystems are not built yet (assets, music)
// are absent: start-up goes from the archive to the render context, the
// world, lights and projection, then the lap start; a frame clears and
// presents the window.
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
// Start-up step 3: the DirectSound device and its primary buffer.
int CreateSoundDevice(BenchmarkApp* app);
// The highest multisample count (8, 4, 2) the default adapter supports in
// the desktop format, or 0.
int ProbeMultiSample();
// Releases everything the record owns, in order, nulling each; repeatable.
void ReleaseApp(BenchmarkApp* app);
// One frame of the run. Returns 0 when Esc is held (the run ends), else 1.
int RenderFrame(BenchmarkApp* app);

#endif  // MORVANE_APP_APP_H
