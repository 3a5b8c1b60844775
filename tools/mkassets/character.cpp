// The dancer (layer 5): a skinned figure of 26 bones in a hierarchy eight
// deep, vertices in the rest pose with up to four weighted influences, and a
// choreography in four sections (groove, waves, spins and kicks, finale)
// sampled every half beat at 128 beats a minute into TCB keys. Layer 9 holds
// what she carries: glowing ribbons on their own swinging links, wrist
// bands bound into the same palette slots as her forearms, and a visor
// through the layer's own slot.
#include <array>

#include "assets.h"
#include "builder.h"
#include "dmath.h"

namespace mkassets {
namespace {

struct BoneDef {
  const char* name;
  int parent;
  Vec3 joint;
  Vec3 tail;
};

constexpr int kBones = 26;
const std::array<BoneDef, kBones> kSkeleton = {{
    {"root", -1, {0, 0, 0}, {0, 0.95, 0}},
    {"hips", 0, {0, 0.95, 0}, {0, 1.08, 0}},
    {"spine", 1, {0, 1.08, 0}, {0, 1.25, 0}},
    {"chest", 2, {0, 1.25, 0}, {0, 1.46, 0}},
    {"neck", 3, {0, 1.46, 0}, {0, 1.56, 0}},
    {"head", 4, {0, 1.56, 0}, {0, 1.80, 0}},
    {"shoulder.L", 3, {0.05, 1.42, 0}, {0.18, 1.42, 0}},
    {"upperarm.L", 6, {0.18, 1.42, 0}, {0.33, 1.19, 0}},
    {"forearm.L", 7, {0.33, 1.19, 0}, {0.45, 0.97, 0}},
    {"hand.L", 8, {0.45, 0.97, 0}, {0.50, 0.87, 0}},
    {"shoulder.R", 3, {-0.05, 1.42, 0}, {-0.18, 1.42, 0}},
    {"upperarm.R", 10, {-0.18, 1.42, 0}, {-0.33, 1.19, 0}},
    {"forearm.R", 11, {-0.33, 1.19, 0}, {-0.45, 0.97, 0}},
    {"hand.R", 12, {-0.45, 0.97, 0}, {-0.50, 0.87, 0}},
    {"thigh.L", 1, {0.10, 0.93, 0}, {0.11, 0.51, 0}},
    {"shin.L", 14, {0.11, 0.51, 0}, {0.12, 0.09, 0}},
    {"foot.L", 15, {0.12, 0.09, 0}, {0.12, 0.03, -0.10}},
    {"toe.L", 16, {0.12, 0.03, -0.10}, {0.12, 0.03, -0.19}},
    {"thigh.R", 1, {-0.10, 0.93, 0}, {-0.11, 0.51, 0}},
    {"shin.R", 18, {-0.11, 0.51, 0}, {-0.12, 0.09, 0}},
    {"foot.R", 19, {-0.12, 0.09, 0}, {-0.12, 0.03, -0.10}},
    {"toe.R", 20, {-0.12, 0.03, -0.10}, {-0.12, 0.03, -0.19}},
    {"pony1", 5, {0, 1.74, 0.08}, {0, 1.66, 0.17}},
    {"pony2", 22, {0, 1.66, 0.17}, {0, 1.54, 0.21}},
    {"pony3", 23, {0, 1.54, 0.21}, {0, 1.40, 0.22}},
    {"pony4", 24, {0, 1.40, 0.22}, {0, 1.26, 0.21}},
}};

enum Bone {
  kRoot,
  kHips,
  kSpine,
  kChest,
  kNeck,
  kHead,
  kShoulderL,
  kUpperArmL,
  kForearmL,
  kHandL,
  kShoulderR,
  kUpperArmR,
  kForearmR,
  kHandR,
  kThighL,
  kShinL,
  kFootL,
  kToeL,
  kThighR,
  kShinR,
  kFootR,
  kToeR,
  kPony1
};

constexpr double kBeat = 0.46875;  // s, 128 beats a minute
constexpr int32_t kHalfBeatKeys = 143;

uint16_t BoneSlot(int bone) { return static_cast<uint16_t>(slot::kBoneBase + bone); }

// Section weights over the lap: groove, waves, spins, finale.
std::array<double, 4> Sections(double t) {
  const double a = 1 - SmoothStep(7.5, 8.5, t);
  const double b = SmoothStep(7.5, 8.5, t) * (1 - SmoothStep(15.5, 16.5, t));
  const double c = SmoothStep(15.5, 16.5, t) * (1 - SmoothStep(24, 25, t));
  const double d = SmoothStep(24, 25, t);
  return {a, b, c, d};
}

struct Pose {
  std::array<Vec3, kBones> rot{};  // pitch (x), yaw (y), roll (z)
  Vec3 rootPos;
};

// The choreography as a function of time (s).
Pose Dance(double t) {
  Pose p;
  const auto w = Sections(t);
  const double b = t / kBeat;
  const double s1 = Sin(kPi * b), s2 = Sin(2 * kPi * b), sh = Sin(kPi * b / 2);
  const double pulse = s2 > 0 ? s2 : 0;
  const double side = s1 > 0 ? s1 : 0, other = s1 < 0 ? -s1 : 0;
  auto& r = p.rot;
  // Always: hips sway, torso counter-sway, a nod on the beat.
  r[kHips] = {0, 0.14 * s1, 0.06 * s1};
  r[kSpine] = {0.04, -0.08 * s1, -0.05 * s1};
  r[kChest] = {0, -0.06 * s1, -0.03 * s1};
  r[kHead] = {0.10 * pulse - 0.05, 0.25 * sh * (w[0] + w[1]), 0.05 * s1};
  r[kNeck] = {0.04 * pulse, 0, 0};
  // Arms: the rest pose hangs them; roll raises the left arm, lowers the right.
  const double swingL = 0.55 * s1, swingR = -0.55 * s1;
  const double raise = w[1] * 1.95 + w[2] * 1.05;
  const double punchL = w[3] * (2.3 * side + 0.4), punchR = w[3] * (2.3 * other + 0.4);
  r[kUpperArmL] = {w[0] * swingL + w[2] * 0.2, w[2] * 0.3,
                   w[0] * 0.25 + raise + 0.25 * w[1] * Sin(kPi * b + 0.8) + punchL};
  r[kUpperArmR] = {w[0] * swingR + w[2] * 0.2, -w[2] * 0.3,
                   -(w[0] * 0.25 + raise + 0.25 * w[1] * Sin(kPi * b + 0.8 + kPi) + punchR)};
  r[kForearmL] = {0.7 * w[0] + 0.3 * w[3] * other, 0,
                  w[1] * 0.6 * Sin(kPi * b * 2 + 1.2) + 0.2 * w[2]};
  r[kForearmR] = {0.7 * w[0] + 0.3 * w[3] * side, 0,
                  -w[1] * 0.6 * Sin(kPi * b * 2 + 1.2 + kPi) - 0.2 * w[2]};
  r[kHandL] = {0.2 * s2, 0, 0.3 * w[1] * s2};
  r[kHandR] = {-0.2 * s2, 0, -0.3 * w[1] * s2};
  r[kShoulderL] = {0, 0, 0.08 * pulse * w[3]};
  r[kShoulderR] = {0, 0, -0.08 * pulse * w[3]};
  // Legs: steps in the groove, a walk in the waves, kicks in the spins.
  const double stepL = 0.35 * side * (w[0] + w[1]), stepR = 0.35 * other * (w[0] + w[1]);
  const int bar = static_cast<int>(Floor(b / 4));
  const double kick = w[2] * (bar % 2 == 0 ? 1.0 : 0.0) * (pulse > 0.5 ? (pulse - 0.5) * 2 : 0);
  const double kickR = w[2] * (bar % 2 == 1 ? 1.0 : 0.0) * (pulse > 0.5 ? (pulse - 0.5) * 2 : 0);
  const double jump = w[3] * pulse * 0.3;
  r[kThighL] = {stepL + 1.2 * kick + jump, 0, 0.05 * w[3] * pulse};
  r[kThighR] = {stepR + 1.2 * kickR + jump, 0, -0.05 * w[3] * pulse};
  r[kShinL] = {-1.6 * stepL - 0.3 * kick - 2 * jump, 0, 0};
  r[kShinR] = {-1.6 * stepR - 0.3 * kickR - 2 * jump, 0, 0};
  r[kFootL] = {0.5 * stepL + jump, 0, 0};
  r[kFootR] = {0.5 * stepR + jump, 0, 0};
  // The root: across the stage, around it, spinning in place, to the front.
  const double circle = 2 * kPi * (t - 8) / 8;
  const Vec3 groove{0.35 * Sin(kPi * b / 8), 0, 0.1 * Sin(kPi * b / 16)};
  const Vec3 walk{0.7 * Sin(circle), 0, 0.3 - 0.45 * Cos(circle) + 0.45};
  const Vec3 spin{0, 0, 0.3};
  const Vec3 finale{0.25 * Sin(kPi * b / 4), 0, -0.3};
  p.rootPos = groove * w[0] + walk * w[1] + spin * w[2] + finale * w[3];
  const double turns = 8 * kPi * SmoothStep(16.5, 23.5, t);
  r[kRoot] = {0, 0.35 * Sin(circle) * w[1] + turns + 0.2 * Sin(kPi * b / 4) * w[3], 0};
  return p;
}

lmfw::MotionData BoneMotion(int bone) {
  const BoneDef& d = kSkeleton[static_cast<size_t>(bone)];
  lmfw::MotionData m;
  // Rest inverse: the joint back to the origin, so the local matrix is the
  // joint's rotation and its offset from the parent joint.
  Translation(m.restInverse, d.joint * -1);
  const Vec3 offset =
      d.parent < 0 ? d.joint : d.joint - kSkeleton[static_cast<size_t>(d.parent)].joint;
  m.channels[0] = Constant(offset.x);
  m.channels[1] = Constant(offset.y);
  m.channels[2] = Constant(offset.z);
  return m;
}

void AddDanceChannels(lmfw::MotionData* m, int bone) {
  for (int axis = 0; axis < 3; ++axis) {
    std::vector<Key> keys;
    bool moves = false;
    for (int32_t i = 0; i < kHalfBeatKeys + 1; ++i) {
      const int32_t ms = static_cast<int32_t>((static_cast<int64_t>(i) * 468750) / 2000);
      const Pose p = Dance(ms / 1000.0);
      const Vec3 v = p.rot[static_cast<size_t>(bone)];
      const double value = axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
      moves = moves || value > 1e-6 || value < -1e-6;
      keys.push_back(TcbKey(ms, value));
    }
    if (moves) m->channels[3 + axis] = Channel(keys);
  }
}

// Influences of a point on a limb segment: the bone, blended with its parent
// near the start and its child near the end.
Skin LimbSkin(int bone, int child, double t) {
  Skin s = Skin::Rigid(BoneSlot(bone));
  const int parent = kSkeleton[static_cast<size_t>(bone)].parent;
  double wp = t < 0.25 ? 0.5 * (1 - t / 0.25) : 0;
  double wc = (child >= 0 && t > 0.75) ? 0.5 * (t - 0.75) / 0.25 : 0;
  s.slot = {BoneSlot(bone), BoneSlot(parent < 0 ? bone : parent),
            BoneSlot(child < 0 ? bone : child), BoneSlot(bone)};
  s.weight = {1 - wp - wc, wp, wc, 0};
  return s;
}

// Torso influences: hips, spine, chest and the nearer thigh by height.
Skin TorsoSkin(Vec3 p) {
  const double y = p.y;
  const double wChest = SmoothStep(1.18, 1.32, y);
  const double wHips = 1 - SmoothStep(0.98, 1.14, y);
  const double thighSide = p.x > 0 ? 1.0 : 0.0;
  const double wThigh = (1 - SmoothStep(0.84, 0.96, y)) * 0.6;
  double wSpine = 1 - wChest - wHips;
  if (wSpine < 0) wSpine = 0;
  const double total = wChest + wHips + wSpine + wThigh;
  Skin s;
  s.slot = {BoneSlot(kSpine), BoneSlot(kChest), BoneSlot(kHips),
            BoneSlot(thighSide > 0 ? kThighL : kThighR)};
  s.weight = {wSpine / total, wChest / total, wHips / total, wThigh / total};
  return s;
}

Skin SkirtSkin(Vec3 p, double t) {
  // Hips at the waistband, the thighs pulling the hem on each side.
  const double l = Clamp01(0.5 + p.x / 0.5);
  const double hem = t * 0.7;
  Skin s;
  s.slot = {BoneSlot(kHips), BoneSlot(kThighL), BoneSlot(kThighR), BoneSlot(kSpine)};
  s.weight = {1 - hem - 0.1 * (1 - t), hem * l, hem * (1 - l), 0.1 * (1 - t)};
  return s;
}

void Limb(MeshBuilder* m, int bone, int child, double ra, double rb, int cols, int rows, Colour c) {
  const BoneDef& d = kSkeleton[static_cast<size_t>(bone)];
  AddTube(
      m, d.joint, d.tail, ra, rb, cols, rows,
      [bone, child](double t, Vec3) { return LimbSkin(bone, child, t); }, c);
}

void Ellipsoid(MeshBuilder* m, Vec3 c, Vec3 r, int cols, int rows, Colour col,
               const std::function<Skin(Vec3)>& skin) {
  const size_t from = m->VertexCount();
  AddSphere(m, c, r, cols, rows, Skin::Rigid(0), col);
  for (size_t i = from; i < m->VertexCount(); ++i)
    m->Vertices()[i].skin = skin(m->Vertices()[i].position);
}

mkart::Picture Ramp() {
  // The toon ramp: dark violet to warm white along the diagonal, with bands.
  mkart::Picture p(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const double t = (x + y) / 126.0;
      const double band = Floor(t * 4) / 3;
      p.at(x, y) = {0.35 + 0.65 * band, 0.3 + 0.7 * band, 0.55 + 0.45 * band};
    }
  return p;
}

mkart::Picture SkirtPattern() {
  mkart::Picture p(48, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 48; ++x) {
      const bool stripe = (x / 4) % 2 == 0;
      const double edge = y > 16 ? 1.3 : 1.0;
      p.at(x, y) =
          stripe ? mkart::Rgb{0.95 * edge, 0.35, 0.75} : mkart::Rgb{0.35, 0.2, 0.75 * edge};
    }
  return p;
}

mkart::Picture RibbonGlow() {
  mkart::Picture p(64, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 64; ++x) {
      const double across = 1 - ((y - 5.5) / 6) * ((y - 5.5) / 6);
      const double along = 1 - x / 64.0;
      p.at(x, y) = {0.6 + 0.4 * along, 0.9, 1.0};
      p.alphaAt(x, y) = Clamp01(across * (0.35 + 0.65 * along));
    }
  return p;
}

}  // namespace

void BuildCharacter(SceneBuilder* b) {
  std::array<uint16_t, kBones> boneMotion{};
  // Motions of the skeleton, parents first.
  for (int i = 0; i < kBones; ++i) {
    lmfw::MotionData m = BoneMotion(i);
    if (kSkeleton[static_cast<size_t>(i)].parent >= 0)
      m.parentNo = boneMotion[static_cast<size_t>(kSkeleton[static_cast<size_t>(i)].parent)];
    if (i < kPony1) AddDanceChannels(&m, i);
    boneMotion[static_cast<size_t>(i)] = b->AddMotion(std::move(m));
  }
  b->dancerRoot = boneMotion[kRoot];
  // The root walks the stage (TCB keys each beat).
  {
    lmfw::MotionData& root = b->MotionAt(boneMotion[kRoot]);
    std::vector<Key> xs, zs;
    for (int32_t i = 0; i <= 72; ++i) {
      const int32_t ms = static_cast<int32_t>((static_cast<int64_t>(i) * 468750) / 1000);
      const Pose p = Dance(ms / 1000.0);
      xs.push_back(TcbKey(ms, p.rootPos.x));
      zs.push_back(TcbKey(ms, p.rootPos.z));
    }
    root.channels[0] = Channel(xs);
    root.channels[2] = Channel(zs);
  }
  // The hips dip on every beat: one Bezier span, repeated.
  b->MotionAt(boneMotion[kHips]).channels[1] = Channel({[] {
                                                          Key k = LinearKey(0, 0.95);
                                                          k.params[3] = -0.07f;
                                                          return k;
                                                        }(),
                                                        BezierKey(469, 0.95, 156, -0.07, 0)},
                                                       kBehaviorRepeat, kBehaviorRepeat);
  // The ponytail swings behind the head: Hermite keys, oscillating.
  for (int i = 0; i < 4; ++i) {
    const int32_t period = 938 + 40 * i;
    const double amp = 0.18 + 0.06 * i;
    lmfw::MotionData& m = b->MotionAt(boneMotion[static_cast<size_t>(kPony1 + i)]);
    m.channels[3] = Channel({HermiteKey(0, 0.1 - amp * 0.5, 0, 0, kShapeHermite),
                             HermiteKey(period, 0.1 + amp * 0.5, 0, 0, kShapeHermite2)},
                            kBehaviorOscillate, kBehaviorOscillate);
    m.channels[5] = Channel({HermiteKey(0, -amp, amp, amp, kShapeHermite),
                             HermiteKey(period * 2, amp, amp, amp, kShapeHermite2)},
                            kBehaviorOscillate, kBehaviorOscillate);
  }

  // The body, in the rest pose.
  const Colour skin{1.0, 0.80, 0.70}, suit{0.30, 0.85, 1.0}, hair{0.85, 0.30, 0.95},
      boot{0.25, 0.22, 0.35}, eye{0.05, 0.05, 0.12};
  MeshBuilder skinMesh, suitMesh, hairMesh, bootMesh, skirtMesh, eyeMesh;
  // Skin: head, neck, arms, hands.
  Ellipsoid(&skinMesh, {0, 1.665, 0}, {0.092, 0.112, 0.100}, 48, 32, skin,
            [](Vec3) { return Skin::Rigid(BoneSlot(kHead)); });
  Limb(&skinMesh, kNeck, kHead, 0.045, 0.042, 24, 10, skin);
  for (int side = 0; side < 2; ++side) {
    const int o = side * 4;
    Limb(&skinMesh, kUpperArmL + o, kForearmL + o, 0.046, 0.038, 28, 18, skin);
    Limb(&skinMesh, kForearmL + o, kHandL + o, 0.038, 0.030, 28, 18, skin);
    Limb(&skinMesh, kHandL + o, -1, 0.032, 0.024, 20, 10, skin);
  }
  BakeLighting(&skinMesh, 0.35);
  // Suit: chest, waist, shoulders, legs (toon).
  Ellipsoid(&suitMesh, {0, 1.33, 0}, {0.15, 0.14, 0.095}, 48, 28, suit, TorsoSkin);
  AddTube(
      &suitMesh, {0, 0.97, 0}, {0, 1.28, 0}, 0.11, 0.12, 40, 20,
      [](double, Vec3 p) { return TorsoSkin(p); }, suit);
  Ellipsoid(&suitMesh, {0, 0.95, 0}, {0.15, 0.10, 0.10}, 40, 20, suit, TorsoSkin);
  for (int side = 0; side < 2; ++side) {
    const int o = side * 4;
    const Vec3 sj = kSkeleton[static_cast<size_t>(kUpperArmL + o)].joint;
    Ellipsoid(&suitMesh, sj, {0.06, 0.055, 0.055}, 24, 12, suit, [o](Vec3) {
      Skin s;
      s.slot = {BoneSlot(kUpperArmL + o), BoneSlot(kShoulderL + o), BoneSlot(kChest), 0};
      s.weight = {0.5, 0.3, 0.2, 0};
      return s;
    });
    Limb(&suitMesh, kThighL + o, kShinL + o, 0.078, 0.052, 32, 20, suit);
    Limb(&suitMesh, kShinL + o, kFootL + o, 0.052, 0.040, 32, 20, suit);
  }
  BakeLighting(&suitMesh, 0.2);
  // Boots.
  for (int side = 0; side < 2; ++side) {
    const int o = side * 4;
    Limb(&bootMesh, kFootL + o, kToeL + o, 0.045, 0.040, 20, 8, boot);
    Limb(&bootMesh, kToeL + o, -1, 0.040, 0.030, 20, 8, boot);
  }
  BakeLighting(&bootMesh, 0.6);
  // Hair: a cap and the ponytail.
  Ellipsoid(&hairMesh, {0, 1.69, 0.018}, {0.101, 0.112, 0.106}, 40, 24, hair,
            [](Vec3) { return Skin::Rigid(BoneSlot(kHead)); });
  for (int i = 0; i < 4; ++i)
    Limb(&hairMesh, kPony1 + i, i < 3 ? kPony1 + i + 1 : -1, 0.045 - 0.007 * i, 0.040 - 0.008 * i,
         18, 10, hair);
  BakeLighting(&hairMesh, 0.8);
  // Eyes.
  for (int side = -1; side <= 1; side += 2)
    Ellipsoid(&eyeMesh, {0.035 * side, 1.675, -0.088}, {0.016, 0.02, 0.012}, 12, 8, eye,
              [](Vec3) { return Skin::Rigid(BoneSlot(kHead)); });
  // The skirt: a flared cone, seen from both sides.
  skirtMesh.Grid(64, 12, [](double u, double v) {
    const double a = 2 * kPi * u;
    const double r = 0.125 + 0.17 * v + 0.012 * Sin(a * 12) * v;
    const Vec3 p{r * Cos(a), 1.02 - 0.30 * v, r * Sin(a) * 0.85};
    const Vec3 n = Normalize({Cos(a), 0.45, Sin(a)});
    return VertexIn{p, n, {1, 1, 1, 1}, u, v, SkirtSkin(p, v)};
  });
  BakeLighting(&skirtMesh, 0.1);

  const uint16_t sSkin =
      b->AddSurface(MakeSurface("skin", kSurfacePhong, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sSuit =
      b->AddSurface(TexturedSurface("suit", kSurfaceToon, 0, 0.8, false, Ramp()));
  const uint16_t sHair =
      b->AddSurface(MakeSurface("hair", kSurfaceBlinn, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sBoot =
      b->AddSurface(MakeSurface("boots", kSurfacePhong, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sEye =
      b->AddSurface(MakeSurface("eyes", kSurfaceConstant, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sSkirt =
      b->AddSurface(TexturedSurface("skirt", kSurfaceLambert, 0, 1.0, true, SkirtPattern()));

  lmfw::LayerData& dancer = b->Layer(5);
  dancer.name = "dancer";
  dancer.meshes = {skinMesh.Build(sSkin), suitMesh.Build(sSuit), hairMesh.Build(sHair),
                   bootMesh.Build(sBoot), eyeMesh.Build(sEye),   skirtMesh.Build(sSkirt)};
  dancer.motionNo = boneMotion[kRoot];
  dancer.paletteSlot = BoneSlot(kRoot);
  for (int i = 0; i < kBones; ++i) {
    const BoneDef& d = kSkeleton[static_cast<size_t>(i)];
    lmfw::BoneData bone;
    bone.name = d.name;
    const Vec3 dir = Normalize(d.tail - d.joint);
    Store(bone.restPosition, d.joint);
    Store(bone.restDirection, dir);
    bone.restLength = static_cast<float>(Length(d.tail - d.joint));
    bone.motionNo = boneMotion[static_cast<size_t>(i)];
    dancer.bones.push_back(bone);
    if (i > 0) dancer.bindings.push_back({boneMotion[static_cast<size_t>(i)], BoneSlot(i)});
  }
  FitBounds(&dancer);

  // Layer 9: ribbons from the hands on two links each, wrist bands, visor.
  std::array<uint16_t, 4> links{};
  for (int side = 0; side < 2; ++side) {
    const BoneDef& hand = kSkeleton[static_cast<size_t>(kHandL + side * 4)];
    Vec3 joint = hand.tail;
    uint16_t parent = boneMotion[static_cast<size_t>(kHandL + side * 4)];
    Vec3 parentJoint = hand.joint;
    for (int k = 0; k < 2; ++k) {
      lmfw::MotionData m;
      Translation(m.restInverse, joint * -1);
      const Vec3 off = joint - parentJoint;
      m.channels[0] = Constant(off.x);
      m.channels[1] = Constant(off.y);
      m.channels[2] = Constant(off.z);
      const double sign = side == 0 ? 1 : -1;
      m.channels[3] = Channel({TcbKey(0, -0.6), TcbKey(700 + 90 * k, 0.7), TcbKey(1400, -0.6)},
                              kBehaviorOscillate, kBehaviorOscillate);
      m.channels[5] = Channel(
          {HermiteKey(0, 0.3 * sign, 0.2, 0.2), HermiteKey(1100 + 130 * k, -0.3 * sign, 0.2, 0.2)},
          kBehaviorOscillate, kBehaviorOscillate);
      m.parentNo = parent;
      links[static_cast<size_t>(side * 2 + k)] = b->AddMotion(std::move(m));
      parent = links[static_cast<size_t>(side * 2 + k)];
      parentJoint = joint;
      joint = joint + Vec3{0.02 * sign, -0.28, 0.04};
    }
  }
  MeshBuilder ribbon;
  for (int side = 0; side < 2; ++side) {
    const Vec3 start = kSkeleton[static_cast<size_t>(kHandL + side * 4)].tail;
    const double sign = side == 0 ? 1 : -1;
    ribbon.Grid(4, 24, [&](double u, double v) {
      const double len = v * 0.62;
      const Vec3 p = start + Vec3{0.02 * sign * v * 2 + (u - 0.5) * 0.07, -len,
                                  0.04 * v * 2 + 0.03 * Sin(v * 9)};
      const double seg = v * 2.2;
      Skin s;
      const uint16_t hand = BoneSlot(kHandL + side * 4);
      const auto s1 = static_cast<uint16_t>(slot::kRibbon + side * 2);
      const auto s2 = static_cast<uint16_t>(slot::kRibbon + side * 2 + 1);
      if (seg < 1) {
        s.slot = {s1, hand, s2, s1};
        s.weight = {0.5 + 0.5 * seg, 0.5 - 0.5 * seg, 0, 0};
      } else {
        const double f = Clamp01(seg - 1);
        s.slot = {s2, s1, hand, s2};
        s.weight = {0.5 + 0.5 * f, 0.5 - 0.5 * f, 0, 0};
      }
      const Colour c{side == 0 ? 0.4 : 1.0, side == 0 ? 1.0 : 0.5, 1.0, 1};
      return VertexIn{p, {0, 0, -1}, c, v, u, s};
    });
  }
  MeshBuilder bands;
  for (int side = 0; side < 2; ++side) {
    const int fore = kForearmL + side * 4;
    const BoneDef& d = kSkeleton[static_cast<size_t>(fore)];
    const Vec3 at = d.joint + (d.tail - d.joint) * 0.82;
    AddTube(&bands, at - (d.tail - d.joint) * 0.07, at + (d.tail - d.joint) * 0.07, 0.042, 0.040,
            24, 4, [fore](double, Vec3) { return Skin::Rigid(BoneSlot(fore)); },
            {1.0, 0.8, 0.3, 1});
  }
  BakeLighting(&bands, 1.0);
  MeshBuilder visor;
  visor.Grid(32, 3, [](double u, double v) {
    const double a = kPi * (1.15 + 0.7 * u);
    const Vec3 n{Cos(a), 0, Sin(a)};
    const Vec3 p{0.104 * Cos(a), 1.665 + 0.035 * (v - 0.5), 0.110 * Sin(a) + 0.005};
    return VertexIn{p, n, {0.5, 1.0, 1.0, 0.8}, u, v, Skin::Rigid(slot::kVisor)};
  });
  BakeLighting(&visor, 1.0);
  const uint16_t sGlow =
      b->AddSurface(TexturedSurface("ribbon glow", kSurfaceConstant, 1, 1.0, true, RibbonGlow()));
  const uint16_t sBand =
      b->AddSurface(MakeSurface("wrist bands", kSurfacePhong, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sVisor =
      b->AddSurface(MakeSurface("visor", kSurfaceBlinn, 0, {1, 1, 1, 0.85}, 1.0, false));
  lmfw::LayerData& props = b->Layer(9);
  props.name = "dancer props";
  props.meshes = {bands.Build(sBand), visor.Build(sVisor), ribbon.Build(sGlow)};
  props.motionNo = boneMotion[kHead];
  props.paletteSlot = slot::kVisor;
  // The same motions into the same slots as the dancer's own bindings.
  for (int bone : {kForearmL, kForearmR, kHandL, kHandR})
    props.bindings.push_back({boneMotion[static_cast<size_t>(bone)], BoneSlot(bone)});
  for (int k = 0; k < 4; ++k)
    props.bindings.push_back(
        {links[static_cast<size_t>(k)], static_cast<uint16_t>(slot::kRibbon + k)});
  FitBounds(&props);
}

}  // namespace mkassets
