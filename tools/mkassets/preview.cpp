// Previews for a person to look at: the sprite sheet over a checker board,
// the backdrop, and a contact sheet of the scene at 0, 4, ... 32 s drawn by a
// small z-buffered triangle filler of its own (vertex colours, the blend
// modes, no textures). The motions are posed by the renderer's own
// animation code; skinning follows the palette rules of the drawing.
#include <algorithm>
#include <array>
#include <cstring>

#include "assets.h"
#include "render/animation.h"
#include "scene/scene.h"

namespace mkassets {
namespace {

constexpr int kFrameW = 400, kFrameH = 300;

struct Frame {
  std::vector<mkart::Rgb> colour = std::vector<mkart::Rgb>(size_t(kFrameW) * kFrameH);
  std::vector<float> depth = std::vector<float>(size_t(kFrameW) * kFrameH, 1.0f);
};

// The scene's motions as the renderer's records.
void LoadMotions(const lmfw::SceneData& data, Scene* scene) {
  ResetScene(scene);
  scene->motionCount = static_cast<uint16_t>(data.motions.size());
  scene->motions = new Motion[scene->motionCount];
  for (size_t i = 0; i < data.motions.size(); ++i) {
    const lmfw::MotionData& d = data.motions[i];
    Motion& m = scene->motions[i];
    std::memcpy(&m.restInverse, d.restInverse, sizeof d.restInverse);
    m.pivot = D3DXVECTOR3(d.pivot[0], d.pivot[1], d.pivot[2]);
    m.parentNo = d.parentNo;
    for (int c = 0; c < kChannelCount; ++c) {
      m.channels[c].preBehavior = d.channels[c].preBehavior;
      m.channels[c].postBehavior = d.channels[c].postBehavior;
      m.channels[c].keyCount = static_cast<uint16_t>(d.channels[c].keys.size());
      if (m.channels[c].keyCount > 0) {
        m.channels[c].keys = new Key[m.channels[c].keyCount];
        std::copy(d.channels[c].keys.begin(), d.channels[c].keys.end(), m.channels[c].keys);
      }
    }
  }
  for (size_t i = 0; i < data.motions.size(); ++i) {
    Motion& m = scene->motions[i];
    m.parent = m.parentNo < scene->motionCount ? &scene->motions[m.parentNo] : nullptr;
  }
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

void LoadPalette(const Scene& scene, const lmfw::LayerData& layer,
                 std::array<D3DXMATRIX, kPaletteSlots>* palette) {
  const D3DXMATRIX own =
      layer.motionNo < scene.motionCount ? scene.motions[layer.motionNo].skinMatrix : Identity();
  if (layer.paletteSlot < kPaletteSlots) (*palette)[layer.paletteSlot] = own;
  for (const PaletteBinding& b : layer.bindings) {
    if (b.paletteSlot >= kPaletteSlots) continue;
    (*palette)[b.paletteSlot] =
        b.motionNo < scene.motionCount ? scene.motions[b.motionNo].skinMatrix : own;
  }
}

mkart::Rgb BlendPixel(int mode, const mkart::Rgb& d, const mkart::Rgb& s, double a) {
  auto f = [&](double dv, double sv) {
    switch (mode) {
      case 1: return dv + sv * a;
      case 2: return dv * sv;
      case 3: return sv * (1 - dv) + dv * (1 - sv);
      case 4: return sv + dv * (1 - sv);
      case 5: return dv * (1 - sv);
      case 6: return dv * (1 + sv);
      default: return sv * a + dv * (1 - a);
    }
  };
  return {std::min(1.0, f(d.r, s.r)), std::min(1.0, f(d.g, s.g)), std::min(1.0, f(d.b, s.b))};
}

struct ScreenVertex {
  float x, y, z, w;
  float r, g, b, a;
};

void FillTriangle(Frame* frame, const ScreenVertex (&v)[3], int blend) {
  const float minX = std::max(0.0f, std::min({v[0].x, v[1].x, v[2].x}));
  const float maxX = std::min(kFrameW - 1.0f, std::max({v[0].x, v[1].x, v[2].x}));
  const float minY = std::max(0.0f, std::min({v[0].y, v[1].y, v[2].y}));
  const float maxY = std::min(kFrameH - 1.0f, std::max({v[0].y, v[1].y, v[2].y}));
  const float area = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
  if (area == 0) return;
  for (int y = static_cast<int>(minY); y <= static_cast<int>(maxY); ++y)
    for (int x = static_cast<int>(minX); x <= static_cast<int>(maxX); ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float w0 = ((v[1].x - px) * (v[2].y - py) - (v[2].x - px) * (v[1].y - py)) / area;
      const float w1 = ((v[2].x - px) * (v[0].y - py) - (v[0].x - px) * (v[2].y - py)) / area;
      const float w2 = 1 - w0 - w1;
      if (w0 < 0 || w1 < 0 || w2 < 0) continue;
      const float z = w0 * v[0].z + w1 * v[1].z + w2 * v[2].z;
      const size_t i = size_t(y) * kFrameW + x;
      if (z < 0 || z >= frame->depth[i]) continue;
      const float a = w0 * v[0].a + w1 * v[1].a + w2 * v[2].a;
      if (a <= 0) continue;
      frame->depth[i] = z;
      const mkart::Rgb s{w0 * v[0].r + w1 * v[1].r + w2 * v[2].r,
                         w0 * v[0].g + w1 * v[1].g + w2 * v[2].g,
                         w0 * v[0].b + w1 * v[1].b + w2 * v[2].b};
      frame->colour[i] = BlendPixel(blend, frame->colour[i], s, a);
    }
}

void DrawLayer(Frame* frame, const lmfw::SceneData& data, const lmfw::LayerData& layer,
               const std::array<D3DXMATRIX, kPaletteSlots>& palette, const D3DXMATRIX& viewProj,
               const lmfw::LayerData* target, float weight) {
  for (size_t mi = 0; mi < layer.meshes.size(); ++mi) {
    const lmfw::MeshData& mesh = layer.meshes[mi];
    const lmfw::SurfaceData& s = data.surfaces[mesh.surfaceNo];
    const double light = (s.type >= 1 && s.type <= 3) ? s.emissive : (s.type == 4 ? 0.85 : 1.0);
    std::vector<ScreenVertex> sv(mesh.vertices.size());
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
      const SceneVertex& v = mesh.vertices[i];
      D3DXVECTOR3 p(v.position[0], v.position[1], v.position[2]);
      if (target != nullptr) {
        const SceneVertex& t = target->meshes[mi].vertices[i];
        for (int k = 0; k < 3; ++k) (&p.x)[k] += weight * (t.position[k] - (&p.x)[k]);
      }
      D3DXVECTOR3 sum(0, 0, 0);
      for (int k = 0; k < 4; ++k) {
        if (k > 0 && !(v.blendWeights[k] > 0)) continue;
        D3DXVECTOR3 q;
        D3DXVec3TransformCoord(&q, &p, &palette[static_cast<size_t>(v.blendIndices[k])]);
        sum.x += q.x * v.blendWeights[k];
        sum.y += q.y * v.blendWeights[k];
        sum.z += q.z * v.blendWeights[k];
      }
      D3DXVECTOR4 clip;
      D3DXVec3Transform(&clip, &sum, &viewProj);
      ScreenVertex& o = sv[i];
      o.w = clip.w;
      o.x = (clip.x / clip.w * 0.5f + 0.5f) * kFrameW;
      o.y = (0.5f - clip.y / clip.w * 0.5f) * kFrameH;
      o.z = clip.z / clip.w;
      o.r = static_cast<float>(v.color[0] * s.diffuse[0] * light);
      o.g = static_cast<float>(v.color[1] * s.diffuse[1] * light);
      o.b = static_cast<float>(v.color[2] * s.diffuse[2] * light);
      o.a = v.color[3] * s.diffuse[3];
    }
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
      const ScreenVertex tri[3] = {sv[mesh.indices[t]], sv[mesh.indices[t + 1]],
                                   sv[mesh.indices[t + 2]]};
      if (tri[0].w < 0.1f || tri[1].w < 0.1f || tri[2].w < 0.1f) continue;
      const float area = (tri[1].x - tri[0].x) * (tri[2].y - tri[0].y) -
                         (tri[2].x - tri[0].x) * (tri[1].y - tri[0].y);
      if (!s.doubleSided && area < 0) continue;  // counter-clockwise on screen: culled
      FillTriangle(frame, tri, s.blendMode);
    }
  }
}

void RenderFrame(const lmfw::SceneData& data, Scene* scene, const mkart::Picture& backdrop,
                 int32_t ms, Frame* frame) {
  UpdateMotions(ms, scene);
  for (int y = 0; y < kFrameH; ++y)
    for (int x = 0; x < kFrameW; ++x)
      frame->colour[size_t(y) * kFrameW + x] = backdrop.colour[size_t(y * 2) * 800 + x * 2];
  const D3DXMATRIX& cam = scene->motions[data.cameras[0].motionNo].skinMatrix;
  D3DXVECTOR3 eye, target, up;
  const D3DXVECTOR3 o(0, 0, 0), z(0, 0, 1), y(0, 1, 0);
  D3DXVec3TransformCoord(&eye, &o, &cam);
  D3DXVec3TransformCoord(&target, &z, &cam);
  D3DXVec3TransformNormal(&up, &y, &cam);
  D3DXMATRIX view, proj, viewProj;
  D3DXMatrixLookAtLH(&view, &eye, &target, &up);
  D3DXMatrixPerspectiveFovLH(&proj, data.cameras[0].fovY, 4.0f / 3.0f, 0.1f, 10.0f);
  D3DXMatrixMultiply(&viewProj, &view, &proj);
  std::array<D3DXMATRIX, kPaletteSlots> palette;
  palette.fill(Identity());
  for (uint16_t index : kDrawnLayers) {
    LoadPalette(*scene, data.layers[index], &palette);
    DrawLayer(frame, data, data.layers[index], palette, viewProj, nullptr, 0);
  }
  LoadPalette(*scene, data.layers[kMorphBase], &palette);
  const float weight = static_cast<float>((ms / 4000) % 2);  // alternate shapes frame by frame
  DrawLayer(frame, data, data.layers[kMorphBase], palette, viewProj, &data.layers[kMorphTarget],
            weight);
}

}  // namespace

bool WritePreviews(const std::string& folder, const lmfw::SceneData& data, std::string* error) {
  const mkart::Picture chip = MakeChip();
  mkart::Picture board(chip.width * 2, chip.height * 2);
  for (int y = 0; y < board.height; ++y)
    for (int x = 0; x < board.width; ++x) {
      const double g = ((x / 16 + y / 16) % 2) ? 0.55 : 0.25;
      const mkart::Rgb& c = chip.colour[size_t(y / 2) * chip.width + x / 2];
      const double a = chip.alpha[size_t(y / 2) * chip.width + x / 2];
      board.at(x, y) = {c.r * a + g * (1 - a), c.g * a + g * (1 - a), c.b * a + g * (1 - a)};
    }
  const mkart::Picture backdrop = MakeBackdrop();
  Scene scene;
  LoadMotions(data, &scene);
  mkart::Picture sheet(kFrameW * 3, kFrameH * 3);
  for (int i = 0; i < 9; ++i) {
    Frame frame;
    RenderFrame(data, &scene, backdrop, i * 4000, &frame);
    for (int y = 0; y < kFrameH; ++y)
      for (int x = 0; x < kFrameW; ++x)
        sheet.at((i % 3) * kFrameW + x, (i / 3) * kFrameH + y) =
            frame.colour[size_t(y) * kFrameW + x];
  }
  FreeScene(&scene);
  const bool ok = mkart::SavePng(board, folder + "/Chip.png") &&
                  mkart::SavePng(backdrop, folder + "/BG.png") &&
                  mkart::SavePng(sheet, folder + "/Scene.png");
  if (!ok) *error = "cannot write the previews into " + folder;
  return ok;
}

}  // namespace mkassets
