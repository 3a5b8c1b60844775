// The scene: the animated content of the benchmark, read from the scene file.
// The record is held by value in the application record and lives for the
// whole run. So far only the top-level record and its reset exist; the
// records it points to, their loader and FreeScene arrive with the loader.
// Main thread only.
#ifndef MORVANE_SCENE_SCENE_H
#define MORVANE_SCENE_SCENE_H

#include <cstdint>

struct Layer;
class Motion;
struct Surface;
struct Camera;
struct Light;

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
// null, the bounds 0.
void ResetScene(Scene* scene);

#endif  // MORVANE_SCENE_SCENE_H
