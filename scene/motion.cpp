#include "scene/motion.h"

void Channel::Clear() {
  delete[] keys;
  keys = nullptr;
  keyCount = 0;
}

Motion::Motion() {
  for (Channel& channel : channels) {
    channel.keyCount = 0;
    channel.keys = nullptr;
  }
  Reset();
}

Motion::~Motion() {
  Clear();
  for (Channel& channel : channels) channel.Clear();
}

void Motion::Reset() {
  D3DXMatrixIdentity(&localMatrix);
  D3DXMatrixIdentity(&skinMatrix);
  D3DXMatrixIdentity(&restInverse);
  pivot = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  translation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  rotation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  translationOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  rotationOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
  scaleFactor = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
  parentNo = kNoMotion;
  parent = nullptr;
}

void Motion::Clear() {
  for (Channel& channel : channels) channel.Clear();
  Reset();
}
