// The scene: the animated content of the benchmark, read from the scene file
// by the loader (scene/lmf_loader.h). The record is held by value in the
// application record and lives for the whole run.
//
// Records refer to one another by 16-bit number (index into the scene's
// arrays; kNoMotion / 0xFFFF means none). Only a motion's parent link becomes
// a pointer, once, when loading ends. Everything reachable from a Scene -
// arrays, names, vertex and index buffers, textures - is owned by it and
// released by FreeScene; nothing else frees any part of it.
//
// Arrays are made with new[] and value-initialised (zero-filled), motions
// with new Motion[count]. A count always equals its array's length; an array
// pointer is null only when its count is 0 or it was never created.
//
// Does not: load (lmf_loader.h), animate (render/animation.h) or draw.
// Main thread only.
#ifndef MORVANE_SCENE_SCENE_H
#define MORVANE_SCENE_SCENE_H

#include <d3d9.h>

#include <cstdint>

#include "scene/motion.h"

// A name as the file stores it: exactly its bytes, no terminator. Names are
// never displayed or compared, so their encoding does not matter.
struct OwnedBytes {
  uint8_t* data;  // new[]; null when empty
  uint32_t size;
};

// The one vertex of the scene: the file's vertex data, the vertex buffers
// and the vertex declaration all share this layout.
struct SceneVertex {
  float position[3];
  float normal[3];
  float color[4];
  float texCoord[2];
  float blendIndices[4];  // palette slots as floats; the integer part counts
  float blendWeights[4];
};
static_assert(sizeof(SceneVertex) == 80, "SceneVertex is the 80-byte file and buffer layout");

// Palette slots 0..79 exist; a slot number at or above this sets nothing.
constexpr uint16_t kPaletteSlots = 80;
constexpr uint16_t kNoPaletteSlot = 0xFFFF;

struct Mesh {
  uint16_t vertexCount;
  IDirect3DVertexBuffer9* vertexBuffer;  // vertexCount x 80 bytes, managed
  uint16_t polygonCount;                 // triangles
  IDirect3DIndexBuffer9* indexBuffer;    // polygonCount x 3 16-bit indices, managed
  uint16_t surfaceNo;
};

struct PaletteBinding {
  uint16_t motionNo;     // kNoMotion (or no motions): the layer's own matrix
  uint16_t paletteSlot;  // kNoPaletteSlot: skipped; >= kPaletteSlots: sets nothing
};

// Loaded and released; read by nothing else.
struct Bone {
  OwnedBytes name;
  float restPosition[3];
  float restDirection[3];
  float restLength;
  uint16_t motionNo;
};

struct Layer {
  OwnedBytes name;
  float boundsMin[3];
  float boundsMax[3];
  uint32_t show;  // stored, read by nothing
  uint16_t meshCount;
  Mesh* meshes;
  uint16_t boneCount;
  Bone* bones;
  uint16_t motionNo;     // the layer's own matrix; identity for kNoMotion or no motions
  uint16_t paletteSlot;  // where the own matrix goes; >= kPaletteSlots: nowhere
  uint16_t bindingCount;
  PaletteBinding* bindings;
};

// Shading types, used as pass numbers of the effect technique.
enum : int32_t {
  kSurfaceConstant = 0,
  kSurfaceLambert = 1,
  kSurfacePhong = 2,
  kSurfaceBlinn = 3,
  kSurfaceToon = 4,
};

struct Surface {
  OwnedBytes name;
  int32_t type;
  int32_t blendMode;  // 0..6; anything else leaves the blend state alone
  float diffuse[4];   // r, g, b, a
  float emissive;
  float specular;
  float power;
  uint8_t doubleSided;  // non-zero: no back-face culling
  IDirect3DTexture9* texture;
  int32_t textureWidth;  // the picture's size; the texture is square and at least this big
  int32_t textureHeight;
  IDirect3DTexture9* toonTexture;
  int32_t toonWidth;
  int32_t toonHeight;
  float edgeColor[4];  // stored, read by nothing
  float edgeSize;      // stored, read by nothing
};

struct Camera {
  OwnedBytes name;
  float fovY;  // radians
  uint16_t motionNo;
};

// Lights carry no data: one empty record per light, so that lightCount is known.
struct Light {};

struct Scene {
  float boundsMin[3];
  float boundsMax[3];
  uint16_t layerCount;
  Layer* layers;
  uint16_t motionCount;
  Motion* motions;
  uint16_t surfaceCount;
  Surface* surfaces;
  uint16_t cameraCount;
  Camera* cameras;
  uint16_t lightCount;
  Light* lights;
};

// Empties the record without freeing anything: every count 0, every array
// null, the bounds 0. The scene's constructor.
void ResetScene(Scene* scene);

// Releases everything the scene owns - layers (names, buffers, bones,
// bindings), motions, surfaces (names, textures), cameras, lights - nulling
// each pointer and zeroing each count. The bounds stay. Safe on a reset, a
// partly loaded or an already freed scene.
void FreeScene(Scene* scene);

// The box around every layer's box and the origin.
void ComputeSceneBounds(Scene* scene);

// Frees a name and empties it.
void FreeOwnedBytes(OwnedBytes* bytes);

#endif  // MORVANE_SCENE_SCENE_H
