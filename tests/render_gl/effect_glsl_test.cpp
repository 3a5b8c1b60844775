// The GLSL form of each of the twelve vertex programs against its C++ form:
// the same vertices and constants through both, the GLSL form run by the GL
// driver (Mesa's llvmpipe here) with transform feedback, every output
// component compared. Vertices are random plus the edge cases: zero normals,
// palette indices outside the palette (negative, past the end, huge, NaN),
// fractional indices, first weights of zero, later weights of zero or below;
// constants are random, with morphing weights of 0, 1 and between, and a
// specular power of 0.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "render/effect_source.h"
#include "support/egl_context.h"

namespace {

using effect_source::kPrograms;
using raster::Float4;
using raster::VertexInput;
using raster::VertexOutput;

// Agreement: |gl - cpu| <= kRelative * |cpu|, or <= kFloor where |cpu| is
// below kFloor / kRelative = 0.1 (values near zero come out of cancelling
// sums, where the last bits differ with the order and fusing of the
// operations).
constexpr double kRelative = 1e-5;
constexpr double kFloor = 1e-6;

constexpr int kOutputs = 4;  // position, colour 0, texture coordinates 0 and 1
const char* const kOutputNames[kOutputs] = {"position", "color0", "texcoord0", "texcoord1"};

float Uniform(std::mt19937& rng, float lo, float hi) {
  return std::uniform_real_distribution<float>(lo, hi)(rng);
}
Float4 Random4(std::mt19937& rng, float lo, float hi) {
  return {Uniform(rng, lo, hi), Uniform(rng, lo, hi), Uniform(rng, lo, hi), Uniform(rng, lo, hi)};
}

// Registers as the effect framework uploads them, every parameter random.
std::vector<Float4> RandomConstants(std::mt19937& rng) {
  using namespace effect_source;
  std::vector<Float4> c(raster::kConstantRegisters, Float4{0, 0, 0, 0});
  for (int k = 0; k < 4; ++k) c[kRegWorldViewProjection + k] = Random4(rng, -1.5f, 1.5f);
  c[kRegDiffuse] = Random4(rng, 0.0f, 1.0f);
  c[kRegSurfaceParam] = {Uniform(rng, 0.0f, 0.5f), Uniform(rng, 0.0f, 2.0f),
                         Uniform(rng, 1.0f, 40.0f), Uniform(rng, 0.0f, 0.2f)};
  c[kRegCameraPosition] = Random4(rng, -5.0f, 5.0f);
  c[kRegAmbientLightColor] = Random4(rng, 0.0f, 0.5f);
  c[kRegLight1Direction] = Random4(rng, -1.0f, 1.0f);
  c[kRegLight1Color] = Random4(rng, 0.0f, 1.0f);
  c[kRegLight2Direction] = Random4(rng, -1.0f, 1.0f);
  c[kRegLight2Color] = Random4(rng, 0.0f, 1.0f);
  c[kRegMorphingWeight] = Random4(rng, 0.0f, 1.0f);
  for (int i = 0; i < 3 * kPaletteSize; ++i) {
    const Float4 column = Random4(rng, -1.0f, 1.0f);
    c[kRegBlendMatrix + i] = {column.x, column.y, column.z, Uniform(rng, -2.0f, 2.0f)};
  }
  // Registers past the effect's hold garbage a program must not read.
  for (int i = kEffectConstantRegisters; i < raster::kConstantRegisters; ++i)
    c[i] = Random4(rng, -100.0f, 100.0f);
  return c;
}

// The constant sets each program runs with: random, then with the morphing
// weights at 0, at 1 and mixed, and one with a specular power of 0.
std::vector<std::vector<Float4>> ConstantSets(std::mt19937& rng) {
  using namespace effect_source;
  std::vector<std::vector<Float4>> sets;
  for (int i = 0; i < 5; ++i) sets.push_back(RandomConstants(rng));
  sets[1][kRegMorphingWeight] = {0, 0, 0, 0};
  sets[2][kRegMorphingWeight] = {1, 1, 1, 1};
  sets[3][kRegMorphingWeight] = {0, 1, 0.5f, 0};
  sets[4][kRegSurfaceParam].z = 0.0f;
  return sets;
}

VertexInput RandomVertex(std::mt19937& rng) {
  VertexInput v;
  for (int u = 0; u < VertexInput::kUsageIndices; ++u) {
    v.position[u] = Random4(rng, -2.0f, 2.0f);
    v.normal[u] = Random4(rng, -1.0f, 1.0f);
    v.color[u] = Random4(rng, 0.0f, 1.0f);
    v.texcoord[u] = Random4(rng, -2.0f, 2.0f);
    v.blendIndices[u] = Random4(rng, 0.0f, static_cast<float>(effect_source::kPaletteSize));
    v.blendWeight[u] = Random4(rng, -0.25f, 1.0f);
  }
  return v;
}

std::vector<VertexInput> Vertices(std::mt19937& rng) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<VertexInput> vertices;
  for (int i = 0; i < 400; ++i) vertices.push_back(RandomVertex(rng));
  // Edge cases, each on a random vertex.
  const Float4 indexCases[] = {{-1, 0, 1, 2},
                               {-0.5f, 74.999f, 75, 76},
                               {1e9f, -1e9f, 3, 4},
                               {nan, 5, nan, 6},
                               {0, 0.999f, 73.5f, 74}};
  for (const Float4& indices : indexCases) {
    VertexInput v = RandomVertex(rng);
    v.blendIndices[0] = indices;
    v.blendWeight[0] = {0.4f, 0.3f, 0.2f, 0.1f};
    vertices.push_back(v);
  }
  const Float4 weightCases[] = {
      {0, 0.5f, 0.5f, 0}, {1, 0, 0, 0}, {1, -1, -0.5f, 0}, {0, 0, 0, 0}, {-0.5f, 1, 0.5f, nan}};
  for (const Float4& weights : weightCases) {
    VertexInput v = RandomVertex(rng);
    v.blendWeight[0] = weights;
    vertices.push_back(v);
  }
  for (int i = 0; i < 4; ++i) {
    VertexInput v = RandomVertex(rng);
    if (i & 1) v.normal[0] = {0, 0, 0, 0};
    if (i & 2) v.normal[1] = {0, 0, 0, 0};
    vertices.push_back(v);
  }
  {
    // All influences outside the palette: the skinned normal is zero too.
    VertexInput v = RandomVertex(rng);
    v.blendIndices[0] = {-3, 80, 200, -1};
    vertices.push_back(v);
  }
  return vertices;
}

// The value of input `input` of a program for vertex v.
Float4 InputValue(const VertexInput& v, const d3d9::VertexProgramInput& input) {
  const int u = input.usageIndex;
  switch (input.usage) {
    case D3DDECLUSAGE_POSITION: return v.position[u];
    case D3DDECLUSAGE_NORMAL: return v.normal[u];
    case D3DDECLUSAGE_COLOR: return v.color[u];
    case D3DDECLUSAGE_TEXCOORD: return v.texcoord[u];
    case D3DDECLUSAGE_BLENDINDICES: return v.blendIndices[u];
    case D3DDECLUSAGE_BLENDWEIGHT: return v.blendWeight[u];
    default: return {0, 0, 0, 1};
  }
}

// As the software device gathers it: usages outside the program's inputs
// read (0, 0, 0, 1).
VertexInput Gathered(const VertexInput& v, const d3d9::VertexProgramInfo& program) {
  VertexInput in;
  const Float4 absent = {0, 0, 0, 1};
  for (int u = 0; u < VertexInput::kUsageIndices; ++u)
    in.position[u] = in.normal[u] = in.color[u] = in.texcoord[u] = in.blendIndices[u] =
        in.blendWeight[u] = absent;
  for (int i = 0; i < program.inputCount; ++i) {
    const d3d9::VertexProgramInput& input = program.inputs[i];
    const Float4 value = InputValue(v, input);
    const int u = input.usageIndex;
    switch (input.usage) {
      case D3DDECLUSAGE_POSITION: in.position[u] = value; break;
      case D3DDECLUSAGE_NORMAL: in.normal[u] = value; break;
      case D3DDECLUSAGE_COLOR: in.color[u] = value; break;
      case D3DDECLUSAGE_TEXCOORD: in.texcoord[u] = value; break;
      case D3DDECLUSAGE_BLENDINDICES: in.blendIndices[u] = value; break;
      case D3DDECLUSAGE_BLENDWEIGHT: in.blendWeight[u] = value; break;
      default: break;
    }
  }
  return in;
}

std::string ShaderLog(GLuint shader) {
  char log[4096] = {};
  glGetShaderInfoLog(shader, sizeof log, nullptr, log);
  return log;
}
std::string ProgramLog(GLuint program) {
  char log[4096] = {};
  glGetProgramInfoLog(program, sizeof log, nullptr, log);
  return log;
}

// Builds `source` as a vertex-only program whose four outputs are captured
// with transform feedback; 0 with the reason in `error` on failure.
GLuint BuildCapture(const char* source, std::string* error) {
  const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (!status) {
    *error = "compile: " + ShaderLog(shader);
    glDeleteShader(shader);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, shader);
  const char* varyings[kOutputs] = {"gl_Position", "vColor0", "vTexcoord0", "vTexcoord1"};
  glTransformFeedbackVaryings(program, kOutputs, varyings, GL_INTERLEAVED_ATTRIBS);
  glLinkProgram(program);
  glDeleteShader(shader);
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  if (!status) {
    *error = "link: " + ProgramLog(program);
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

// Runs the GLSL form over `vertices`: per vertex the four outputs.
std::vector<VertexOutput> RunGlsl(GLuint program, const d3d9::VertexProgramInfo& info,
                                  const std::vector<VertexInput>& vertices,
                                  const std::vector<Float4>& constants) {
  std::vector<Float4> attributes;
  for (const VertexInput& v : vertices)
    for (int i = 0; i < info.inputCount; ++i) attributes.push_back(InputValue(v, info.inputs[i]));
  GLuint vao = 0, buffers[2] = {};
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(2, buffers);
  glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(attributes.size() * sizeof(Float4)),
               attributes.data(), GL_STATIC_DRAW);
  const GLsizei stride = static_cast<GLsizei>(info.inputCount * sizeof(Float4));
  for (int i = 0; i < info.inputCount; ++i) {
    glEnableVertexAttribArray(static_cast<GLuint>(i));
    glVertexAttribPointer(static_cast<GLuint>(i), 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(i * sizeof(Float4)));
  }
  const GLsizeiptr captured = static_cast<GLsizeiptr>(vertices.size() * sizeof(VertexOutput));
  glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffers[1]);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, captured, nullptr, GL_STATIC_READ);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[1]);

  glUseProgram(program);
  glUniform4fv(glGetUniformLocation(program, "c"), raster::kConstantRegisters, &constants[0].x);
  glEnable(GL_RASTERIZER_DISCARD);
  glBeginTransformFeedback(GL_POINTS);
  glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(vertices.size()));
  glEndTransformFeedback();
  glDisable(GL_RASTERIZER_DISCARD);

  std::vector<VertexOutput> out(vertices.size());
  const void* mapped = glMapBufferRange(GL_TRANSFORM_FEEDBACK_BUFFER, 0, captured, GL_MAP_READ_BIT);
  if (mapped != nullptr) {
    std::memcpy(out.data(), mapped, static_cast<size_t>(captured));
    glUnmapBuffer(GL_TRANSFORM_FEEDBACK_BUFFER);
  } else {
    out.clear();
  }
  glDeleteBuffers(2, buffers);
  glDeleteVertexArrays(1, &vao);
  return out;
}

VertexOutput RunCpp(const d3d9::VertexProgramInfo& program, const VertexInput& v,
                    const std::vector<Float4>& constants) {
  VertexOutput out;
  out.position = {0, 0, 0, 1};
  out.color0 = {1, 1, 1, 1};
  out.texcoord[0] = out.texcoord[1] = {0, 0, 0, 1};
  program.program(Gathered(v, program), constants.data(), &out, program.user);
  return out;
}

// The largest differences seen per output: relative where |cpu| is above
// the floor's reach, absolute below it.
struct Errors {
  double relative[kOutputs] = {};
  double absolute[kOutputs] = {};
};

// Whether gl matches cpu; updates `errors`.
bool Agree(float gl, float cpu, int output, Errors* errors) {
  if (std::isnan(cpu) || std::isnan(gl)) return std::isnan(cpu) && std::isnan(gl);
  if (std::isinf(cpu) || std::isinf(gl)) return gl == cpu;
  const double difference = std::fabs(double(gl) - double(cpu));
  const double magnitude = std::fabs(double(cpu));
  if (magnitude * kRelative > kFloor) {
    errors->relative[output] = std::max(errors->relative[output], difference / magnitude);
    return difference <= kRelative * magnitude;
  }
  errors->absolute[output] = std::max(errors->absolute[output], difference);
  return difference <= kFloor;
}

class EffectGlslTest : public ::testing::TestWithParam<int> {};

TEST_P(EffectGlslTest, GlslFormComputesWhatTheCppFormComputes) {
  // Both forms as the device receives them: through the program registry.
  const effect_source::Program& program = kPrograms[GetParam()];
  ASSERT_EQ(RegisterEffectPrograms(), 0);
  const d3d9::VertexProgramInfo* registered = d3d9::FindVertexProgram(program.name);
  ASSERT_NE(registered, nullptr);
  ASSERT_EQ(registered->program, program.function);
  const char* source = registered->glsl;
  ASSERT_NE(source, nullptr) << program.name;
  EXPECT_EQ(std::strncmp(source, "#version 330 core\n", 18), 0);

  testing_gl::EglContext context;
  ASSERT_TRUE(context.ok()) << context.error();
  std::string error;
  const GLuint capture = BuildCapture(source, &error);
  ASSERT_NE(capture, 0u) << program.name << " " << error << "\n" << source;

  std::mt19937 rng(1234u + static_cast<unsigned>(GetParam()));
  const std::vector<VertexInput> vertices = Vertices(rng);
  Errors errors;
  int mismatches = 0;
  const auto sets = ConstantSets(rng);
  for (size_t set = 0; set < sets.size(); ++set) {
    const std::vector<VertexOutput> gl = RunGlsl(capture, *registered, vertices, sets[set]);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ASSERT_EQ(gl.size(), vertices.size());
    for (size_t i = 0; i < vertices.size(); ++i) {
      const VertexOutput cpu = RunCpp(*registered, vertices[i], sets[set]);
      const Float4* want[kOutputs] = {&cpu.position, &cpu.color0, &cpu.texcoord[0],
                                      &cpu.texcoord[1]};
      const Float4* got[kOutputs] = {&gl[i].position, &gl[i].color0, &gl[i].texcoord[0],
                                     &gl[i].texcoord[1]};
      for (int o = 0; o < kOutputs; ++o) {
        const float* w = &want[o]->x;
        const float* g = &got[o]->x;
        for (int k = 0; k < 4; ++k) {
          if (Agree(g[k], w[k], o, &errors)) continue;
          if (++mismatches <= 10)
            ADD_FAILURE() << program.name << " constants " << set << " vertex " << i << " "
                          << kOutputNames[o] << "[" << k << "]: GLSL " << g[k] << ", C++ " << w[k];
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  glDeleteProgram(capture);
  for (int o = 0; o < kOutputs; ++o)
    std::printf("%-16s %-9s largest relative %.3g, largest absolute near zero %.3g\n", program.name,
                kOutputNames[o], errors.relative[o], errors.absolute[o]);
}

// Named Gl/...: the tests that run on the GL driver carry the label gl.
INSTANTIATE_TEST_SUITE_P(Gl, EffectGlslTest, ::testing::Range(0, 12),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kPrograms[info.param].name);
                         });

}  // namespace
