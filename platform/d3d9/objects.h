// Internal to platform/d3d9: reference counting of the device's resources.
//
// A resource holds a reference on its device while the application holds
// one on the resource, so the device outlives every resource in use. The
// device's own bindings (texture stages, streams, indices, declaration) are
// separate "bind" counts that do not keep the device alive: a resource the
// application released but the device still binds lives until it is
// unbound or the device goes. That breaks the cycle and makes any release
// order safe. Single-threaded, like the device.
#ifndef MORVANE_PLATFORM_D3D9_OBJECTS_H
#define MORVANE_PLATFORM_D3D9_OBJECTS_H

#include <d3d9.h>

#include <atomic>

namespace d3d9 {

class Device;

// Direct3D objects (IDirect3D9, devices, resources, declarations) alive.
std::atomic<int>& LiveObjects();

struct LiveCounted {
  LiveCounted() { LiveObjects().fetch_add(1); }
  ~LiveCounted() { LiveObjects().fetch_sub(1); }
  LiveCounted(const LiveCounted&) = delete;
  LiveCounted& operator=(const LiveCounted&) = delete;
};

// Implemented by Device (device.cpp), usable before its definition.
void DeviceAddRef(Device* device);
void DeviceRelease(Device* device);
// Completes every recorded draw, before texels change or are freed.
void DeviceFlush(Device* device);
// A resource of the device is being freed (the GL device drops its copy).
void DeviceResourceGone(Device* device, const void* resource);
IDirect3DDevice9* DeviceInterface(Device* device);

template <class Interface>
class Resource : public Interface {
 public:
  explicit Resource(Device* device) : device_(device) { DeviceAddRef(device); }
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;

  ULONG AddRef() override {
    // A resource the device still binds may be handed out again (GetTexture).
    if (refs_++ == 0) DeviceAddRef(device_);
    return refs_;
  }
  ULONG Release() override {
    if (refs_ == 0) return 0;
    const ULONG left = --refs_;
    if (left == 0) {
      Device* device = device_;
      if (binds_ == 0) Destroy();
      DeviceRelease(device);
    }
    return left;
  }
  HRESULT GetDevice(IDirect3DDevice9** device) override {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    DeviceAddRef(device_);
    *device = DeviceInterface(device_);
    return D3D_OK;
  }

  Device* owner() const { return device_; }

  // The device's own references.
  void Bind() { ++binds_; }
  void Unbind() {
    if (--binds_ == 0 && refs_ == 0) Destroy();
  }

 protected:
  ~Resource() override = default;
  Device* device() const { return device_; }

 private:
  void Destroy() {
    DeviceFlush(device_);
    DeviceResourceGone(device_, static_cast<const Interface*>(this));
    delete this;
  }

  Device* device_;
  ULONG refs_ = 1;
  ULONG binds_ = 0;
  LiveCounted live_;
};

}  // namespace d3d9

#endif  // MORVANE_PLATFORM_D3D9_OBJECTS_H
