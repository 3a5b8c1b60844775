#include "app/app.h"

int ProbeMultiSample() {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (d3d == nullptr) return 0;

  D3DDISPLAYMODE mode = {};
  d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);

  static const D3DMULTISAMPLE_TYPE kTypes[] = {D3DMULTISAMPLE_8_SAMPLES, D3DMULTISAMPLE_4_SAMPLES,
                                               D3DMULTISAMPLE_2_SAMPLES};
  // A D3DMULTISAMPLE_n_SAMPLES value is its sample count.
  static_assert(D3DMULTISAMPLE_2_SAMPLES == 2 && D3DMULTISAMPLE_4_SAMPLES == 4 &&
                D3DMULTISAMPLE_8_SAMPLES == 8);
  int result = 0;
  for (D3DMULTISAMPLE_TYPE type : kTypes) {
    if (SUCCEEDED(d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                                  TRUE, type, nullptr))) {
      result = static_cast<int>(type);
      break;
    }
  }
  d3d->Release();
  return result;
}
