// The GL device's draws: Direct3D 9's render states as GL state, the
// stage-0 texture, pre-transformed sprites and programmed triangles.
#include <d3d9.h>

#include "d3d9/buffers.h"
#include "d3d9/gl_device_impl.h"
#include "d3d9/texture.h"
#include "raster/vertex.h"

namespace d3d9 {

namespace {

GLenum GlCompare(raster::Compare c) {
  static constexpr GLenum kMap[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                    GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return kMap[static_cast<int>(c)];
}

// The back buffer has no alpha channel: destination alpha reads as 1.
GLenum GlBlend(raster::BlendFactor f) {
  switch (f) {
    case raster::BlendFactor::kZero: return GL_ZERO;
    case raster::BlendFactor::kOne: return GL_ONE;
    case raster::BlendFactor::kSrcColor: return GL_SRC_COLOR;
    case raster::BlendFactor::kInvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case raster::BlendFactor::kSrcAlpha: return GL_SRC_ALPHA;
    case raster::BlendFactor::kInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case raster::BlendFactor::kDestAlpha: return GL_ONE;
    case raster::BlendFactor::kInvDestAlpha: return GL_ZERO;
    case raster::BlendFactor::kDestColor: return GL_DST_COLOR;
    case raster::BlendFactor::kInvDestColor: return GL_ONE_MINUS_DST_COLOR;
  }
  return GL_ONE;
}

// The fixed-function states of a draw. GL's row y is the back buffer's row
// y (the picture is stored top row first), so GL sees every triangle
// mirrored: clockwise on screen is counter-clockwise to GL.
void ApplyState(const GlDevice::Impl& g, const raster::State& s, bool screen) {
  glBindFramebuffer(GL_FRAMEBUFFER, g.framebuffer);
  const raster::Viewport& v = s.viewport;
  glEnable(GL_SCISSOR_TEST);
  glScissor(v.x, v.y, v.width, v.height);
  if (screen) {
    // Pre-transformed vertices are in target pixels, their z the depth
    // value itself: no near or far clipping.
    glViewport(0, 0, g.width, g.height);
    glDepthRange(0.0, 1.0);
    glEnable(GL_DEPTH_CLAMP);
  } else {
    glViewport(v.x, v.y, v.width, v.height);
    glDepthRange(v.minZ, v.maxZ);
    glDisable(GL_DEPTH_CLAMP);
  }
  // D3DCULL_CCW removes triangles counter-clockwise on screen.
  if (s.cull == raster::CullMode::kNone) {
    glDisable(GL_CULL_FACE);
  } else {
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(s.cull == raster::CullMode::kCounterClockwise ? GL_BACK : GL_FRONT);
  }
  if (s.depthEnable && g.depth != 0) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GlCompare(s.depthFunc));
    glDepthMask(s.depthWrite ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);  // also no depth write, as in Direct3D
  }
  if (s.blendEnable) {
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GlBlend(s.srcBlend), GlBlend(s.dstBlend));
  } else {
    glDisable(GL_BLEND);
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (s.multisampleAntialias)
    glEnable(GL_MULTISAMPLE);
  else
    glDisable(GL_MULTISAMPLE);
}

// Binds the GL copy of level 0 of `texture` (made again after the
// application wrote it) with the draw's sampler states, or no texture.
void BindTexture(GlDevice::Impl& g, const Texture* texture, const raster::State& s) {
  glActiveTexture(GL_TEXTURE0);
  if (texture == nullptr) {
    glBindTexture(GL_TEXTURE_2D, 0);
    return;
  }
  GlCopy& copy = g.textures[static_cast<const IDirect3DTexture9*>(texture)];
  if (copy.name == 0) {
    glGenTextures(1, &copy.name);
    copy.revision = texture->revision() + 1;
  }
  glBindTexture(GL_TEXTURE_2D, copy.name);
  if (copy.revision != texture->revision()) {
    const raster::Texture level = s.texture;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, level.pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, level.width, level.height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, level.texels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    copy.revision = texture->revision();
  }
  const auto filter = [](raster::Filter f) {
    return f == raster::Filter::kLinear ? GL_LINEAR : GL_NEAREST;
  };
  const auto wrap = [](raster::Address a) {
    return a == raster::Address::kClamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
  };
  glSamplerParameteri(g.sampler, GL_TEXTURE_MIN_FILTER, filter(s.sampler.minFilter));
  glSamplerParameteri(g.sampler, GL_TEXTURE_MAG_FILTER, filter(s.sampler.magFilter));
  glSamplerParameteri(g.sampler, GL_TEXTURE_WRAP_S, wrap(s.sampler.addressU));
  glSamplerParameteri(g.sampler, GL_TEXTURE_WRAP_T, wrap(s.sampler.addressV));
}

// The GL copy of a vertex buffer, made again after the application wrote it.
GLuint BufferCopy(GlDevice::Impl& g, const VertexBuffer* buffer) {
  GlCopy& copy = g.buffers[static_cast<const IDirect3DVertexBuffer9*>(buffer)];
  const BufferBytes& bytes = buffer->bytes();
  if (copy.name == 0) {
    glGenBuffers(1, &copy.name);
    copy.revision = bytes.revision() + 1;
  }
  glBindBuffer(GL_ARRAY_BUFFER, copy.name);
  if (copy.revision != bytes.revision()) {
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes.size()), bytes.data(),
                 GL_STATIC_DRAW);
    copy.revision = bytes.revision();
  }
  return copy.name;
}

bool SameUsage(BYTE d3dUsage, raster::Usage usage) {
  switch (d3dUsage) {
    case D3DDECLUSAGE_POSITION: return usage == raster::Usage::kPosition;
    case D3DDECLUSAGE_NORMAL: return usage == raster::Usage::kNormal;
    case D3DDECLUSAGE_COLOR: return usage == raster::Usage::kColor;
    case D3DDECLUSAGE_TEXCOORD: return usage == raster::Usage::kTexcoord;
    case D3DDECLUSAGE_BLENDINDICES: return usage == raster::Usage::kBlendIndices;
    case D3DDECLUSAGE_BLENDWEIGHT: return usage == raster::Usage::kBlendWeight;
    default: return false;
  }
}

// Input `location` from element `e` of the declaration, for vertices from
// `first` on.
void PointAttribute(GlDevice::Impl& g, GLuint location, const raster::VertexElement& e,
                    const GlIndexedDraw& d, int64_t first) {
  const raster::VertexStream& stream = d.source->streams[e.stream];
  const VertexBuffer* buffer = d.streams[e.stream];
  BufferCopy(g, buffer);
  const size_t streamOffset = static_cast<size_t>(stream.data - buffer->bytes().data());
  const size_t offset = streamOffset + static_cast<size_t>(first) * stream.stride + e.offset;
  const auto* at = reinterpret_cast<const void*>(offset);
  const auto stride = static_cast<GLsizei>(stream.stride);
  glEnableVertexAttribArray(location);
  switch (e.type) {
    case raster::ElementType::kFloat1:
    case raster::ElementType::kFloat2:
    case raster::ElementType::kFloat3:
    case raster::ElementType::kFloat4:
      glVertexAttribPointer(location, static_cast<int>(e.type) + 1, GL_FLOAT, GL_FALSE, stride, at);
      return;
    case raster::ElementType::kColor:  // bytes B, G, R, A in memory
      glVertexAttribPointer(location, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, at);
      return;
    case raster::ElementType::kUByte4:
      glVertexAttribPointer(location, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at);
      return;
  }
}

// GL 3.3 offers at least 16 vertex attributes.
constexpr int kMaxInputs = 16;

void DisableAttributes(int from) {
  for (int i = from; i < kMaxInputs; ++i) glDisableVertexAttribArray(static_cast<GLuint>(i));
}

}  // namespace

bool GlDevice::DrawScreen(const raster::State& state, const Texture* texture,
                          raster::Topology topology, const raster::ScreenVertex* vertices,
                          size_t vertexCount, uint32_t primitiveCount) {
  Impl& g = *impl_;
  const uint64_t needed = raster::VerticesNeeded(topology, primitiveCount);
  if (needed > vertexCount || (needed > 0 && vertices == nullptr)) return false;
  g.context->MakeCurrent();
  glUseProgram(g.screenProgram.program);
  if (!SetPixelUniforms(g.screenProgram, state)) return false;
  // As a list; triangles with a non-positive rhw have no perspective
  // meaning and are dropped, as the CPU device drops them.
  g.screenVertices.clear();
  for (uint32_t k = 0; k < primitiveCount; ++k) {
    uint32_t idx[3] = {};
    raster::PrimitiveVertices(topology, k, idx);
    if (!(vertices[idx[0]].rhw > 0.0f && vertices[idx[1]].rhw > 0.0f &&
          vertices[idx[2]].rhw > 0.0f))
      continue;
    for (uint32_t i : idx) g.screenVertices.push_back(vertices[i]);
  }
  if (g.screenVertices.empty()) return true;
  ApplyState(g, state, true);
  BindTexture(g, texture, state);
  glUniform2f(g.screenProgram.pixelStep, 2.0f / static_cast<float>(g.width),
              2.0f / static_cast<float>(g.height));

  glBindBuffer(GL_ARRAY_BUFFER, g.streamBuffer);
  glBufferData(GL_ARRAY_BUFFER,
               static_cast<GLsizeiptr>(g.screenVertices.size() * sizeof(raster::ScreenVertex)),
               g.screenVertices.data(), GL_STREAM_DRAW);
  constexpr GLsizei kStride = sizeof(raster::ScreenVertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, kStride, nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, kStride,
                        reinterpret_cast<const void*>(16));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kStride, reinterpret_cast<const void*>(20));
  DisableAttributes(3);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(g.screenVertices.size()));
  return true;
}

bool GlDevice::DrawIndexed(const raster::State& state, const Texture* texture,
                           const GlIndexedDraw& d) {
  Impl& g = *impl_;
  const raster::IndexedDraw& draw = *d.draw;
  const VertexProgramInfo& info = *d.program;
  if (info.glsl == nullptr || d.constants == nullptr || info.inputCount > kMaxInputs) return false;
  const uint64_t needed = raster::VerticesNeeded(draw.topology, draw.primitiveCount);
  if (needed > 0 && (draw.indices == nullptr || draw.startIndex + needed > draw.indexCount))
    return false;
  const int64_t first = int64_t{draw.baseVertex} + draw.minIndex;
  if (!raster::ValidateVertexSource(*d.source, first, draw.numVertices)) return false;
  g.context->MakeCurrent();
  auto found = g.programs.find(info.glsl);
  if (found == g.programs.end()) {
    GlProgram program;
    std::string failure;
    if (!BuildVertexProgram(info.glsl, &program, &failure)) return false;
    found = g.programs.emplace(info.glsl, program).first;
  }
  const GlProgram& program = found->second;
  glUseProgram(program.program);
  if (!SetPixelUniforms(program, state)) return false;
  if (needed == 0 || draw.numVertices == 0) return true;

  // Triangles whose indices leave minIndex..minIndex+numVertices-1 are
  // skipped; the rest become a list relative to the first vertex.
  g.triangles.clear();
  const uint16_t* indices = draw.indices + draw.startIndex;
  for (uint32_t k = 0; k < draw.primitiveCount; ++k) {
    uint32_t pos[3] = {}, v[3] = {};
    raster::PrimitiveVertices(draw.topology, k, pos);
    bool valid = true;
    for (int j = 0; j < 3; ++j) {
      v[j] = static_cast<uint32_t>(indices[pos[j]]) - draw.minIndex;
      valid = valid && v[j] < draw.numVertices;
    }
    if (!valid) continue;
    for (uint32_t i : v) g.triangles.push_back(static_cast<uint16_t>(i));
  }
  if (g.triangles.empty()) return true;

  ApplyState(g, state, false);
  BindTexture(g, texture, state);
  glUniform2f(program.pixelStep, 2.0f / static_cast<float>(state.viewport.width),
              2.0f / static_cast<float>(state.viewport.height));
  const int registers = info.constantRegisters < raster::kConstantRegisters
                            ? info.constantRegisters
                            : raster::kConstantRegisters;
  if (program.constants >= 0 && registers > 0)
    glUniform4fv(program.constants, registers, &d.constants[0].x);

  // Input i of the program is attribute i; one the declaration lacks, or a
  // stream of stride 0, reads one value for every vertex.
  raster::VertexInput constant;
  raster::GatherVertex(*d.source, static_cast<uint32_t>(first), &constant);
  for (int i = 0; i < info.inputCount; ++i) {
    const VertexProgramInput& in = info.inputs[i];
    const auto location = static_cast<GLuint>(i);
    const raster::VertexElement* element = nullptr;
    for (int e = 0; e < d.source->elementCount; ++e) {
      const raster::VertexElement& el = d.source->elements[e];
      if (SameUsage(in.usage, el.usage) && el.usageIndex == in.usageIndex) element = &el;
    }
    if (element != nullptr && d.source->streams[element->stream].stride != 0) {
      PointAttribute(g, location, *element, d, first);
      continue;
    }
    glDisableVertexAttribArray(location);
    raster::Float4 value{0.0f, 0.0f, 0.0f, 1.0f};
    if (element != nullptr && in.usageIndex < raster::VertexInput::kUsageIndices) {
      const raster::Float4* registers = nullptr;
      switch (element->usage) {
        case raster::Usage::kPosition: registers = constant.position; break;
        case raster::Usage::kNormal: registers = constant.normal; break;
        case raster::Usage::kColor: registers = constant.color; break;
        case raster::Usage::kTexcoord: registers = constant.texcoord; break;
        case raster::Usage::kBlendIndices: registers = constant.blendIndices; break;
        case raster::Usage::kBlendWeight: registers = constant.blendWeight; break;
      }
      value = registers[in.usageIndex];
    }
    glVertexAttrib4f(location, value.x, value.y, value.z, value.w);
  }
  DisableAttributes(info.inputCount);

  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, g.indexBuffer);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER,
               static_cast<GLsizeiptr>(g.triangles.size() * sizeof(uint16_t)), g.triangles.data(),
               GL_STREAM_DRAW);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(g.triangles.size()), GL_UNSIGNED_SHORT,
                 nullptr);
  return true;
}

}  // namespace d3d9
