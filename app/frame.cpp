// One frame of the run: the lap clock, animation, score, camera, background,
// scene, morph pair, overlay with the numbers, fade, present, and the lap
// end. Nothing here allocates or touches a file.
#include <mmsystem.h>

#include <cstdlib>

#include "app/app.h"
#include "render/render.h"

namespace {

constexpr int32_t kFadeInEndMs = 1000;
constexpr int32_t kFadeOutStartMs = 32500;
constexpr double kFadeLengthMs = 1000.0;
// frames x 100000 / 33500: the lap's mean frame rate times 100.
constexpr double kScoreScale = 100000.0;
constexpr double kLapLengthMs = 33500.0;
constexpr uint32_t kPulseStepMs = 300;
constexpr int kPulseStartChance = 10;  // in 100

// The layers drawn every frame, in this order.
constexpr uint16_t kLayerDrawList[] = {0, 5, 9, 14, 17, 26, 36};

struct OverlaySprite {
  RECT source;
  float x, y;
};
constexpr OverlaySprite kOverlaySprites[] = {
    {{0, 0, 274, 77}, 8.0f, 8.0f},
    {{0, 78, 272, 172}, 519.0f, 498.0f},
    {{0, 172, 91, 230}, 609.0f, 12.0f},
};
constexpr float kScoreRowY = 11.0f;
constexpr float kAverageRowY = 31.0f;
constexpr float kBestRowY = 51.0f;

constexpr RECT kFullScreen = {0, 0, kFrameWidth, kFrameHeight};

// Fade quad alpha at `elapsed`, or -1 when no quad is drawn.
int FadeAlpha(int32_t elapsed) {
  if (elapsed < kFadeInEndMs) return static_cast<int>(255.0 - elapsed / kFadeLengthMs * 255.0);
  if (elapsed > kFadeOutStartMs) {
    const int alpha = static_cast<int>((elapsed - kFadeOutStartMs) / kFadeLengthMs * 255.0);
    return alpha > 255 ? 255 : alpha;
  }
  return -1;
}

void DrawOverlay(BenchmarkApp* app) {
  IDirect3DDevice9* device = app->device;
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
  device->SetTexture(0, app->chipTexture);
  for (const OverlaySprite& s : kOverlaySprites)
    DrawSprite(&s.source, 0xFFFFFFFF, device, app->chipTexture, 0, s.x, s.y);
  DrawNumberRow(device, app->chipTexture, static_cast<uint32_t>(app->score), kScoreRowY, false);
  DrawNumberRow(device, app->chipTexture, static_cast<uint32_t>(app->averageScore), kAverageRowY,
                true);
  DrawNumberRow(device, app->chipTexture, static_cast<uint32_t>(app->bestScore), kBestRowY, true);
}

// Folds the finished lap's score into the run's counters and starts the next
// lap; the frame just presented still showed the old average and best.
void EndLap(BenchmarkApp* app) {
  app->scoreTotal += app->score;
  ++app->lapCount;
  app->averageScore = app->scoreTotal / app->lapCount;
  if (app->score > app->bestScore) app->bestScore = app->score;
  app->frameCount = 0;
  app->lapStart = timeGetTime();
}

}  // namespace

int RenderFrame(BenchmarkApp* app) {
  IDirect3DDevice9* device = app->device;
  const uint32_t now = timeGetTime();
  const auto elapsed = static_cast<int32_t>(now - app->lapStart);

  const bool lapEnds = UpdateMotions(elapsed, &app->scene) == kAnimationEnded;

  ++app->frameCount;
  app->score = static_cast<int32_t>(app->frameCount * kScoreScale / kLapLengthMs);

  D3DXVECTOR3 eye, target, up;
  if (GetCameraFromScene(&app->scene, &eye, &target, &up) == 0)
    SetCameraView(&app->render, &eye, &target, &up);

  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  device->BeginScene();

  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
  DrawSprite(&kFullScreen, 0xFFFFFFFF, device, app->bgTexture, 1, 0.0f, 0.0f);

  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
  for (uint16_t layer : kLayerDrawList) DrawLayer(layer, device, &app->scene, &app->render);

  const float w = UpdateMorphPulse(app, now);
  const float weight[3] = {w, w, w};
  DrawMorphLayers(device, &app->scene, &app->render, weight);

  DrawOverlay(app);

  const int alpha = FadeAlpha(elapsed);
  if (alpha >= 0)
    DrawSprite(&kFullScreen, static_cast<D3DCOLOR>(alpha) << 24, device, app->bgTexture, 1, 0.0f,
               0.0f);

  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);

  if (lapEnds) EndLap(app);
  return GetKeyState(VK_ESCAPE) < 0 ? 0 : 1;
}

float UpdateMorphPulse(BenchmarkApp* app, uint32_t now) {
  const auto dt = static_cast<int32_t>(now - app->pulseStamp);
  switch (app->pulseState) {
    case 1:
      if (dt < static_cast<int32_t>(kPulseStepMs)) return 0.0f;
      if (std::rand() % 100 < kPulseStartChance) app->pulseState = 2;
      app->pulseStamp = now;
      return 0.0f;
    case 2: {
      const auto x = static_cast<float>(dt / static_cast<double>(kPulseStepMs));
      if (x < 1.0f) return x;
      app->pulseState = 3;
      app->pulseStamp = now;
      return 1.0f;
    }
    case 3: {
      const auto x = static_cast<float>(dt / static_cast<double>(kPulseStepMs));
      if (x < 1.0f) return 1.0f - x;
      app->pulseState = 1;
      app->pulseStamp = now;
      return 0.0f;
    }
    default: return 0.0f;
  }
}
