// The scene under construction: numbered motions and surfaces, key makers for
// every curve shape, and the parts of the demo scene (stage, character,
// effects), each adding its layers, motions and surfaces.
#ifndef MORVANE_TOOLS_MKASSETS_BUILDER_H
#define MORVANE_TOOLS_MKASSETS_BUILDER_H

#include <string>
#include <vector>

#include "geometry.h"
#include "tools/lmfdump/lmf_writer.h"
#include "tools/mkart/art.h"

namespace mkassets {

// Keys: time in ms, value, and the shape of the span that ends at the key.
Key TcbKey(int32_t time, double value, double tension = 0, double continuity = 0, double bias = 0);
Key HermiteKey(int32_t time, double value, double in, double out, uint16_t shape = kShapeHermite);
Key LinearKey(int32_t time, double value);
Key StepKey(int32_t time, double value);
// A Bezier span end: the incoming handle sits `handleTime` ms before the key
// (negative offset stored) `inValue` away in value; `outValue` is the value
// offset of the handle leaving this key.
Key BezierKey(int32_t time, double value, double handleTime, double inValue, double outValue);

lmfw::ChannelData Channel(std::vector<Key> keys, uint16_t pre = kBehaviorConstant,
                          uint16_t post = kBehaviorConstant);
lmfw::ChannelData Constant(double value);

// Matrices stored in motions (row vectors, translation in the last row).
void Translation(float out[16], Vec3 t);

// Palette slots of the scene's parts.
namespace slot {
inline constexpr uint16_t kStage = 0;
inline constexpr uint16_t kBoneBase = 1;  // character bone b uses kBoneBase + b
inline constexpr uint16_t kRibbon = 27;   // four ribbon links
inline constexpr uint16_t kVisor = 31;
inline constexpr uint16_t kTurntable = 32;
inline constexpr uint16_t kShadow = 33;
inline constexpr uint16_t kCluster = 40;  // eight particle clusters
inline constexpr uint16_t kTruss = 48;
inline constexpr uint16_t kHead = 49;  // six moving heads
inline constexpr uint16_t kLamp = 55;  // six blinking lamps
inline constexpr uint16_t kHalo = 65;
inline constexpr uint16_t kSculpture = 70;
inline constexpr uint16_t kLaser = 72;
inline constexpr uint16_t kSmoke = 74;
}  // namespace slot

class SceneBuilder {
 public:
  SceneBuilder();
  uint16_t AddMotion(lmfw::MotionData motion);
  uint16_t AddSurface(lmfw::SurfaceData surface);
  lmfw::MotionData& MotionAt(uint16_t no) { return scene.motions[no]; }
  lmfw::LayerData& Layer(uint16_t index) { return scene.layers[index]; }

  lmfw::SceneData scene;
  uint16_t dancerRoot = kNoMotion;  // the character's root motion
};

// Surfaces: a name, pass, blend mode, diffuse, emissive; the rest default.
lmfw::SurfaceData MakeSurface(const std::string& name, int32_t type, int32_t blend, Colour diffuse,
                              double emissive, bool doubleSided);
// A white surface with a picture: the ramp for toon surfaces, else the
// colour texture.
lmfw::SurfaceData TexturedSurface(const std::string& name, int32_t type, int32_t blend,
                                  double emissive, bool doubleSided, const mkart::Picture& picture);
// Bounds of a layer from its meshes.
void FitBounds(lmfw::LayerData* layer);

// The parts. Each fills its layer(s) of the builder.
void BuildStage(SceneBuilder* b);      // layer 0: floor, walls, pillars, turntable
void BuildCharacter(SceneBuilder* b);  // layers 5 (dancer) and 9 (ribbons, visor)
void BuildShadows(SceneBuilder* b);    // layer 14
void BuildParticles(SceneBuilder* b);  // layer 17
void BuildLights(SceneBuilder* b);     // layer 26: truss, moving heads, beams, lamps, halo
void BuildFront(SceneBuilder* b);      // layer 36: laser fan, smoke
void BuildSculpture(SceneBuilder* b);  // layers 6 and 7, the morph pair
void BuildCamera(SceneBuilder* b);     // camera 0 and its rig

}  // namespace mkassets

#endif  // MORVANE_TOOLS_MKASSETS_BUILDER_H
