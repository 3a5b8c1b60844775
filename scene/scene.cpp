#include "scene/scene.h"

void ResetScene(Scene* scene) { *scene = Scene{}; }
