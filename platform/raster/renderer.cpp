// The Renderer: runs the stages for each draw and, on the tiled path, bins
// set-up triangles into tiles and shades them on the worker pool at Flush.
#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "raster/clip.h"
#include "raster/pixel.h"
#include "raster/raster.h"
#include "raster/rasterize.h"
#include "raster/setup.h"
#include "raster/vertex.h"
#include "raster/workers.h"

namespace raster {

namespace {

constexpr int kTileBits = 6;  // 64x64-pixel tiles
constexpr int kTileSize = 1 << kTileBits;
constexpr size_t kDefaultBatchTriangles = size_t{1} << 16;
constexpr uint32_t kNoDraw = ~0u;

int ThreadCount(const RendererOptions& options) {
  if (options.reference) return 1;
  int n = options.threads;
  if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(n, 1, 8);
}

bool InsideGuard(const Vert& v) {
  return v.p[0] >= -kScreenGuard && v.p[0] <= kScreenGuard && v.p[1] >= -kScreenGuard &&
         v.p[1] <= kScreenGuard;
}

// Clip-plane outcode of a clip-space vertex, as ClipTriangle tests it.
unsigned Outcode(const Vert& v, float guard) {
  const float x = v.p[0], y = v.p[1], z = v.p[2], w = v.p[3];
  unsigned c = 0;
  if (!(z >= 0.0f)) c |= 1;
  if (!(w - z >= 0.0f)) c |= 2;
  if (!(x + guard * w >= 0.0f)) c |= 4;
  if (!(guard * w - x >= 0.0f)) c |= 8;
  if (!(y + guard * w >= 0.0f)) c |= 16;
  if (!(guard * w - y >= 0.0f)) c |= 32;
  return c;
}

}  // namespace

struct Renderer::Impl {
  explicit Impl(const RendererOptions& o)
      : options(o),
        batchLimit(o.batchTriangles > 0 ? o.batchTriangles : kDefaultBatchTriangles),
        pool(ThreadCount(o)) {}

  RendererOptions options;
  size_t batchLimit;
  Target* target = nullptr;
  uint64_t trianglesDrawn = 0;

  // The draw being issued.
  PixelState current{};
  CullMode cull = CullMode::kNone;
  Rect scissor{};
  uint32_t currentDraw = kNoDraw;  // its index in `draws`, once it has a triangle

  // Tiled path batch.
  std::vector<PixelState> draws;
  std::vector<Setup> triangles;
  std::vector<std::vector<uint32_t>> bins;
  std::vector<int> busyTiles;
  int tilesX = 0, tilesY = 0;

  // Per-draw scratch, kept for its capacity.
  std::vector<Vert> clipVerts, screenVerts;
  std::vector<unsigned> outcodes;

  WorkerPool pool;

  // Sets up the draw; false when nothing can be drawn (no pixels in view).
  bool Begin(const State& state) {
    const Viewport& vp = state.viewport;
    scissor.x0 = std::max(vp.x, 0);
    scissor.y0 = std::max(vp.y, 0);
    scissor.x1 = static_cast<int>(std::min<int64_t>(int64_t{vp.x} + vp.width, target->width()) - 1);
    scissor.y1 =
        static_cast<int>(std::min<int64_t>(int64_t{vp.y} + vp.height, target->height()) - 1);
    cull = state.cull;
    currentDraw = kNoDraw;
    return scissor.x0 <= scissor.x1 && scissor.y0 <= scissor.y1;
  }

  void Emit(const Vert& a, const Vert& b, const Vert& c) {
    Setup t;
    if (!SetupTriangle(a, b, c, cull, scissor, 0, &t)) return;
    ++trianglesDrawn;
    if (options.reference) {
      DrawTriangleReference(t, current, *target);
      return;
    }
    if (triangles.size() >= batchLimit) Flush();
    if (currentDraw == kNoDraw) {
      currentDraw = static_cast<uint32_t>(draws.size());
      draws.push_back(current);
    }
    t.draw = currentDraw;
    const uint32_t index = static_cast<uint32_t>(triangles.size());
    triangles.push_back(t);
    Bin(t, index);
  }

  // Adds the triangle to every tile its box meets whose rectangle it may
  // cover (corner test of the edge functions, as the fast walk does).
  void Bin(const Setup& t, uint32_t index) {
    const int tx0 = t.box.x0 >> kTileBits, tx1 = t.box.x1 >> kTileBits;
    const int ty0 = t.box.y0 >> kTileBits, ty1 = t.box.y1 >> kTileBits;
    const bool single = tx0 == tx1 && ty0 == ty1;
    for (int ty = ty0; ty <= ty1; ++ty) {
      for (int tx = tx0; tx <= tx1; ++tx) {
        if (!single) {
          const int64_t X0 = int64_t{tx} * kTileSize * kSubPixel - kMaxSampleOffset;
          const int64_t X1 = (int64_t{tx + 1} * kTileSize - 1) * kSubPixel + kMaxSampleOffset;
          const int64_t Y0 = int64_t{ty} * kTileSize * kSubPixel - kMaxSampleOffset;
          const int64_t Y1 = (int64_t{ty + 1} * kTileSize - 1) * kSubPixel + kMaxSampleOffset;
          bool outside = false;
          for (int i = 0; i < 3 && !outside; ++i) {
            const int64_t hi =
                std::max(t.a[i] * X0, t.a[i] * X1) + std::max(t.b[i] * Y0, t.b[i] * Y1) + t.c[i];
            outside = hi < 0;
          }
          if (outside) continue;
        }
        std::vector<uint32_t>& bin = bins[static_cast<size_t>(ty) * tilesX + tx];
        if (bin.empty()) busyTiles.push_back(ty * tilesX + tx);
        bin.push_back(index);
      }
    }
  }

  static void ShadeTile(void* self, int job) {
    Impl& r = *static_cast<Impl*>(self);
    const int tile = r.busyTiles[static_cast<size_t>(job)];
    const int tx = tile % r.tilesX, ty = tile / r.tilesX;
    const Rect rect{tx * kTileSize, ty * kTileSize, tx * kTileSize + kTileSize - 1,
                    ty * kTileSize + kTileSize - 1};
    for (uint32_t index : r.bins[static_cast<size_t>(tile)]) {
      const Setup& t = r.triangles[index];
      DrawTriangleFast(t, r.draws[t.draw], *r.target, rect);
    }
  }

  void Flush() {
    if (!busyTiles.empty()) pool.Run(static_cast<int>(busyTiles.size()), &Impl::ShadeTile, this);
    for (int tile : busyTiles) bins[static_cast<size_t>(tile)].clear();
    busyTiles.clear();
    triangles.clear();
    draws.clear();
    currentDraw = kNoDraw;
  }

  void SetTarget(Target* t) {
    Flush();
    target = t;
    if (t == nullptr) return;
    tilesX = (t->width() + kTileSize - 1) >> kTileBits;
    tilesY = (t->height() + kTileSize - 1) >> kTileBits;
    bins.resize(static_cast<size_t>(tilesX) * tilesY);
  }

  // Screen-space triangle from clip-space vertices whose outcodes are known.
  void EmitClipped(const Vert& a, const Vert& b, const Vert& c, float guard) {
    Vert poly[kMaxClipVerts];
    const int n = ClipTriangle(a, b, c, guard, poly);
    if (n < 3) return;
    const Viewport& vp = viewport;
    Vert s[kMaxClipVerts];
    for (int i = 0; i < n; ++i) s[i] = ToScreen(poly[i], vp);
    for (int i = 1; i + 1 < n; ++i) Emit(s[0], s[i], s[i + 1]);
  }

  Viewport viewport;
};

Renderer::Renderer(const RendererOptions& options) : impl_(std::make_unique<Impl>(options)) {}

Renderer::~Renderer() { impl_->Flush(); }

void Renderer::SetTarget(Target* target) { impl_->SetTarget(target); }

Target* Renderer::target() const { return impl_->target; }

uint64_t Renderer::triangles_drawn() const { return impl_->trianglesDrawn; }

void Renderer::Flush() { impl_->Flush(); }

void Renderer::Clear(const Viewport& rect, bool clearColor, uint32_t color, bool clearDepth,
                     float z) {
  Impl& r = *impl_;
  if (r.target == nullptr) return;
  r.Flush();
  r.target->Clear(rect, clearColor, color, clearDepth, z);
}

void Renderer::Resolve(uint32_t* out, int pitchBytes) {
  Impl& r = *impl_;
  if (r.target == nullptr) return;
  r.Flush();
  // Bands of rows on the worker pool; each writes only its own rows.
  struct Job {
    const Target* target;
    uint32_t* out;
    int pitchBytes;
  } job{r.target, out, pitchBytes};
  const int bands = (r.target->height() + kTileSize - 1) / kTileSize;
  r.pool.Run(bands,
             [](void* context, int band) {
               const Job& j = *static_cast<const Job*>(context);
               j.target->ResolveRows(j.out, j.pitchBytes, band * kTileSize,
                                     (band + 1) * kTileSize);
             },
             &job);
}

bool Renderer::DrawScreen(const State& state, Topology topology, const ScreenVertex* vertices,
                          size_t vertexCount, uint32_t primitiveCount) {
  Impl& r = *impl_;
  if (r.target == nullptr || !PreparePixelState(state, &r.current)) return false;
  const uint64_t needed = VerticesNeeded(topology, primitiveCount);
  if (needed > vertexCount || (needed > 0 && vertices == nullptr)) return false;
  if (needed == 0 || !r.Begin(state)) return true;

  r.screenVerts.resize(static_cast<size_t>(needed));
  for (size_t i = 0; i < needed; ++i) r.screenVerts[i] = FromScreenVertex(vertices[i]);
  for (uint32_t k = 0; k < primitiveCount; ++k) {
    uint32_t idx[3] = {};
    PrimitiveVertices(topology, k, idx);
    const Vert& a = r.screenVerts[idx[0]];
    const Vert& b = r.screenVerts[idx[1]];
    const Vert& c = r.screenVerts[idx[2]];
    // A non-positive rhw has no perspective meaning; such triangles are dropped.
    if (!(a.p[3] > 0.0f && b.p[3] > 0.0f && c.p[3] > 0.0f)) continue;
    if (InsideGuard(a) && InsideGuard(b) && InsideGuard(c)) {
      r.Emit(a, b, c);
      continue;
    }
    Vert poly[kMaxClipVerts];
    const int n = ClipScreenTriangle(a, b, c, poly);
    for (int i = 1; i + 1 < n; ++i) r.Emit(poly[0], poly[i], poly[i + 1]);
  }
  return true;
}

bool Renderer::DrawIndexed(const State& state, const VertexShader& shader,
                           const VertexSource& source, const IndexedDraw& draw) {
  Impl& r = *impl_;
  if (r.target == nullptr || shader.program == nullptr || shader.constants == nullptr) return false;
  if (!PreparePixelState(state, &r.current)) return false;
  const uint64_t needed = VerticesNeeded(draw.topology, draw.primitiveCount);
  if (needed > 0 && (draw.indices == nullptr || draw.startIndex + needed > draw.indexCount))
    return false;
  const int64_t first = int64_t{draw.baseVertex} + draw.minIndex;
  if (!ValidateVertexSource(source, first, draw.numVertices)) return false;
  if (needed == 0 || draw.numVertices == 0 || !r.Begin(state)) return true;

  r.viewport = state.viewport;
  const float guard = GuardFactor(state.viewport);
  const int texcoord = state.stage.texcoordIndex;
  r.clipVerts.resize(draw.numVertices);
  r.screenVerts.resize(draw.numVertices);
  r.outcodes.resize(draw.numVertices);
  VertexInput in;
  for (uint32_t i = 0; i < draw.numVertices; ++i) {
    GatherVertex(source, static_cast<uint32_t>(first + i), &in);
    r.clipVerts[i] = RunVertexProgram(shader, in, texcoord);
    r.outcodes[i] = Outcode(r.clipVerts[i], guard);
    if (r.outcodes[i] == 0) r.screenVerts[i] = ToScreen(r.clipVerts[i], state.viewport);
  }
  const uint16_t* indices = draw.indices + draw.startIndex;
  for (uint32_t k = 0; k < draw.primitiveCount; ++k) {
    uint32_t pos[3] = {}, v[3];
    PrimitiveVertices(draw.topology, k, pos);
    bool valid = true;
    for (int j = 0; j < 3; ++j) {
      // Relative to minIndex; indices below it wrap to large values.
      v[j] = static_cast<uint32_t>(indices[pos[j]]) - draw.minIndex;
      valid = valid && v[j] < draw.numVertices;
    }
    if (!valid) continue;
    const unsigned c0 = r.outcodes[v[0]], c1 = r.outcodes[v[1]], c2 = r.outcodes[v[2]];
    if ((c0 | c1 | c2) == 0) {
      r.Emit(r.screenVerts[v[0]], r.screenVerts[v[1]], r.screenVerts[v[2]]);
    } else if ((c0 & c1 & c2) == 0) {
      r.EmitClipped(r.clipVerts[v[0]], r.clipVerts[v[1]], r.clipVerts[v[2]], guard);
    }
  }
  return true;
}

}  // namespace raster
