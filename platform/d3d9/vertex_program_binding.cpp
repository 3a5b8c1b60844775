// The vertex-program hand-over and the process-wide table of programs by
// name.
#include <d3d9_programs.h>

#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "d3d9/device.h"
#include "d3d9/hooks.h"

namespace d3d9 {

HRESULT SetVertexProgram(IDirect3DDevice9* device, raster::VertexProgram program, void* user) {
  VertexProgramInfo info;
  info.program = program;
  info.user = user;
  return SetVertexProgram(device, info);
}

HRESULT GetVertexProgram(IDirect3DDevice9* device, raster::VertexProgram* program, void** user) {
  VertexProgramInfo info;
  if (program == nullptr || user == nullptr || FAILED(GetVertexProgram(device, &info)))
    return D3DERR_INVALIDCALL;
  *program = info.program;
  *user = info.user;
  return D3D_OK;
}

HRESULT SetVertexProgram(IDirect3DDevice9* device, const VertexProgramInfo& info) {
  Device* d = dynamic_cast<Device*>(device);
  if (d == nullptr || (info.program == nullptr && info.glsl != nullptr)) return D3DERR_INVALIDCALL;
  d->SetVertexProgram(info);
  return D3D_OK;
}

HRESULT GetVertexProgram(IDirect3DDevice9* device, VertexProgramInfo* info) {
  Device* d = dynamic_cast<Device*>(device);
  if (d == nullptr || info == nullptr) return D3DERR_INVALIDCALL;
  *info = d->vertexProgram();
  return D3D_OK;
}

namespace {

// Entries are never freed or moved: an effect keeps a pointer to the entry
// it resolved, so a later registration under the same name adds a new entry
// and only moves the name.
struct Registry {
  std::mutex mutex;
  std::deque<VertexProgramInfo> entries;
  std::map<std::string, const VertexProgramInfo*, std::less<>> byName;
};

Registry& Programs() {
  static Registry* registry = new Registry;  // lives until the process ends
  return *registry;
}

}  // namespace

HRESULT RegisterVertexProgram(const char* name, const VertexProgramInfo& info) {
  if (name == nullptr || *name == '\0' || info.program == nullptr || info.constantRegisters < 0 ||
      info.inputCount < 0 || (info.inputCount > 0 && info.inputs == nullptr))
    return D3DERR_INVALIDCALL;
  Registry& r = Programs();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.entries.push_back(info);
  r.byName[name] = &r.entries.back();
  return D3D_OK;
}

const VertexProgramInfo* FindVertexProgram(const char* name) {
  if (name == nullptr) return nullptr;
  Registry& r = Programs();
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.byName.find(std::string_view(name));
  return it == r.byName.end() ? nullptr : it->second;
}

void ForgetVertexProgram(const char* name) {
  if (name == nullptr) return;
  Registry& r = Programs();
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.byName.find(std::string_view(name));
  if (it != r.byName.end()) r.byName.erase(it);
}

}  // namespace d3d9
