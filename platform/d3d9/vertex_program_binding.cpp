// The vertex-program hand-over.
#include "d3d9/vertex_program_binding.h"

#include "d3d9/device.h"

namespace d3d9 {

HRESULT SetVertexProgram(IDirect3DDevice9* device, raster::VertexProgram program, void* user) {
  Device* d = dynamic_cast<Device*>(device);
  if (d == nullptr) return D3DERR_INVALIDCALL;
  d->SetVertexProgram(program, user);
  return D3D_OK;
}

}  // namespace d3d9
