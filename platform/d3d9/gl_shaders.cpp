// The GL device's shaders and the uniforms of stage 0 and the alpha test.
#include "d3d9/gl_shaders.h"

#include <cstring>
#include <vector>

#include "raster/pixel.h"

namespace d3d9 {

namespace {

// Stage 0 as the CPU device computes it: inputs rounded to bytes, modulate
// as round(a * b / 255), an operation reading an absent texture passing the
// diffuse colour on (decided on the CPU into `op`), then the alpha test on
// the alpha byte. op = (modulate, arg1 is the texture, arg2 is the texture).
constexpr const char* kFragmentShader = R"(#version 330 core
in vec4 morvaneColor;
in vec4 vTexcoord0;
in vec4 vTexcoord1;
uniform sampler2D morvaneTexture;
uniform ivec3 morvaneColorOp;
uniform ivec3 morvaneAlphaOp;
uniform int morvaneTexcoordIndex;
uniform int morvaneAlphaFunc;  // -1: no alpha test, else the raster::Compare value
uniform float morvaneAlphaRef;
out vec4 morvaneOut;

vec4 Bytes(vec4 v) { return floor(clamp(v, 0.0, 1.0) * 255.0 + 0.5); }

vec4 Stage(ivec3 op, vec4 diffuse, vec4 texel) {
  vec4 a = op.y != 0 ? texel : diffuse;
  if (op.x == 0) return a;
  vec4 b = op.z != 0 ? texel : diffuse;
  return floor(a * b / 255.0 + 0.5);
}

bool Passes(int f, float a, float r) {
  if (f == 0) return false;
  if (f == 1) return a < r;
  if (f == 2) return a == r;
  if (f == 3) return a <= r;
  if (f == 4) return a > r;
  if (f == 5) return a != r;
  if (f == 6) return a >= r;
  return true;
}

void main() {
  vec4 diffuse = Bytes(morvaneColor);
  vec2 uv = morvaneTexcoordIndex == 0 ? vTexcoord0.xy : vTexcoord1.xy;
  vec4 texel = Bytes(texture(morvaneTexture, uv));
  vec3 rgb = Stage(morvaneColorOp, diffuse, texel).rgb;
  float alpha = Stage(morvaneAlphaOp, diffuse, texel).a;
  if (morvaneAlphaFunc >= 0 && !Passes(morvaneAlphaFunc, alpha, morvaneAlphaRef)) discard;
  morvaneOut = vec4(rgb, alpha) / 255.0;
}
)";

// Pre-transformed vertices: x, y in target pixels (centres at integers, y
// down like GL's rows here), z the depth value, rhw = 1/w for
// perspective-correct attributes.
constexpr const char* kScreenVertexShader = R"(#version 330 core
layout(location = 0) in vec4 morvanePosition;
layout(location = 1) in vec4 morvaneDiffuse;
layout(location = 2) in vec2 morvaneTexcoord;
uniform vec2 morvanePixelStep;
out vec4 morvaneColor;
out vec4 vTexcoord0;
out vec4 vTexcoord1;
void main() {
  float w = 1.0 / morvanePosition.w;
  vec2 ndc = (morvanePosition.xy + 0.5) * morvanePixelStep - 1.0;
  gl_Position = vec4(ndc * w, (2.0 * morvanePosition.z - 1.0) * w, w);
  morvaneColor = morvaneDiffuse;
  vTexcoord0 = vec4(morvaneTexcoord, 0.0, 1.0);
  vTexcoord1 = vTexcoord0;
}
)";

// Appended to a program's GLSL form, whose main was renamed: colour 0
// clamped before interpolation; the half-pixel step puts Direct3D's pixel
// centres (integers) on GL's (half-integers), y is negated (GL's row 0 is
// the top row here), and z from 0..w becomes -w..w.
constexpr const char* kProgramMain = R"(
#undef main
uniform vec2 morvanePixelStep;
out vec4 morvaneColor;
void main() {
  morvane_program();
  morvaneColor = clamp(vColor0, 0.0, 1.0);
  vec4 p = gl_Position;
  gl_Position = vec4(p.x + p.w * 0.5 * morvanePixelStep.x, p.w * 0.5 * morvanePixelStep.y - p.y,
                     2.0 * p.z - p.w, p.w);
}
)";

// The first line of a compiler or linker log.
std::string FirstLine(const std::vector<char>& log) {
  std::string s(log.data());
  const size_t end = s.find('\n');
  return end == std::string::npos ? s : s.substr(0, end);
}

GLuint Compile(GLenum type, const std::string& source, std::string* failure) {
  GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE && !GlShaderCompileForcedToFail()) return shader;
  if (ok == GL_TRUE) {
    *failure = "shader compilation refused by a test hook";
  } else {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length) + 1, '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    *failure = "shader does not compile: " + FirstLine(log);
  }
  glDeleteShader(shader);
  return 0;
}

bool Link(const std::string& vertexSource, GlProgram* out, std::string* failure) {
  const GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource, failure);
  if (vs == 0) return false;
  const GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader, failure);
  if (fs == 0) {
    glDeleteShader(vs);
    return false;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<size_t>(length) + 1, '\0');
    glGetProgramInfoLog(program, length, nullptr, log.data());
    *failure = "shaders do not link: " + FirstLine(log);
    glDeleteProgram(program);
    return false;
  }
  GlProgram p;
  p.program = program;
  p.constants = glGetUniformLocation(program, "c");
  p.pixelStep = glGetUniformLocation(program, "morvanePixelStep");
  p.colorOp = glGetUniformLocation(program, "morvaneColorOp");
  p.alphaOp = glGetUniformLocation(program, "morvaneAlphaOp");
  p.texcoordIndex = glGetUniformLocation(program, "morvaneTexcoordIndex");
  p.alphaFunc = glGetUniformLocation(program, "morvaneAlphaFunc");
  p.alphaRef = glGetUniformLocation(program, "morvaneAlphaRef");
  p.texture = glGetUniformLocation(program, "morvaneTexture");
  glUseProgram(program);
  glUniform1i(p.texture, 0);
  *out = p;
  return true;
}

}  // namespace

bool BuildScreenProgram(GlProgram* out, std::string* failure) {
  return Link(kScreenVertexShader, out, failure);
}

bool BuildVertexProgram(const char* glsl, GlProgram* out, std::string* failure) {
  // The program's own #version line stays first; its main is renamed.
  const char* body = std::strchr(glsl, '\n');
  if (std::strncmp(glsl, "#version 330 core", 17) != 0 || body == nullptr) {
    *failure = "a vertex program's GLSL form must start with #version 330 core";
    return false;
  }
  std::string source = "#version 330 core\n#define main morvane_program\n#line 2\n";
  source += body + 1;
  source += kProgramMain;
  return Link(source, out, failure);
}

// Passes() in kFragmentShader numbers the functions as raster::Compare does.
using C = raster::Compare;
static_assert(static_cast<int>(C::kNever) == 0 && static_cast<int>(C::kLess) == 1 &&
              static_cast<int>(C::kEqual) == 2 && static_cast<int>(C::kLessEqual) == 3 &&
              static_cast<int>(C::kGreater) == 4 && static_cast<int>(C::kNotEqual) == 5 &&
              static_cast<int>(C::kGreaterEqual) == 6 && static_cast<int>(C::kAlways) == 7);

bool SetPixelUniforms(const GlProgram& program, const raster::State& state) {
  // Stage 0 decoded exactly as the CPU device decodes it.
  raster::PixelState ps;
  if (!raster::PreparePixelState(state, &ps)) return false;
  glUniform3i(program.colorOp, ps.color.modulate, ps.color.arg1Texture, ps.color.arg2Texture);
  glUniform3i(program.alphaOp, ps.alpha.modulate, ps.alpha.arg1Texture, ps.alpha.arg2Texture);
  glUniform1i(program.texcoordIndex, state.stage.texcoordIndex);
  glUniform1i(program.alphaFunc, state.alphaTestEnable ? static_cast<GLint>(state.alphaFunc) : -1);
  glUniform1f(program.alphaRef, static_cast<float>(state.alphaRef));
  return true;
}

}  // namespace d3d9
