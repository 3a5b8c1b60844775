// Converts the renderer's constant tables into the writer's description.
#include "tools/mkeffect/effect_description.h"

#include "render/effect_source.h"

namespace mkeffect {
namespace {

fxc::ParamType TypeOf(effect_source::ParamType t) {
  switch (t) {
    case effect_source::ParamType::Float3: return fxc::ParamType::Float3;
    case effect_source::ParamType::Float4: return fxc::ParamType::Float4;
    case effect_source::ParamType::Float4x3: return fxc::ParamType::Float4x3;
    case effect_source::ParamType::Float4x4: return fxc::ParamType::Float4x4;
    case effect_source::ParamType::Texture: return fxc::ParamType::Texture;
    case effect_source::ParamType::Sampler: break;
  }
  return fxc::ParamType::Sampler;
}

}  // namespace

fxc::EffectDesc ProgramEffect() {
  fxc::EffectDesc desc;
  for (const effect_source::Parameter& p : effect_source::kParameters) {
    fxc::ParameterDesc d;
    d.name = p.name;
    d.type = TypeOf(p.type);
    d.elements = static_cast<uint32_t>(p.elements);
    d.firstRegister = p.firstRegister < 0 ? 0u : static_cast<uint32_t>(p.firstRegister);
    if (p.type == effect_source::ParamType::Sampler) {
      d.sampler.texture = p.sampler.texture;
      d.sampler.minFilter = p.sampler.minFilter;
      d.sampler.magFilter = p.sampler.magFilter;
      d.sampler.mipFilter = p.sampler.mipFilter;
      d.sampler.addressU = p.sampler.addressU;
      d.sampler.addressV = p.sampler.addressV;
    }
    desc.parameters.push_back(std::move(d));
  }
  for (const effect_source::Technique& t : effect_source::kTechniques) {
    fxc::TechniqueDesc technique;
    technique.name = t.name;
    for (int i = 0; i < t.passCount; ++i) {
      const effect_source::Pass& p = t.passes[i];
      fxc::PassDesc pass;
      pass.name = p.name;
      pass.vertexProgram = p.vertexProgram;
      for (int s = 0; s < p.samplerCount; ++s)
        pass.samplers.push_back(
            {static_cast<uint32_t>(p.samplers[s].stage), p.samplers[s].sampler});
      technique.passes.push_back(std::move(pass));
    }
    desc.techniques.push_back(std::move(technique));
  }
  return desc;
}

std::vector<uint8_t> CompileProgramEffect() { return fxc::WriteEffect(ProgramEffect()); }

}  // namespace mkeffect
