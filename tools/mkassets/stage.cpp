// The set around the dancer: the stage (layer 0), the shadows (14), the
// swirling confetti (17), the lighting rig with its beams (26), the floor
// lasers and smoke (36) and the morphing sculpture (6 and 7).
#include "assets.h"
#include "builder.h"
#include "dmath.h"

namespace mkassets {
namespace {

mkart::Picture FloorTiles() {
  // 128 x 128 (a power of two, so it can wrap across the floor): dark
  // tiles with glowing joints.
  mkart::Picture p(128, 128);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const int tx = x % 64, ty = y % 64;
      const int edge = std::min(std::min(tx, 63 - tx), std::min(ty, 63 - ty));
      const double line = edge == 0 ? 1.0 : (edge == 1 ? 0.45 : 0.0);
      const double checker = ((x / 64 + y / 64) % 2) ? 0.85 : 1.0;
      p.at(x, y) = {(0.42 + 0.5 * line) * checker, (0.40 + 0.6 * line) * checker,
                    (0.52 + 0.48 * line) * checker};
    }
  return p;
}

mkart::Picture PillarStripes() {
  // 64 x 64: wraps around and up the pillars.
  mkart::Picture p(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const double band = (y % 16) < 3 ? 1.0 : 0.55;
      p.at(x, y) = {band, band * 0.9, band};
    }
  return p;
}

mkart::Picture Sparkle() {
  // 24 x 24 star with alpha.
  mkart::Picture p(24, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const double dx = (x - 11.5) / 11.5, dy = (y - 11.5) / 11.5;
      const double ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
      const double star = Clamp01(1 - (ax * ay * 12 + (ax + ay) * 0.6));
      const double core = Clamp01(1 - Sqrt(dx * dx + dy * dy) * 1.6);
      p.at(x, y) = {1, 1, 1};
      p.alphaAt(x, y) = Clamp01(star * 0.8 + core);
    }
  return p;
}

mkart::Picture SculptureSkin() {
  // 100 x 60: bands of circuitry for the morphing orb.
  mkart::Picture p(100, 60);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) {
      const bool trace = (x % 10 == 0) || (y % 12 == 0) || ((x + y) % 25 == 0);
      p.at(x, y) = trace ? mkart::Rgb{1, 0.95, 0.7} : mkart::Rgb{0.55, 0.6, 0.9};
    }
  return p;
}

Colour Hue(double h) {
  const double r = 0.5 + 0.5 * Cos(2 * kPi * h);
  const double g = 0.5 + 0.5 * Cos(2 * kPi * (h - 1.0 / 3));
  const double b = 0.5 + 0.5 * Cos(2 * kPi * (h - 2.0 / 3));
  return {0.3 + 0.7 * r, 0.3 + 0.7 * g, 0.3 + 0.7 * b, 1};
}

// A motion that turns about `pivot` (a point in the world) and stays there.
lmfw::MotionData PivotMotion(Vec3 pivot) {
  lmfw::MotionData m;
  m.pivot[0] = static_cast<float>(pivot.x);
  m.pivot[1] = static_cast<float>(pivot.y);
  m.pivot[2] = static_cast<float>(pivot.z);
  m.channels[0] = Constant(pivot.x);
  m.channels[1] = Constant(pivot.y);
  m.channels[2] = Constant(pivot.z);
  return m;
}

}  // namespace

void BuildStage(SceneBuilder* b) {
  const Skin still = Skin::Rigid(slot::kStage);
  MeshBuilder floor, walls, pillars, turntable, rim;
  // Floor: pools of light baked into the colours.
  AddDisc(&floor, {0, 0, 0}, 1.0, 4.2, 96, 20, still, [](double r, double a) {
    const double x = r * Cos(a), z = r * Sin(a);
    const double centre = Exp(-(x * x + (z - 0.2) * (z - 0.2)) * 0.9);
    const double left = Exp(-((x + 1.8) * (x + 1.8) + (z - 1.0) * (z - 1.0)) * 2.0);
    const double right = Exp(-((x - 1.8) * (x - 1.8) + (z - 1.0) * (z - 1.0)) * 2.0);
    const double fade = 1 - SmoothStep(3.2, 4.2, r);
    return Colour{(0.25 + 0.75 * centre + 0.6 * left + 0.1 * right) * fade,
                  (0.22 + 0.6 * centre + 0.1 * left + 0.4 * right) * fade,
                  (0.35 + 0.65 * centre + 0.5 * left + 0.7 * right) * fade, 1};
  });
  // Back wall: tall panels on an arc behind the stage (two triangles each).
  for (int i = 0; i < 11; ++i) {
    const double a0 = kPi * (0.12 + 0.076 * i), a1 = a0 + kPi * 0.07;
    const Vec3 p0{4.0 * Cos(a0), 0, 3.6 * Sin(a0)}, p1{4.0 * Cos(a1), 0, 3.6 * Sin(a1)};
    const Vec3 n = Normalize(Vec3{-(p0.x + p1.x), 0, -(p0.z + p1.z)});
    const double h = 2.6 + 0.5 * Sin(i * 1.3);
    const Colour lo{0.25, 0.12, 0.45, 1}, hi{0.10, 0.25, 0.60, 1};
    walls.Grid(1, 1, [&](double u, double v) {
      const Colour c{Lerp(lo.r, hi.r, v), Lerp(lo.g, hi.g, v), Lerp(lo.b, hi.b, v), 1};
      return VertexIn{p0 + (p1 - p0) * u + Vec3{0, h * v, 0}, n, c, u, v, still};
    });
    // A glowing strip along each panel's top.
    walls.Grid(1, 1, [&](double u, double v) {
      const Vec3 top = p0 + (p1 - p0) * u + Vec3{0, h - 0.06 + 0.06 * v, 0} + n * 0.01;
      return VertexIn{top, n, {0.5, 0.9, 1.0, 1}, u, v, still};
    });
  }
  // Pillars with light bands, and the sculpture's pedestal.
  const Vec3 pillarAt[4] = {{-2.7, 0, 1.4}, {2.7, 0, 1.4}, {-3.1, 0, -0.5}, {3.1, 0, -0.5}};
  for (const Vec3& at : pillarAt)
    AddTube(&pillars, at, at + Vec3{0, 3.1, 0}, 0.16, 0.13, 24, 12,
            [still](double, Vec3) { return still; }, {0.8, 0.75, 0.95, 1});
  AddTube(&pillars, {1.3, 0, 2.4}, {1.3, 1.45, 2.4}, 0.28, 0.18, 32, 8,
          [still](double, Vec3) { return still; }, {0.7, 0.7, 0.8, 1});
  for (auto& v : pillars.Vertices()) v.v = v.position.y * 2;
  BakeLighting(&pillars, 0.6);
  // The stage rim: a low ring.
  rim.Grid(96, 8, [&](double u, double v) {
    const double a = 2 * kPi * u, c = 2 * kPi * v;
    const double R = 2.35, r = 0.05;
    const Vec3 n{Cos(c) * Cos(a), Sin(c), Cos(c) * Sin(a)};
    return VertexIn{{(R + r * Cos(c)) * Cos(a), 0.03 + r * Sin(c), (R + r * Cos(c)) * Sin(a)},
                    n,
                    {0.6, 0.9, 1.0, 1},
                    u,
                    v,
                    still};
  });
  BakeLighting(&rim, 1.0);
  // The turntable: a patterned disc that keeps turning, filling the floor's
  // centre (nothing lies on top of anything else: the depth buffer has 16
  // bits, too few for surfaces a few millimetres apart).
  const uint16_t turn = b->AddMotion([] {
    lmfw::MotionData m;
    m.channels[4] = Channel({LinearKey(0, 0), LinearKey(6000, 2 * kPi)}, kBehaviorOffsetRepeat,
                            kBehaviorOffsetRepeat);
    return m;
  }());
  AddDisc(&turntable, {0, 0, 0}, 0.0, 1.0, 64, 5, Skin::Rigid(slot::kTurntable),
          [](double r, double a) {
            const double spoke = 0.5 + 0.5 * Cos(a * 8);
            const double hub = r < 0.2 ? 1.0 : 0.0;
            return Colour{0.5 + 0.5 * spoke * r + 0.4 * hub, 0.3 + 0.3 * spoke + 0.5 * hub, 0.9, 1};
          });
  const uint16_t sFloor =
      b->AddSurface(TexturedSurface("floor", kSurfaceLambert, 0, 1.0, false, FloorTiles()));
  const uint16_t sWall =
      b->AddSurface(MakeSurface("back wall", kSurfaceBlinn, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sPillar =
      b->AddSurface(TexturedSurface("pillars", kSurfacePhong, 0, 1.0, false, PillarStripes()));
  const uint16_t sRim =
      b->AddSurface(MakeSurface("rim", kSurfacePhong, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sTurn =
      b->AddSurface(MakeSurface("turntable", kSurfaceLambert, 0, {1, 1, 1, 1}, 0.9, false));
  lmfw::LayerData& stage = b->Layer(0);
  stage.name = "stage";
  stage.meshes = {floor.Build(sFloor), walls.Build(sWall), pillars.Build(sPillar), rim.Build(sRim),
                  turntable.Build(sTurn)};
  stage.paletteSlot = slot::kStage;  // no motion: the identity
  stage.bindings = {{turn, slot::kTurntable}};
  FitBounds(&stage);
}

void BuildShadows(SceneBuilder* b) {
  // Multiplied onto what is below: white changes nothing, grey darkens.
  MeshBuilder shadows;
  auto soft = [](double r0) {
    return [r0](double r, double) {
      const double k = 0.35 + 0.65 * SmoothStep(0, r0, r);
      return Colour{k, k, k * 1.05, 1};
    };
  };
  AddDisc(&shadows, {0, 0.05, 0}, 0.0, 0.5, 32, 6, Skin::Rigid(slot::kShadow), soft(0.5));
  const Vec3 pillarAt[4] = {{-2.7, 0, 1.4}, {2.7, 0, 1.4}, {-3.1, 0, -0.5}, {3.1, 0, -0.5}};
  for (const Vec3& at : pillarAt)
    AddDisc(&shadows, at + Vec3{0, 0.045, 0}, 0.0, 0.42, 24, 4, Skin::Rigid(34), soft(0.42));
  const uint16_t s =
      b->AddSurface(MakeSurface("shadows", kSurfaceConstant, 2, {1, 1, 1, 1}, 1.0, false));
  lmfw::LayerData& layer = b->Layer(14);
  layer.name = "shadows";
  layer.meshes = {shadows.Build(s)};
  layer.paletteSlot = 34;
  layer.bindings = {{b->dancerRoot, slot::kShadow}};
  FitBounds(&layer);
}

void BuildParticles(SceneBuilder* b) {
  Rng rng(17);
  MeshBuilder pieces, sparks;
  std::vector<PaletteBinding> bindings;
  for (int c = 0; c < 8; ++c) {
    const auto clusterSlot = static_cast<uint16_t>(slot::kCluster + c);
    lmfw::MotionData m;
    const double dir = c % 2 ? -1 : 1;
    const int32_t period = 9000 + 1300 * c;
    // Each cluster sways to and fro about the stage axis, never round to
    // the camera's side.
    m.channels[4] = Channel({TcbKey(0, -0.4 * dir), TcbKey(period / 2, 0.4 * dir)},
                            kBehaviorOscillate, kBehaviorOscillate);
    m.channels[1] = Channel({TcbKey(0, 0), TcbKey(1500 + 200 * c, 0.12), TcbKey(3000 + 400 * c, 0)},
                            kBehaviorRepeat, kBehaviorRepeat);
    bindings.push_back({b->AddMotion(std::move(m)), clusterSlot});
    const Skin skin = Skin::Rigid(clusterSlot);
    for (int i = 0; i < 280; ++i) {
      // A canopy above and behind the dancer (the camera stays in front),
      // thinning out towards the floor.
      const double a = kPi * (0.14 + 0.72 * rng.Unit());
      const double r = 1.1 + 1.6 * rng.Unit();
      const double y = 3.3 - 2.9 * rng.Unit() * rng.Unit();
      const Vec3 centre{r * Cos(a), y, r * Sin(a) + 0.6};
      const double size = 0.014 + 0.02 * rng.Unit();
      const Colour col = Hue(rng.Unit());
      // A tetrahedron with random orientation.
      Vec3 corners[4] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
      const double t1 = 2 * kPi * rng.Unit(), t2 = 2 * kPi * rng.Unit();
      for (Vec3& q : corners) {
        const Vec3 r1{q.x * Cos(t1) - q.z * Sin(t1), q.y, q.x * Sin(t1) + q.z * Cos(t1)};
        q = Vec3{r1.x, r1.y * Cos(t2) - r1.z * Sin(t2), r1.y * Sin(t2) + r1.z * Cos(t2)} * size;
      }
      const int faces[4][3] = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
      for (const auto& f : faces) {
        const Vec3 n = Normalize(corners[f[0]] + corners[f[1]] + corners[f[2]]);
        const size_t from = pieces.VertexCount();
        uint16_t idx[3];
        for (int k = 0; k < 3; ++k)
          idx[k] = pieces.Add(VertexIn{centre + corners[f[k]], n, col, 0, 0, skin});
        BakeLighting(&pieces, 0.3, from);
        pieces.Triangle(idx[0], idx[1], idx[2]);
      }
    }
    for (int i = 0; i < 45; ++i) {
      const double a = kPi * (0.14 + 0.72 * rng.Unit());
      const double r = 1.2 + 1.5 * rng.Unit();
      const Vec3 centre{r * Cos(a), 3.3 - 2.6 * rng.Unit() * rng.Unit(), r * Sin(a) + 0.6};
      const double size = 0.035 + 0.05 * rng.Unit();
      const Colour col = Hue(rng.Unit());
      // Facing the stage centre, visible from both sides.
      const Vec3 n = Normalize(Vec3{-centre.x, 0, -centre.z});
      const Vec3 side = Normalize(Cross(Vec3{0, 1, 0}, n));
      sparks.Grid(1, 1, [&](double u, double v) {
        return VertexIn{centre + side * ((u - 0.5) * size) + Vec3{0, (v - 0.5) * size, 0},
                        n,
                        {0.6 + 0.4 * col.r, 0.6 + 0.4 * col.g, 0.6 + 0.4 * col.b, 1},
                        u,
                        v,
                        skin};
      });
    }
  }
  const uint16_t sPieces =
      b->AddSurface(MakeSurface("confetti", kSurfaceLambert, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sSparks =
      b->AddSurface(TexturedSurface("sparkles", kSurfaceConstant, 1, 1.0, true, Sparkle()));
  lmfw::LayerData& layer = b->Layer(17);
  layer.name = "confetti";
  layer.meshes = {pieces.Build(sPieces), sparks.Build(sSparks)};
  layer.bindings = bindings;
  FitBounds(&layer);
}

void BuildLights(SceneBuilder* b) {
  // The truss descends into place over the first four seconds (Bezier).
  lmfw::MotionData trussMotion;
  trussMotion.channels[1] = Channel({LinearKey(0, 1.0), BezierKey(4000, 0, 1300, 0.0, 0)});
  [&] {
    Key& first = trussMotion.channels[1].keys[0];
    first.params[3] = -0.9f;
  }();
  const uint16_t truss = b->AddMotion(std::move(trussMotion));
  const Skin trussSkin = Skin::Rigid(slot::kTruss);
  MeshBuilder bars, heads, beams, lamps, halo;
  const double ty = 3.05;
  const Vec3 corners[4] = {{-2.5, ty, -1.0}, {2.5, ty, -1.0}, {2.5, ty, 2.2}, {-2.5, ty, 2.2}};
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 2; ++k) {
      const Vec3 off{0, k * 0.18 - 0.09, 0};
      AddTube(&bars, corners[i] + off, corners[(i + 1) % 4] + off, 0.04, 0.04, 12, 16,
              [trussSkin](double, Vec3) { return trussSkin; }, {0.75, 0.75, 0.85, 1});
    }
  BakeLighting(&bars, 1.0);
  std::vector<PaletteBinding> bindings;
  for (int h = 0; h < 6; ++h) {
    const Vec3 at{-2.0 + 0.8 * h, ty - 0.2, h % 2 ? 2.2 : -1.0};
    lmfw::MotionData m = PivotMotion(at);
    m.parentNo = truss;
    const double phase = h * 0.5;
    // Pan and tilt swing back and forth (TCB keys, oscillating).
    const double aim = h % 2 ? -0.55 : 0.45;  // back row tilts forward, front row back
    m.channels[3] = Channel({TcbKey(0, aim - 0.25), TcbKey(1400 + 150 * h, aim + 0.25, 0.2),
                             TcbKey(2800 + 300 * h, aim - 0.1)},
                            kBehaviorOscillate, kBehaviorOscillate);
    m.channels[5] =
        Channel({TcbKey(0, -0.5 + 0.2 * phase), TcbKey(2300 + 200 * h, 0.5 - 0.1 * phase)},
                kBehaviorOscillate, kBehaviorOscillate);
    const auto headSlot = static_cast<uint16_t>(slot::kHead + h);
    bindings.push_back({b->AddMotion(std::move(m)), headSlot});
    const Skin skin = Skin::Rigid(headSlot);
    AddSphere(&heads, at, {0.11, 0.13, 0.11}, 24, 12, skin, {0.9, 0.9, 1.0, 1});
    const Colour col = Hue(h / 6.0);
    beams.Grid(24, 6, [&](double u, double v) {
      const double a = 2 * kPi * u;
      const double r = 0.03 + 0.42 * v;
      const Vec3 ring{Cos(a), 0, Sin(a)};
      const Vec3 p = at + ring * r + Vec3{0, -3.1 * v - 0.1, 0};
      const double fade = (1 - v) * (1 - v);
      return VertexIn{p, ring, {col.r, col.g, col.b, 0.55 * fade}, u, v, skin};
    });
  }
  BakeLighting(&heads, 0.5);
  // Lamps on the front bar blink on step keys; they light up after two
  // seconds and go out at the end (reset before and after their keys).
  for (int i = 0; i < 6; ++i) {
    const Vec3 at{-2.1 + 0.84 * i, ty - 0.12, -1.02};
    lmfw::MotionData m = PivotMotion(at);
    m.parentNo = truss;
    std::vector<Key> keys;
    for (int k = 0; k < 62; ++k)
      keys.push_back(StepKey(2000 + k * 469, ((k + i) % 3 == 0) ? 0.35 : 1.0));
    m.channels[6] = Channel(keys, kBehaviorReset, kBehaviorReset);
    m.channels[7] = Channel(keys, kBehaviorReset, kBehaviorReset);
    m.channels[8] = Channel(keys, kBehaviorReset, kBehaviorReset);
    const auto lampSlot = static_cast<uint16_t>(slot::kLamp + i);
    bindings.push_back({b->AddMotion(std::move(m)), lampSlot});
    AddSphere(&lamps, at, {0.06, 0.06, 0.06}, 12, 8, Skin::Rigid(lampSlot),
              {1.0, 0.75 + 0.25 * (i % 2), 0.4 + 0.6 * (i % 3 == 0), 1});
  }
  // A ring of light around the dancer's feet that follows her.
  halo.Grid(64, 2, [](double u, double v) {
    const double a = 2 * kPi * u;
    const double r = 0.55 + 0.2 * v;
    const double k = 1 - 2 * (v - 0.5 < 0 ? 0.5 - v : v - 0.5);
    return VertexIn{{r * Cos(a), 0.06, r * Sin(a)}, {0, 1, 0}, {0.2 * k, 0.8 * k, 0.9 * k, 1}, u, v,
                    Skin::Rigid(slot::kHalo)};
  });
  bindings.push_back({b->dancerRoot, slot::kHalo});

  lmfw::SurfaceData headSurface =
      MakeSurface("moving heads", kSurfaceToon, 0, {0.8, 0.85, 1, 1}, 0.45, false);
  headSurface.toon = b->scene.surfaces[1].toon;  // the dancer's ramp
  const uint16_t sBars =
      b->AddSurface(MakeSurface("truss", kSurfacePhong, 0, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sHeads = b->AddSurface(headSurface);
  const uint16_t sBeams =
      b->AddSurface(MakeSurface("beams", kSurfaceConstant, 1, {1, 1, 1, 1}, 1.0, true));
  const uint16_t sLamps =
      b->AddSurface(MakeSurface("lamps", kSurfaceConstant, 4, {1, 1, 1, 1}, 1.0, false));
  const uint16_t sHalo =
      b->AddSurface(MakeSurface("halo", kSurfaceConstant, 3, {1, 1, 1, 1}, 1.0, true));
  lmfw::LayerData& layer = b->Layer(26);
  layer.name = "lighting rig";
  layer.meshes = {bars.Build(sBars), heads.Build(sHeads), lamps.Build(sLamps), halo.Build(sHalo),
                  beams.Build(sBeams)};
  layer.motionNo = truss;
  layer.paletteSlot = slot::kTruss;
  layer.bindings = bindings;
  FitBounds(&layer);
}

void BuildFront(SceneBuilder* b) {
  // Laser lines on the floor: a fan that turns, eased in by Hermite keys and
  // carried on at the same rate after them (linear behaviour).
  lmfw::MotionData laser = PivotMotion({0, 0, 0.3});
  laser.channels[4] = Channel({HermiteKey(0, 0, 0.0, 0.0), HermiteKey(3000, 0.9, 0.9, 0.9)},
                              kBehaviorConstant, kBehaviorLinear);
  const uint16_t laserMotion = b->AddMotion(std::move(laser));
  MeshBuilder fan, smoke;
  for (int i = 0; i < 16; ++i) {
    const double a = 2 * kPi * i / 16;
    const Vec3 dir{Cos(a), 0, Sin(a)}, side{-Sin(a), 0, Cos(a)};
    const Vec3 origin{0, 0.055, 0.3};
    const Colour col = i % 2 ? Colour{0.2, 0.9, 0.4, 1} : Colour{0.9, 0.2, 0.8, 1};
    fan.Grid(1, 8, [&](double u, double v) {
      const double r = 0.8 + 2.8 * v;
      const double fade = 1 - v;
      const Colour c{col.r * fade, col.g * fade, col.b * fade, 1};
      return VertexIn{origin + dir * r + side * ((u - 0.5) * (0.01 + 0.03 * v)),
                      {0, 1, 0},
                      c,
                      u,
                      v,
                      Skin::Rigid(slot::kLaser)};
    });
  }
  // Smoke: a low curtain around the stage that darkens what is behind it.
  lmfw::MotionData drift;
  drift.channels[4] = Channel({TcbKey(0, -0.2), TcbKey(5000, 0.2), TcbKey(11000, -0.1)},
                              kBehaviorOscillate, kBehaviorOscillate);
  const uint16_t driftMotion = b->AddMotion(std::move(drift));
  smoke.Grid(96, 6, [](double u, double v) {
    const double a = 2 * kPi * u;
    const double r = 3.5 + 0.15 * Sin(a * 7);
    const double k = (1 - v) * (0.45 + 0.2 * Sin(a * 5)) * SmoothStep(0, 0.2, v + 0.05);
    return VertexIn{
        {r * Cos(a), 0.9 * v, r * Sin(a)}, {-Cos(a), 0, -Sin(a)}, {k, k * 0.9, k * 0.7, 1}, u, v,
        Skin::Rigid(slot::kSmoke)};
  });
  const uint16_t sFan =
      b->AddSurface(MakeSurface("lasers", kSurfaceConstant, 6, {1, 1, 1, 1}, 1.0, true));
  const uint16_t sSmoke =
      b->AddSurface(MakeSurface("smoke", kSurfaceConstant, 5, {1, 1, 1, 1}, 1.0, true));
  lmfw::LayerData& layer = b->Layer(36);
  layer.name = "floor effects";
  layer.meshes = {fan.Build(sFan), smoke.Build(sSmoke)};
  layer.motionNo = driftMotion;
  layer.paletteSlot = slot::kSmoke;
  layer.bindings = {{laserMotion, slot::kLaser}};
  FitBounds(&layer);
}

void BuildSculpture(SceneBuilder* b) {
  // An orb that now and then turns into a star, with a ring around it that
  // twists. Base (layer 6) and target (layer 7) share topology vertex for
  // vertex; only positions and normals differ.
  const Vec3 c{1.3, 2.2, 2.4};
  lmfw::MotionData m = PivotMotion(c);
  m.channels[4] =
      Channel({LinearKey(0, 0), LinearKey(8000, 2 * kPi)}, kBehaviorRepeat, kBehaviorRepeat);
  m.channels[1] =
      Channel({HermiteKey(0, c.y - 0.08, 0.05, 0.05), HermiteKey(2500, c.y + 0.08, 0.05, 0.05)},
              kBehaviorOscillate, kBehaviorOscillate);
  const uint16_t motion = b->AddMotion(std::move(m));
  const Skin skin = Skin::Rigid(slot::kSculpture);
  MeshBuilder orb[2], ring[2];
  for (int target = 0; target < 2; ++target) {
    orb[target].Grid(72, 48, [&](double u, double v) {
      const double a = 2 * kPi * u, t = kPi * v;
      const Vec3 d{Sin(t) * Cos(a), Cos(t), Sin(t) * Sin(a)};
      double r = 0.42;
      if (target == 1) {
        const double spikes = Cos(a * 6) * Sin(t * 5);
        r = 0.34 + 0.22 * (spikes > 0 ? spikes * spikes : 0);
      }
      const Colour col{0.55 + 0.45 * v, 0.45 + 0.4 * (1 - v), 1.0, 1};
      return VertexIn{c + d * r, d, col, u, v, skin};
    });
    ring[target].Grid(64, 12, [&](double u, double v) {
      const double a = 2 * kPi * u, s = 2 * kPi * v;
      const double R = 0.68, r = target ? 0.05 + 0.03 * Sin(a * 3) : 0.035;
      const double tilt = target ? 0.35 * Sin(a * 2) : 0.0;
      const Vec3 n{Cos(s) * Cos(a), Sin(s), Cos(s) * Sin(a)};
      const Vec3 p{(R + r * Cos(s)) * Cos(a), r * Sin(s) + tilt, (R + r * Cos(s)) * Sin(a)};
      return VertexIn{c + p, n, {1.0, 0.85, 0.45, 1}, u, v, skin};
    });
    BakeLighting(&orb[target], 0.8);
    BakeLighting(&ring[target], 1.0);
  }
  const uint16_t sOrb =
      b->AddSurface(TexturedSurface("orb", kSurfaceBlinn, 0, 1.0, false, SculptureSkin()));
  const uint16_t sRing =
      b->AddSurface(MakeSurface("orb ring", kSurfacePhong, 0, {1, 1, 1, 1}, 1.0, true));
  for (int target = 0; target < 2; ++target) {
    lmfw::LayerData& layer = b->Layer(static_cast<uint16_t>(target ? kMorphTarget : kMorphBase));
    layer.name = target ? "sculpture star" : "sculpture orb";
    layer.meshes = {orb[target].Build(sOrb), ring[target].Build(sRing)};
    layer.motionNo = motion;
    layer.paletteSlot = slot::kSculpture;
    FitBounds(&layer);
  }
}

void BuildCamera(SceneBuilder* b) {
  // The rig: an orbit around a target point (translation and yaw), and a
  // boom that tilts and whose length is its Z scale about a pivot one unit
  // ahead, so the camera always looks at the orbit's centre.
  struct Shot {
    int32_t ms;
    double yaw, pitch, distance;
  };
  const Shot shots[] = {
      {0, 0.0, 0.30, 4.4},      {3500, -0.35, 0.20, 3.2}, {7500, 0.35, 0.12, 2.9},
      {11500, 0.75, 0.26, 3.6}, {15500, 0.15, 0.08, 2.8}, {19500, -0.55, 0.18, 3.2},
      {23500, -0.2, 0.32, 3.9}, {27500, 0.4, 0.14, 2.9},  {33500, 0.0, 0.24, 4.4}};
  lmfw::MotionData orbit, boom;
  std::vector<Key> yaw, pitch, dist, tx, tz;
  for (const Shot& s : shots) {
    yaw.push_back(TcbKey(s.ms, s.yaw, 0.2));
    pitch.push_back(TcbKey(s.ms, s.pitch));
    dist.push_back(TcbKey(s.ms, s.distance, 0.3));
  }
  orbit.channels[4] = Channel(yaw);
  orbit.channels[1] = Constant(1.05);
  // The target drifts after the dancer, half her way.
  const lmfw::MotionData& root = b->scene.motions[b->dancerRoot];
  for (size_t i = 0; i < root.channels[0].keys.size(); i += 4) {
    tx.push_back(TcbKey(root.channels[0].keys[i].time, root.channels[0].keys[i].value * 0.5, 0.5));
    tz.push_back(
        TcbKey(root.channels[2].keys[i].time, root.channels[2].keys[i].value * 0.5 + 0.3, 0.5));
  }
  orbit.channels[0] = Channel(tx);
  orbit.channels[2] = Channel(tz);
  const uint16_t orbitNo = b->AddMotion(std::move(orbit));
  boom.pivot[2] = 1.0f;
  boom.channels[3] = Channel(pitch);
  boom.channels[8] = Channel(dist);
  boom.parentNo = orbitNo;
  const uint16_t boomNo = b->AddMotion(std::move(boom));
  lmfw::CameraData camera;
  camera.name = "main camera";
  camera.fovY = 0.87f;
  camera.motionNo = boomNo;
  b->scene.cameras.push_back(camera);
}

}  // namespace mkassets
