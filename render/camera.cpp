// Camera and lights: the view from the scene's first camera, the combined
// transform and the eye and light vectors the effect reads.
#include <d3dx9.h>

#include "render/render.h"

namespace {

// v transformed as a point by the inverse of the world matrix, with the
// fourth component cleared.
D3DXVECTOR4 ToObjectSpace(const RenderContext* render, const D3DXVECTOR3& v) {
  D3DXMATRIX inverse;
  D3DXMatrixInverse(&inverse, nullptr, &render->world);
  D3DXVECTOR4 p;
  D3DXVec3Transform(&p, &v, &inverse);
  p.w = 0.0f;
  return p;
}

void UploadEye(RenderContext* render) {
  const D3DXVECTOR4 p = ToObjectSpace(render, render->eyePosition);
  render->effect->SetVector(render->paramCameraPosition, &p);
}

}  // namespace

int GetCameraFromScene(const Scene* scene, D3DXVECTOR3* eye, D3DXVECTOR3* target,
                       D3DXVECTOR3* up) {
  if (scene->cameraCount == 0 || scene->cameras == nullptr) return -1;
  const uint16_t motionNo = scene->cameras[0].motionNo;
  if (motionNo == kNoMotion || motionNo >= scene->motionCount) return -1;
  const D3DXMATRIX& m = scene->motions[motionNo].skinMatrix;
  const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), forward(0.0f, 0.0f, 1.0f), upward(0.0f, 1.0f, 0.0f);
  D3DXVec3TransformCoord(eye, &origin, &m);
  D3DXVec3TransformCoord(target, &forward, &m);
  D3DXVec3TransformNormal(up, &upward, &m);
  return 0;
}

void SetCameraView(RenderContext* render, const D3DXVECTOR3* eye, const D3DXVECTOR3* target,
                   const D3DXVECTOR3* up) {
  render->eyePosition = *eye;
  D3DXMatrixLookAtLH(&render->view, eye, target, up);
  UploadWorldViewProjection(render);
  UploadEye(render);
}

void SetWorldAndLights(RenderContext* render, const D3DXMATRIX* world) {
  render->world = *world;
  UploadWorldViewProjection(render);
  UploadEye(render);
  D3DXVECTOR4 d = ToObjectSpace(render, render->light1Direction);
  D3DXVec4Normalize(&d, &d);
  render->effect->SetVector(render->paramLight1Direction, &d);
  d = ToObjectSpace(render, render->light2Direction);
  D3DXVec4Normalize(&d, &d);
  render->effect->SetVector(render->paramLight2Direction, &d);
}

void UploadWorldViewProjection(RenderContext* render) {
  D3DXMATRIX t;
  D3DXMatrixMultiply(&t, &render->world, &render->view);
  D3DXMatrixMultiply(&t, &t, &render->projection);
  render->effect->SetMatrix(render->paramWorldViewProjection, &t);
}
