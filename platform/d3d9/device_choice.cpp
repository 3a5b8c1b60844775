// The process-wide device choice, the failure line of the last GL device
// creation, and DescribeDevice.
#include "d3d9/device_choice.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "d3d9/device.h"

namespace d3d9 {

namespace {
DeviceKind g_choice = DeviceKind::Cpu;
std::string g_failure;
}  // namespace

void SetDeviceChoice(DeviceKind kind) { g_choice = kind; }

DeviceKind RequestedDeviceKind() {
  const char* env = std::getenv("MORVANE_DEVICE");
  if (env != nullptr) {
    if (std::strcmp(env, "cpu") == 0) return DeviceKind::Cpu;
    if (std::strcmp(env, "gl") == 0) return DeviceKind::Gl;
  }
  return g_choice;
}

void SetLastDeviceFailure(const std::string& line) { g_failure = line; }

const char* LastDeviceFailure() { return g_failure.c_str(); }

HRESULT DescribeDevice(IDirect3DDevice9* device, DeviceDescription* description) {
  Device* d = dynamic_cast<Device*>(device);
  if (d == nullptr || description == nullptr) return D3DERR_INVALIDCALL;
  d->Describe(description);
  return D3D_OK;
}

// Copies `text` into a fixed field, cut to fit, always terminated.
void CopyField(char (&field)[128], const char* text) {
  std::strncpy(field, text != nullptr ? text : "", sizeof field - 1);
  field[sizeof field - 1] = '\0';
}

}  // namespace d3d9
