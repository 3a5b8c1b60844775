// One frame of the run. Drawing, timing and the score arrive with the
// renderer; what exists now is the end condition: Esc held ends the run.
#include "app/app.h"

int RenderFrame(BenchmarkApp* /*app*/) { return GetKeyState(VK_ESCAPE) < 0 ? 0 : 1; }
