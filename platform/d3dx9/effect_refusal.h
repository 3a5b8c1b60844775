// Internal to platform/d3dx9: why the last effect call was refused
// (D3DXCreateEffect's parse fault, ValidateTechnique's reason). The first
// refusal of a process is also printed as one line on stderr; tests read
// every one through testing_hooks::LastEffectRefusal. Main thread.
#ifndef MORVANE_PLATFORM_D3DX9_EFFECT_REFUSAL_H
#define MORVANE_PLATFORM_D3DX9_EFFECT_REFUSAL_H

#include <string>

namespace d3dx9 {

void RecordEffectRefusal(std::string reason);

}  // namespace d3dx9

#endif  // MORVANE_PLATFORM_D3DX9_EFFECT_REFUSAL_H
