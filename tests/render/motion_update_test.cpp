// Posing of the motion hierarchy: end of the animation, local matrix order,
// parent chains, rest inverse, and independence from the array order.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "render/animation.h"
#include "scene/scene.h"

namespace {

const float kHalfPi = 1.57079632679f;

void SetKeys(Channel* channel, std::initializer_list<Key> keys, uint16_t pre = kBehaviorConstant,
             uint16_t post = kBehaviorConstant) {
  channel->Clear();
  channel->keyCount = static_cast<uint16_t>(keys.size());
  channel->keys = new Key[keys.size()];
  int i = 0;
  for (const Key& key : keys) channel->keys[i++] = key;
  channel->preBehavior = pre;
  channel->postBehavior = post;
}

Key K(int32_t time, float value, uint16_t shape = kShapeLinear) {
  Key key{};
  key.time = time;
  key.value = value;
  key.shape = shape;
  return key;
}

// A scene that owns an array of motions; only the motions matter here.
struct MotionScene {
  explicit MotionScene(uint16_t count) {
    ResetScene(&scene);
    scene.motionCount = count;
    scene.motions = new Motion[count];
  }
  ~MotionScene() { delete[] scene.motions; }
  MotionScene(const MotionScene&) = delete;
  MotionScene& operator=(const MotionScene&) = delete;

  Motion& operator[](int i) { return scene.motions[i]; }

  Scene scene;
};

D3DXVECTOR3 Apply(const D3DXMATRIX& m, float x, float y, float z) {
  const D3DXVECTOR3 in(x, y, z);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

void ExpectPoint(const D3DXVECTOR3& p, float x, float y, float z) {
  EXPECT_NEAR(p.x, x, 1e-5f);
  EXPECT_NEAR(p.y, y, 1e-5f);
  EXPECT_NEAR(p.z, z, 1e-5f);
}

bool SameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  return std::memcmp(a.m, b.m, sizeof a.m) == 0;
}

TEST(UpdateMotions, PosesUpToTheEndOfTheAnimation) {
  // Translation X equals the time: a line of slope 1 that goes on before its
  // first key (Kochanek-Bartels start, outgoing tangent = value change).
  MotionScene s(1);
  SetKeys(&s[0].channels[kChannelTranslationX],
          {K(0, 0.0f, kShapeTcb), K(40000, 40000.0f, kShapeTcb)}, kBehaviorLinear,
          kBehaviorConstant);
  struct Case {
    int32_t elapsed;
    float posedAt;
    int result;
  };
  const Case cases[] = {
      {0, 0.0f, kAnimationRunning},           {16, 16.0f, kAnimationRunning},
      {33499, 33499.0f, kAnimationRunning},   {33500, 33500.0f, kAnimationEnded},
      {100000, 33500.0f, kAnimationEnded},    {-100, -100.0f, kAnimationRunning},
      {-33499, -33499.0f, kAnimationRunning}, {-33500, 33500.0f, kAnimationEnded},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdateMotions(c.elapsed, &s.scene), c.result) << c.elapsed;
    EXPECT_NEAR(s[0].translation.x, c.posedAt, 0.01f) << c.elapsed;
    EXPECT_NEAR(s[0].skinMatrix._41, c.posedAt, 0.01f) << c.elapsed;
  }
}

TEST(UpdateMotions, EmptySceneStillReportsTheEnd) {
  Scene scene;
  ResetScene(&scene);
  EXPECT_EQ(UpdateMotions(50, &scene), kAnimationRunning);
  EXPECT_EQ(UpdateMotions(33500, &scene), kAnimationEnded);
}

TEST(UpdateMotions, PivotOnlyRootTranslatesByMinusThePivot) {
  MotionScene s(1);
  s[0].pivot = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  UpdateMotions(1000, &s.scene);
  D3DXMATRIX expected;
  D3DXMatrixTranslation(&expected, -1.0f, 0.0f, 0.0f);
  EXPECT_TRUE(SameMatrix(s[0].localMatrix, expected));
  EXPECT_TRUE(SameMatrix(s[0].worldMatrix, expected));
  EXPECT_TRUE(SameMatrix(s[0].skinMatrix, expected));
}

TEST(UpdateMotions, OnlyRotationKeysLeaveTranslationAndScaleAtDefaults) {
  MotionScene s(1);
  s[0].translation = D3DXVECTOR3(7, 7, 7);
  s[0].rotation = D3DXVECTOR3(7, 7, 7);
  s[0].scale = D3DXVECTOR3(7, 7, 7);
  SetKeys(&s[0].channels[kChannelRotationX + 1], {K(0, 0.0f), K(1000, 1.0f)});
  UpdateMotions(250, &s.scene);
  EXPECT_EQ(s[0].translation.x, 0.0f);
  EXPECT_EQ(s[0].translation.y, 0.0f);
  EXPECT_EQ(s[0].translation.z, 0.0f);
  EXPECT_EQ(s[0].scale.x, 1.0f);
  EXPECT_EQ(s[0].scale.y, 1.0f);
  EXPECT_EQ(s[0].scale.z, 1.0f);
  EXPECT_EQ(s[0].rotation.x, 0.0f);
  EXPECT_EQ(s[0].rotation.y, 0.25f);
  EXPECT_EQ(s[0].rotation.z, 0.0f);
}

TEST(UpdateMotions, ChildWithYawUnderTranslatedParent) {
  MotionScene s(2);
  SetKeys(&s[0].channels[kChannelTranslationX + 1], {K(0, 5.0f)});
  SetKeys(&s[1].channels[kChannelRotationX + 1], {K(0, kHalfPi)});
  s[1].parentNo = 0;
  s[1].parent = &s[0];
  UpdateMotions(10, &s.scene);
  ExpectPoint(Apply(s[1].worldMatrix, 1, 0, 0), 0, 5, -1);
  ExpectPoint(Apply(s[1].skinMatrix, 1, 0, 0), 0, 5, -1);
  ExpectPoint(Apply(s[0].skinMatrix, 1, 0, 0), 1, 5, 0);  // the parent alone

  // The rest inverse applies first: (1, 0, 0) -> (1, 0, 2) -> yaw (2, 0, -1)
  // -> (2, 5, -1).
  D3DXMatrixTranslation(&s[1].restInverse, 0, 0, 2);
  UpdateMotions(10, &s.scene);
  ExpectPoint(Apply(s[1].worldMatrix, 1, 0, 0), 0, 5, -1);
  ExpectPoint(Apply(s[1].skinMatrix, 1, 0, 0), 2, 5, -1);
}

TEST(UpdateMotions, LocalMatrixIsPivotScaleRotationTranslation) {
  MotionScene s(1);
  Motion& m = s[0];
  m.pivot = D3DXVECTOR3(1, 0, 0);
  for (int axis = 0; axis < 3; ++axis) {
    SetKeys(&m.channels[kChannelScaleX + axis], {K(0, 2.0f + axis)});
  }
  SetKeys(&m.channels[kChannelRotationX + 1], {K(0, kHalfPi)});
  SetKeys(&m.channels[kChannelTranslationX], {K(0, 10.0f)});
  UpdateMotions(0, &s.scene);
  // (3, 0, 1) -> pivot (2, 0, 1) -> scale (4, 0, 4) -> yaw (4, 0, -4)
  // -> translate (14, 0, -4).
  ExpectPoint(Apply(m.localMatrix, 3, 0, 1), 14, 0, -4);

  // Offsets add to the channel values and factors multiply them.
  m.translationOffset = D3DXVECTOR3(0, 1, 0);
  m.rotationOffset = D3DXVECTOR3(0, -kHalfPi, 0);
  m.scaleFactor = D3DXVECTOR3(0.5f, 1, 1);
  UpdateMotions(0, &s.scene);
  EXPECT_EQ(m.translation.y, 0.0f);  // the stored values stay the channels'
  EXPECT_EQ(m.rotation.y, kHalfPi);
  EXPECT_EQ(m.scale.x, 2.0f);
  // (3, 0, 1) -> (2, 0, 1) -> (2, 0, 4) -> no turn -> (12, 1, 4).
  ExpectPoint(Apply(m.localMatrix, 3, 0, 1), 12, 1, 4);
}

TEST(UpdateMotions, WorldChainsEveryAncestor) {
  MotionScene s(3);
  for (int i = 0; i < 3; ++i) {
    SetKeys(&s[i].channels[kChannelTranslationX + i], {K(0, 1.0f + i)});
  }
  SetKeys(&s[0].channels[kChannelScaleX], {K(0, 3.0f)});
  s[1].parent = &s[0];
  s[2].parent = &s[1];
  UpdateMotions(0, &s.scene);
  // Grandchild (0, 0, 3) first, then the parent's (0, 2, 0), then the root's
  // scale 3 in x and (1, 0, 0).
  ExpectPoint(Apply(s[2].worldMatrix, 1, 0, 0), 4, 2, 3);
  ExpectPoint(Apply(s[1].worldMatrix, 1, 0, 0), 4, 2, 0);
}

TEST(UpdateMotions, ArrayOrderDoesNotMatter) {
  // Four motions: root A with child B with child C, and a separate root D;
  // every channel keyed differently.
  auto fill = [](Motion* m, int seed) {
    for (int c = 0; c < kChannelCount; ++c) {
      const float base = c >= kChannelScaleX ? 1.0f : 0.0f;
      SetKeys(&m->channels[c],
              {K(0, base, kShapeTcb), K(700 + 100 * seed, base + 0.3f * (c + 1), kShapeBezier),
               K(2100, base - 0.2f * seed, kShapeHermite)},
              kBehaviorOscillate, kBehaviorOffsetRepeat);
    }
    m->pivot = D3DXVECTOR3(0.1f * seed, -0.2f, 0.3f);
    D3DXMatrixTranslation(&m->restInverse, -0.5f * seed, 0.25f, 1.0f);
  };
  // order[i] = position of motion i (A, B, C, D) in the array.
  const int orders[][4] = {{0, 1, 2, 3}, {3, 2, 1, 0}, {2, 0, 3, 1}};
  D3DXMATRIX first[4][3];
  for (int o = 0; o < 3; ++o) {
    MotionScene s(4);
    const int* at = orders[o];
    for (int i = 0; i < 4; ++i) fill(&s[at[i]], i);
    s[at[1]].parent = &s[at[0]];
    s[at[1]].parentNo = static_cast<uint16_t>(at[0]);
    s[at[2]].parent = &s[at[1]];
    s[at[2]].parentNo = static_cast<uint16_t>(at[1]);
    for (int32_t elapsed : {0, 1234, 5000, 33500}) UpdateMotions(elapsed, &s.scene);
    for (int i = 0; i < 4; ++i) {
      const Motion& m = s[at[i]];
      if (o == 0) {
        first[i][0] = m.localMatrix;
        first[i][1] = m.worldMatrix;
        first[i][2] = m.skinMatrix;
        continue;
      }
      EXPECT_TRUE(SameMatrix(m.localMatrix, first[i][0])) << "order " << o << " motion " << i;
      EXPECT_TRUE(SameMatrix(m.worldMatrix, first[i][1])) << "order " << o << " motion " << i;
      EXPECT_TRUE(SameMatrix(m.skinMatrix, first[i][2])) << "order " << o << " motion " << i;
    }
  }
  // The chain really is nested: C's world differs from its local matrix.
  EXPECT_FALSE(SameMatrix(first[2][0], first[2][1]));
}

TEST(BuildWorldMatrices, ParentCycleEnds) {
  MotionScene s(2);
  SetKeys(&s[0].channels[kChannelRotationX + 2], {K(0, 0.5f)});
  SetKeys(&s[1].channels[kChannelRotationX], {K(0, 0.25f)});
  s[0].parent = &s[1];
  s[1].parent = &s[0];
  UpdateMotions(0, &s.scene);
  for (int i = 0; i < 2; ++i) {
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) EXPECT_TRUE(std::isfinite(s[i].skinMatrix.m[r][c]));
    }
  }
}

}  // namespace
