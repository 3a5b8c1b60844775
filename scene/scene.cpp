#include "scene/scene.h"

namespace {

template <typename T>
void ReleaseRef(T** object) {
  if (*object) (*object)->Release();
  *object = nullptr;
}

void FreeLayer(Layer* layer) {
  FreeOwnedBytes(&layer->name);
  if (layer->meshes) {
    for (uint16_t i = 0; i < layer->meshCount; ++i) {
      ReleaseRef(&layer->meshes[i].vertexBuffer);
      ReleaseRef(&layer->meshes[i].indexBuffer);
    }
  }
  delete[] layer->meshes;
  layer->meshes = nullptr;
  layer->meshCount = 0;
  if (layer->bones) {
    for (uint16_t i = 0; i < layer->boneCount; ++i) FreeOwnedBytes(&layer->bones[i].name);
  }
  delete[] layer->bones;
  layer->bones = nullptr;
  layer->boneCount = 0;
  delete[] layer->bindings;
  layer->bindings = nullptr;
  layer->bindingCount = 0;
}

}  // namespace

void FreeOwnedBytes(OwnedBytes* bytes) {
  delete[] bytes->data;
  bytes->data = nullptr;
  bytes->size = 0;
}

void ResetScene(Scene* scene) { *scene = Scene{}; }

void FreeScene(Scene* scene) {
  if (scene->layers) {
    for (uint16_t i = 0; i < scene->layerCount; ++i) FreeLayer(&scene->layers[i]);
  }
  delete[] scene->layers;
  scene->layers = nullptr;
  scene->layerCount = 0;

  if (scene->motions) {
    for (uint16_t i = 0; i < scene->motionCount; ++i) scene->motions[i].Clear();
  }
  delete[] scene->motions;
  scene->motions = nullptr;
  scene->motionCount = 0;

  if (scene->surfaces) {
    for (uint16_t i = 0; i < scene->surfaceCount; ++i) {
      Surface& surface = scene->surfaces[i];
      FreeOwnedBytes(&surface.name);
      ReleaseRef(&surface.texture);
      ReleaseRef(&surface.toonTexture);
    }
  }
  delete[] scene->surfaces;
  scene->surfaces = nullptr;
  scene->surfaceCount = 0;

  if (scene->cameras) {
    for (uint16_t i = 0; i < scene->cameraCount; ++i) FreeOwnedBytes(&scene->cameras[i].name);
  }
  delete[] scene->cameras;
  scene->cameras = nullptr;
  scene->cameraCount = 0;

  delete[] scene->lights;
  scene->lights = nullptr;
  scene->lightCount = 0;
}

void ComputeSceneBounds(Scene* scene) {
  for (int axis = 0; axis < 3; ++axis) {
    scene->boundsMin[axis] = 0.0f;
    scene->boundsMax[axis] = 0.0f;
  }
  for (uint16_t i = 0; i < scene->layerCount && scene->layers; ++i) {
    const Layer& layer = scene->layers[i];
    for (int axis = 0; axis < 3; ++axis) {
      if (scene->boundsMin[axis] > layer.boundsMin[axis])
        scene->boundsMin[axis] = layer.boundsMin[axis];
      if (scene->boundsMax[axis] < layer.boundsMax[axis])
        scene->boundsMax[axis] = layer.boundsMax[axis];
    }
  }
}
