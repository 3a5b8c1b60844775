// The Direct3D and DirectSound devices with the states that hold for the
// whole run. Start-up steps 2 and 3.
#include "app/app.h"

namespace {

// The highest of 8, 4 and 2 samples that d3d accepts for this format in a
// window, else none.
D3DMULTISAMPLE_TYPE ProbeSamples(IDirect3D9* d3d, D3DFORMAT format) {
  static const D3DMULTISAMPLE_TYPE kTypes[] = {D3DMULTISAMPLE_8_SAMPLES, D3DMULTISAMPLE_4_SAMPLES,
                                               D3DMULTISAMPLE_2_SAMPLES};
  for (D3DMULTISAMPLE_TYPE type : kTypes) {
    if (SUCCEEDED(d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, format, TRUE,
                                                  type, nullptr)))
      return type;
  }
  return D3DMULTISAMPLE_NONE;
}

}  // namespace

void SetFixedDeviceStates(IDirect3DDevice9* device) {
  // Pixels with alpha 0 are discarded, everything is alpha-blended, culling
  // is off unless a drawing pass changes it.
  device->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
  device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  device->SetRenderState(D3DRS_ALPHAREF, 0);
  device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

  // Sprites show texture times vertex colour, alpha likewise.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);

  // No mip filter: only the top level of a texture is ever sampled.
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
}

int CreateGraphicsDevice(BenchmarkApp* app) {
  app->d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (app->d3d == nullptr) return 0;

  D3DDISPLAYMODE mode = {};
  app->d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);

  // Always a windowed swap chain: full screen is the 800 by 600 display mode
  // with a borderless window over it. Immediate presentation keeps the frame
  // rate, and so the score, free of the refresh rate.
  D3DPRESENT_PARAMETERS& pp = app->presentParams;
  pp = D3DPRESENT_PARAMETERS{};
  pp.BackBufferWidth = 0;
  pp.BackBufferHeight = 0;
  pp.BackBufferFormat = mode.Format;
  pp.BackBufferCount = 1;
  pp.MultiSampleType =
      app->antiAlias == 1 ? ProbeSamples(app->d3d, mode.Format) : D3DMULTISAMPLE_NONE;
  pp.MultiSampleQuality = 0;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = app->window;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D16;
  pp.Flags = 0;
  pp.FullScreen_RefreshRateInHz = 0;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

  if (FAILED(app->d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, app->window,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &app->device)) &&
      FAILED(app->d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, app->window,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &app->device)))
    return 0;

  D3DVIEWPORT9 viewport = {0, 0, kFrameWidth, kFrameHeight, 0.0f, 1.0f};
  if (FAILED(app->device->SetViewport(&viewport))) return 0;
  SetFixedDeviceStates(app->device);
  return 1;
}

int CreateSoundDevice(BenchmarkApp* app) {
  if (FAILED(DirectSoundCreate8(nullptr, &app->directSound, nullptr))) return 0;
  if (FAILED(app->directSound->SetCooperativeLevel(app->window, DSSCL_PRIORITY))) return 0;

  // The primary buffer is only held until teardown; the music player works on
  // the DirectSound object.
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof(DSBUFFERDESC);
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = 0;
  desc.lpwfxFormat = nullptr;
  desc.guid3DAlgorithm = GUID_NULL;
  return SUCCEEDED(app->directSound->CreateSoundBuffer(&desc, &app->primaryBuffer, nullptr)) ? 1
                                                                                             : 0;
}
