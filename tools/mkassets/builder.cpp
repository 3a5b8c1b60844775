#include "builder.h"

#include "assets.h"

namespace mkassets {

namespace {

Key KeyAt(int32_t time, double value, uint16_t shape) {
  Key k{};
  k.time = time;
  k.value = static_cast<float>(value);
  k.shape = shape;
  return k;
}

}  // namespace

Key TcbKey(int32_t time, double value, double tension, double continuity, double bias) {
  Key k = KeyAt(time, value, kShapeTcb);
  k.params[0] = static_cast<float>(tension);
  k.params[1] = static_cast<float>(continuity);
  k.params[2] = static_cast<float>(bias);
  return k;
}

Key HermiteKey(int32_t time, double value, double in, double out, uint16_t shape) {
  Key k = KeyAt(time, value, shape);
  k.params[3] = static_cast<float>(in);
  k.params[4] = static_cast<float>(out);
  return k;
}

Key LinearKey(int32_t time, double value) { return KeyAt(time, value, kShapeLinear); }

Key StepKey(int32_t time, double value) { return KeyAt(time, value, kShapeStep); }

Key BezierKey(int32_t time, double value, double handleTime, double inValue, double outValue) {
  Key k = KeyAt(time, value, kShapeBezier);
  k.params[1] = static_cast<float>(inValue);
  k.params[2] = static_cast<float>(-handleTime);
  k.params[3] = static_cast<float>(outValue);
  return k;
}

lmfw::ChannelData Channel(std::vector<Key> keys, uint16_t pre, uint16_t post) {
  lmfw::ChannelData c;
  c.keys = std::move(keys);
  c.preBehavior = pre;
  c.postBehavior = post;
  return c;
}

lmfw::ChannelData Constant(double value) { return Channel({LinearKey(0, value)}); }

void Translation(float out[16], Vec3 t) {
  for (int i = 0; i < 16; ++i) out[i] = (i % 5 == 0) ? 1.0f : 0.0f;
  out[12] = static_cast<float>(t.x);
  out[13] = static_cast<float>(t.y);
  out[14] = static_cast<float>(t.z);
}

SceneBuilder::SceneBuilder() {
  scene.layers.resize(kLayerCount);
  for (uint16_t i = 0; i < kLayerCount; ++i) {
    scene.layers[i].name = "layer" + std::to_string(i);
    scene.layers[i].paletteSlot = kNoPaletteSlot;
  }
}

uint16_t SceneBuilder::AddMotion(lmfw::MotionData motion) {
  scene.motions.push_back(std::move(motion));
  return static_cast<uint16_t>(scene.motions.size() - 1);
}

uint16_t SceneBuilder::AddSurface(lmfw::SurfaceData surface) {
  scene.surfaces.push_back(std::move(surface));
  return static_cast<uint16_t>(scene.surfaces.size() - 1);
}

lmfw::SurfaceData MakeSurface(const std::string& name, int32_t type, int32_t blend, Colour diffuse,
                              double emissive, bool doubleSided) {
  lmfw::SurfaceData s;
  s.name = name;
  s.type = type;
  s.blendMode = blend;
  s.diffuse[0] = static_cast<float>(diffuse.r);
  s.diffuse[1] = static_cast<float>(diffuse.g);
  s.diffuse[2] = static_cast<float>(diffuse.b);
  s.diffuse[3] = static_cast<float>(diffuse.a);
  s.emissive = static_cast<float>(emissive);
  s.specular = type == kSurfacePhong || type == kSurfaceBlinn ? 0.6f : 0.0f;
  s.power = type == kSurfacePhong || type == kSurfaceBlinn ? 24.0f : 0.0f;
  s.doubleSided = doubleSided ? 1 : 0;
  s.edgeColor[3] = 1;
  s.edgeSize = 0.004f;
  return s;
}

lmfw::SurfaceData TexturedSurface(const std::string& name, int32_t type, int32_t blend,
                                  double emissive, bool doubleSided,
                                  const mkart::Picture& picture) {
  lmfw::SurfaceData s = MakeSurface(name, type, blend, {1, 1, 1, 1}, emissive, doubleSided);
  (type == kSurfaceToon ? s.toon : s.texture) = ToPictureData(picture);
  return s;
}

void FitBounds(lmfw::LayerData* layer) {
  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (const auto& m : layer->meshes)
    for (const auto& v : m.vertices)
      for (int k = 0; k < 3; ++k) {
        lo[k] = v.position[k] < lo[k] ? v.position[k] : lo[k];
        hi[k] = v.position[k] > hi[k] ? v.position[k] : hi[k];
      }
  for (int k = 0; k < 3; ++k) {
    layer->boundsMin[k] = lo[k] <= hi[k] ? lo[k] : 0;
    layer->boundsMax[k] = lo[k] <= hi[k] ? hi[k] : 0;
  }
}

}  // namespace mkassets
