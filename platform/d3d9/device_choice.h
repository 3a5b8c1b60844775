// Which backend IDirect3D9::CreateDevice builds: the CPU device (our own
// rasteriser) or the OpenGL 3.3 core device. Both implement the same
// IDirect3DDevice9 subset with the same Direct3D 9 rules; only what touches
// pixels differs. The choice is made once per device at CreateDevice and
// never changes afterwards.
//
// Environment: MORVANE_DEVICE=cpu|gl overrides the choice set here (other
// values are ignored). Main thread only, like the devices themselves.
#ifndef MORVANE_PLATFORM_D3D9_DEVICE_CHOICE_H
#define MORVANE_PLATFORM_D3D9_DEVICE_CHOICE_H

#include <d3d9.h>

namespace d3d9 {

enum class DeviceKind { Cpu, Gl, Auto };

// Which backend IDirect3D9::CreateDevice builds from now on (process-wide;
// default Cpu). Auto: GL when the GL renderer is a hardware one, the CPU
// device otherwise, and the CPU device when GL cannot start. With Gl and GL
// unable to start (no context, a version below 3.3, a shader that does not
// compile), CreateDevice fails with D3DERR_NOTAVAILABLE and
// LastDeviceFailure says why.
void SetDeviceChoice(DeviceKind kind);

struct DeviceDescription {
  DeviceKind kind;  // Cpu or Gl, never Auto
  char renderer[128];
  char version[128];
};

// What a device of this layer is (Cpu: renderer names our rasteriser and its
// SIMD level; Gl: GL_RENDERER and GL_VERSION). D3DERR_INVALIDCALL for a null
// or foreign device or a null description.
HRESULT DescribeDevice(IDirect3DDevice9* device, DeviceDescription* description);

// One line saying why the last GL device creation failed; empty when it did
// not (also after an Auto creation fell back to the CPU device: the line
// then says why GL was not used).
const char* LastDeviceFailure();

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_DEVICE_CHOICE_H
