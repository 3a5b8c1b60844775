// The program's effect (render/effect_source.h) as the effect writer's
// description, and the compiled bytes the build stores as the resource
// "SHADER_OBJECT". Used by the mkeffect tool and by tests.
// Threads: no shared state; any thread.
#ifndef MORVANE_TOOLS_MKEFFECT_EFFECT_DESCRIPTION_H
#define MORVANE_TOOLS_MKEFFECT_EFFECT_DESCRIPTION_H

#include <cstdint>
#include <vector>

#include "tools/effectc/effect_writer.h"

namespace mkeffect {

fxc::EffectDesc ProgramEffect();
std::vector<uint8_t> CompileProgramEffect();

}  // namespace mkeffect

#endif  // MORVANE_TOOLS_MKEFFECT_EFFECT_DESCRIPTION_H
