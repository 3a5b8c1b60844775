// The Motion and Channel records: construction, Reset and Clear.
#include <gtest/gtest.h>

#include <cstring>

#include "scene/motion.h"

namespace {

bool IsIdentity(const D3DXMATRIX& m) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return std::memcmp(m.m, identity.m, sizeof m.m) == 0;
}

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

void ExpectResetFields(const Motion& m) {
  EXPECT_TRUE(IsIdentity(m.localMatrix));
  EXPECT_TRUE(IsIdentity(m.skinMatrix));
  EXPECT_TRUE(IsIdentity(m.restInverse));
  ExpectVector(m.pivot, 0, 0, 0);
  ExpectVector(m.translation, 0, 0, 0);
  ExpectVector(m.rotation, 0, 0, 0);
  ExpectVector(m.translationOffset, 0, 0, 0);
  ExpectVector(m.rotationOffset, 0, 0, 0);
  ExpectVector(m.scale, 1, 1, 1);
  ExpectVector(m.scaleFactor, 1, 1, 1);
  EXPECT_EQ(m.parentNo, kNoMotion);
  EXPECT_EQ(m.parent, nullptr);
}

void Scribble(Motion* m, Motion* parent) {
  D3DXMatrixScaling(&m->localMatrix, 2, 2, 2);
  D3DXMatrixScaling(&m->skinMatrix, 3, 3, 3);
  D3DXMatrixTranslation(&m->restInverse, 1, 2, 3);
  D3DXMatrixTranslation(&m->worldMatrix, 4, 5, 6);
  m->pivot = m->translation = m->rotation = D3DXVECTOR3(1, 2, 3);
  m->translationOffset = m->rotationOffset = D3DXVECTOR3(4, 5, 6);
  m->scale = m->scaleFactor = D3DXVECTOR3(7, 8, 9);
  m->parentNo = 3;
  m->parent = parent;
  for (int c = 0; c < kChannelCount; ++c) {
    m->channels[c].keyCount = static_cast<uint16_t>(c + 1);
    m->channels[c].keys = new Key[c + 1]();
    m->channels[c].preBehavior = static_cast<uint16_t>(c % 6);
    m->channels[c].postBehavior = static_cast<uint16_t>(5 - c % 6);
  }
}

TEST(Motion, ConstructedEmptyWithConstantBehaviours) {
  Motion m;
  ExpectResetFields(m);
  for (const Channel& c : m.channels) {
    EXPECT_EQ(c.keyCount, 0);
    EXPECT_EQ(c.keys, nullptr);
    EXPECT_EQ(c.preBehavior, kBehaviorConstant);
    EXPECT_EQ(c.postBehavior, kBehaviorConstant);
  }
  Motion* array = new Motion[3];
  for (int i = 0; i < 3; ++i) ExpectResetFields(array[i]);
  delete[] array;
}

TEST(Motion, ResetLeavesWorldMatrixAndChannels) {
  Motion parent;
  Motion m;
  Scribble(&m, &parent);
  m.Reset();
  ExpectResetFields(m);
  EXPECT_EQ(m.worldMatrix._41, 4.0f);
  for (int c = 0; c < kChannelCount; ++c) {
    EXPECT_EQ(m.channels[c].keyCount, c + 1);
    EXPECT_NE(m.channels[c].keys, nullptr);
  }
}  // the destructor frees the keys (the sanitizer build checks for leaks)

TEST(Motion, ClearDropsKeysAndParentKeepsBehaviours) {
  Motion parent;
  Motion m;
  Scribble(&m, &parent);
  m.Clear();
  ExpectResetFields(m);
  for (int c = 0; c < kChannelCount; ++c) {
    EXPECT_EQ(m.channels[c].keyCount, 0);
    EXPECT_EQ(m.channels[c].keys, nullptr);
    EXPECT_EQ(m.channels[c].preBehavior, c % 6);
    EXPECT_EQ(m.channels[c].postBehavior, 5 - c % 6);
  }
  m.Clear();  // twice is harmless
  EXPECT_EQ(m.channels[0].keys, nullptr);
}

TEST(Channel, ClearFreesKeysOnly) {
  Channel c;
  c.keyCount = 4;
  c.keys = new Key[4]();
  c.preBehavior = kBehaviorRepeat;
  c.postBehavior = kBehaviorLinear;
  c.Clear();
  EXPECT_EQ(c.keyCount, 0);
  EXPECT_EQ(c.keys, nullptr);
  EXPECT_EQ(c.preBehavior, kBehaviorRepeat);
  EXPECT_EQ(c.postBehavior, kBehaviorLinear);
  c.Clear();
  EXPECT_EQ(c.keys, nullptr);
}

}  // namespace
