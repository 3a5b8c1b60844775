// Posing of the motion hierarchy for one frame.
#include <d3dx9.h>

#include "render/animation.h"
#include "scene/scene.h"

namespace {

// Longer than any chain of distinct motions (counts are 16-bit), so only a
// cycle in malformed data is cut short.
constexpr int kMaxChainLinks = 65536;

float ChannelValue(const Channel& channel, int32_t time, float unkeyed) {
  if (channel.keyCount == 0 || !channel.keys) return unkeyed;
  return EvaluateChannel(&channel, time);
}

// Writes the three channels starting at `firstChannel` into `out`.
void EvaluateAxes(const Motion& motion, int firstChannel, int32_t time, float unkeyed,
                  D3DXVECTOR3* out) {
  out->x = ChannelValue(motion.channels[firstChannel], time, unkeyed);
  out->y = ChannelValue(motion.channels[firstChannel + 1], time, unkeyed);
  out->z = ChannelValue(motion.channels[firstChannel + 2], time, unkeyed);
}

}  // namespace

void BuildLocalMatrix(Motion* motion, int32_t time) {
  D3DXMATRIX pivot;
  D3DXMatrixTranslation(&pivot, -motion->pivot.x, -motion->pivot.y, -motion->pivot.z);

  EvaluateAxes(*motion, kChannelTranslationX, time, 0.0f, &motion->translation);
  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, motion->translation.x + motion->translationOffset.x,
                        motion->translation.y + motion->translationOffset.y,
                        motion->translation.z + motion->translationOffset.z);

  EvaluateAxes(*motion, kChannelRotationX, time, 0.0f, &motion->rotation);
  D3DXMATRIX rotation;
  D3DXMatrixRotationYawPitchRoll(&rotation, motion->rotation.y + motion->rotationOffset.y,
                                 motion->rotation.x + motion->rotationOffset.x,
                                 motion->rotation.z + motion->rotationOffset.z);

  EvaluateAxes(*motion, kChannelScaleX, time, 1.0f, &motion->scale);
  D3DXMATRIX scaling;
  D3DXMatrixScaling(&scaling, motion->scale.x * motion->scaleFactor.x,
                    motion->scale.y * motion->scaleFactor.y,
                    motion->scale.z * motion->scaleFactor.z);

  D3DXMatrixMultiply(&motion->localMatrix, &pivot, &scaling);
  D3DXMatrixMultiply(&motion->localMatrix, &motion->localMatrix, &rotation);
  D3DXMatrixMultiply(&motion->localMatrix, &motion->localMatrix, &translation);
}

void BuildWorldMatrices(Motion* motion) {
  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  int links = 0;
  for (const Motion* node = motion; node && links < kMaxChainLinks; node = node->parent, ++links) {
    D3DXMatrixMultiply(&world, &world, &node->localMatrix);
  }
  motion->worldMatrix = world;
  D3DXMatrixMultiply(&motion->skinMatrix, &motion->restInverse, &motion->worldMatrix);
}

int UpdateMotions(int32_t elapsed, Scene* scene) {
  int32_t time = elapsed;
  int result = kAnimationRunning;
  if (elapsed / kAnimationEndMs != 0) {
    time = kAnimationEndMs;
    result = kAnimationEnded;
  }
  const int count = scene->motions ? scene->motionCount : 0;
  for (int i = 0; i < count; ++i) BuildLocalMatrix(&scene->motions[i], time);
  for (int i = 0; i < count; ++i) BuildWorldMatrices(&scene->motions[i]);
  return result;
}
