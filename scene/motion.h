// The animated transform nodes of the scene: a Motion per node, each with nine
// animation channels of keys. These are plain records; the curve evaluation
// and the per-frame posing live in render/animation.h, the loader fills them.
//
// Ownership: a Channel owns its keys, allocated with new Key[keyCount]. The
// scene holds its motions as one array made with new Motion[count]; a Motion
// cannot be copied (it owns its keys).
//
// Main thread only.
#ifndef MORVANE_SCENE_MOTION_H
#define MORVANE_SCENE_MOTION_H

#include <d3dx9.h>

#include <cstdint>

// Behaviour codes of a channel for times outside its keys.
enum : uint16_t {
  kBehaviorReset = 0,
  kBehaviorConstant = 1,
  kBehaviorRepeat = 2,
  kBehaviorOscillate = 3,
  kBehaviorOffsetRepeat = 4,
  kBehaviorLinear = 5,
};

// Interpolation shapes of the span that ends at a key.
enum : uint16_t {
  kShapeTcb = 0,       // Hermite, Kochanek-Bartels tangents (params 0..2: T, C, B)
  kShapeHermite = 1,   // Hermite, explicit tangents (params 3: in, 4: out)
  kShapeHermite2 = 2,  // same as kShapeHermite
  kShapeLinear = 3,
  kShapeStep = 4,    // holds the previous key's value
  kShapeBezier = 5,  // 2-D cubic Bezier, handles below
};
// Bezier handles, as offsets from their key: params[1] value and params[2]
// time of the incoming handle; params[3] value of the outgoing handle, and
// params[2] its time too when the key is itself of shape 5 (else a third of
// the span).

// Translation channels: X, Y, Z; 0 when unkeyed.
// Rotation channels, radians: X pitch, Y yaw, Z roll; 0 when unkeyed.
// Scale channels: X, Y, Z; 1 when unkeyed.
enum : int {
  kChannelTranslationX = 0,
  kChannelRotationX = 3,
  kChannelScaleX = 6,
  kChannelCount = 9,
};

constexpr uint16_t kNoMotion = 0xFFFF;

struct Key {
  float value;
  int32_t time;    // ms on the animation clock; strictly ascending within a channel
  uint16_t shape;  // shape of the span ending at this key
  float params[6];
};

// One animated scalar. A channel whose data names no behaviour keeps
// kBehaviorConstant at both ends: it holds its end keys' values.
struct Channel {
  uint16_t keyCount = 0;
  Key* keys = nullptr;
  uint16_t preBehavior = kBehaviorConstant;
  uint16_t postBehavior = kBehaviorConstant;

  // Frees the keys; the behaviour codes stay.
  void Clear();
};

class Motion {
 public:
  // No keys, then Reset. worldMatrix is left undefined until the first
  // posing writes it.
  Motion();
  ~Motion();
  Motion(const Motion&) = delete;
  Motion& operator=(const Motion&) = delete;

  // Identity localMatrix, skinMatrix and restInverse; pivot, translation,
  // rotation and both offsets 0; scale and scaleFactor 1; no parent.
  // Leaves worldMatrix and the channels alone.
  void Reset();
  // Frees every channel's keys (behaviour codes stay), then Reset.
  void Clear();

  D3DXMATRIX localMatrix;
  D3DXMATRIX worldMatrix;
  D3DXMATRIX skinMatrix;
  D3DXMATRIX restInverse;
  Channel channels[kChannelCount];
  D3DXVECTOR3 pivot;
  D3DXVECTOR3 translation;
  D3DXVECTOR3 rotation;
  D3DXVECTOR3 scale;
  D3DXVECTOR3 translationOffset;
  D3DXVECTOR3 rotationOffset;
  D3DXVECTOR3 scaleFactor;
  uint16_t parentNo;
  Motion* parent;  // not owned; null for a root
};

#endif  // MORVANE_SCENE_MOTION_H
