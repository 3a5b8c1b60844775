// The Renderer: runs the stages for each draw and, on the tiled path, bins
// set-up triangles into tiles and shades them on the worker pool at Flush.
#include <algorithm>
#include <chrono>
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
// Vertices per job when a draw's vertex programs run on the worker pool;
// smaller draws run on the calling thread alone.
constexpr uint32_t kVertexChunk = 512;
// Primitives per job when a draw's set-up runs on the worker pool.
constexpr uint32_t kSetupChunk = 1024;

int ThreadCount(const RendererOptions& options) {
  if (options.reference) return 1;
  int n = options.threads;
  if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(n, 1, 8);
}

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
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

  size_t settled = 0;  // triangles[0..settled) are binned (tiled path)

  // Stage times since TakeStageTimes; flushSeconds lets a stage that forced
  // a flush leave the flush's time out of its own.
  StageTimes times;
  double flushSeconds = 0;
  std::vector<double> jobSeconds, jobCoverage;  // per tile or band, one writer each

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
    if (SetupTriangle(a, b, c, cull, scissor, 0, &t)) Record(t);
  }

  // Adds a set-up triangle of the current draw to the batch.
  void Record(Setup t) {
    ++trianglesDrawn;
    if (triangles.size() >= batchLimit) Flush();
    if (currentDraw == kNoDraw) {
      currentDraw = static_cast<uint32_t>(draws.size());
      draws.push_back(current);
    }
    t.draw = currentDraw;
    triangles.push_back(t);
  }

  // Hands the triangles set up since the last call on: binned into tiles,
  // or on the reference path drawn at once.
  void Settle() {
    if (triangles.size() == settled) return;
    const Clock::time_point start = Clock::now();
    if (options.reference) {
      for (const Setup& t : triangles) DrawTriangleReference(t, draws[t.draw], *target);
      triangles.clear();
      draws.clear();
      currentDraw = kNoDraw;
      settled = 0;
      times.shading += SecondsSince(start);
      return;
    }
    for (size_t i = settled; i < triangles.size(); ++i) Bin(triangles[i], static_cast<uint32_t>(i));
    settled = triangles.size();
    times.binning += SecondsSince(start);
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
    const Clock::time_point start = Clock::now();
    const size_t slot = static_cast<size_t>(job);
    const int tile = r.busyTiles[slot];
    const int tx = tile % r.tilesX, ty = tile / r.tilesX;
    const Rect rect{tx * kTileSize, ty * kTileSize, tx * kTileSize + kTileSize - 1,
                    ty * kTileSize + kTileSize - 1};
    double* coverage = r.options.splitCoverage ? &r.jobCoverage[slot] : nullptr;
    for (uint32_t index : r.bins[static_cast<size_t>(tile)]) {
      const Setup& t = r.triangles[index];
      DrawTriangleFast(t, r.draws[t.draw], *r.target, rect, coverage);
    }
    r.jobSeconds[slot] = SecondsSince(start);
  }

  // Runs `count` jobs on the pool with a time slot each, and returns the
  // summed job times and the summed coverage part.
  std::pair<double, double> RunTimed(int count, void (*job)(void*, int), void* context) {
    jobSeconds.assign(static_cast<size_t>(count), 0.0);
    jobCoverage.assign(static_cast<size_t>(count), 0.0);
    pool.Run(count, job, context);
    double total = 0, coverage = 0;
    for (double s : jobSeconds) total += s;
    for (double s : jobCoverage) coverage += s;
    return {total, coverage};
  }

  void Flush() {
    const Clock::time_point start = Clock::now();
    Settle();
    if (!busyTiles.empty()) {
      const auto [total, coverage] =
          RunTimed(static_cast<int>(busyTiles.size()), &Impl::ShadeTile, this);
      times.coverage += coverage;
      times.shading += total - coverage;
    }
    for (int tile : busyTiles) bins[static_cast<size_t>(tile)].clear();
    busyTiles.clear();
    triangles.clear();
    settled = 0;
    draws.clear();
    currentDraw = kNoDraw;
    flushSeconds += SecondsSince(start);
  }

  void SetTarget(Target* t) {
    Flush();
    target = t;
    if (t == nullptr) return;
    tilesX = (t->width() + kTileSize - 1) >> kTileBits;
    tilesY = (t->height() + kTileSize - 1) >> kTileBits;
    bins.resize(static_cast<size_t>(tilesX) * tilesY);
  }

  // The vertex stage of one draw: program, outcode and (for vertices inside
  // every plane) the screen mapping of vertices begin..end-1 of the range.
  struct VertexWork {
    Impl* r;
    const VertexShader* shader;
    const VertexSource* source;
    int64_t first;
    uint32_t count;
    int texcoord;
    float guard;
    Viewport viewport;
  };

  static void RunVertices(const VertexWork& w, uint32_t begin, uint32_t end) {
    Impl& r = *w.r;
    VertexInput in;
    for (uint32_t i = begin; i < end; ++i) {
      GatherVertex(*w.source, static_cast<uint32_t>(w.first + i), &in);
      r.clipVerts[i] = RunVertexProgram(*w.shader, in, w.texcoord);
      r.outcodes[i] = Outcode(r.clipVerts[i], w.guard);
      if (r.outcodes[i] == 0) r.screenVerts[i] = ToScreen(r.clipVerts[i], w.viewport);
    }
  }

  // Large draws are cut into chunks that the pool's threads share; each
  // chunk writes only its own vertices.
  void VertexStage(VertexWork w) {
    clipVerts.resize(w.count);
    screenVerts.resize(w.count);
    outcodes.resize(w.count);
    const uint32_t chunks = (w.count + kVertexChunk - 1) / kVertexChunk;
    if (pool.threads() == 1 || chunks < 2) {
      const Clock::time_point start = Clock::now();
      RunVertices(w, 0, w.count);
      times.vertex += SecondsSince(start);
      return;
    }
    times.vertex += RunTimed(
                        static_cast<int>(chunks),
                        [](void* context, int chunk) {
                          const Clock::time_point start = Clock::now();
                          const VertexWork& w = *static_cast<const VertexWork*>(context);
                          const uint32_t begin = static_cast<uint32_t>(chunk) * kVertexChunk;
                          RunVertices(w, begin, std::min(begin + kVertexChunk, w.count));
                          w.r->jobSeconds[static_cast<size_t>(chunk)] = SecondsSince(start);
                        },
                        &w)
                        .first;
  }

  // Primitives k0..k1-1 of an indexed draw whose vertex stage has run:
  // every screen triangle they give, in order, goes to emit(a, b, c).
  // Reads only the vertex arrays and the draw, so chunks may run at once.
  template <class Sink>
  void Assemble(const IndexedDraw& draw, float guard, uint32_t k0, uint32_t k1, Sink&& emit) const {
    const uint16_t* indices = draw.indices + draw.startIndex;
    for (uint32_t k = k0; k < k1; ++k) {
      uint32_t pos[3] = {}, v[3];
      PrimitiveVertices(draw.topology, k, pos);
      bool valid = true;
      for (int j = 0; j < 3; ++j) {
        // Relative to minIndex; indices below it wrap to large values.
        v[j] = static_cast<uint32_t>(indices[pos[j]]) - draw.minIndex;
        valid = valid && v[j] < draw.numVertices;
      }
      if (!valid) continue;
      const unsigned c0 = outcodes[v[0]], c1 = outcodes[v[1]], c2 = outcodes[v[2]];
      if ((c0 | c1 | c2) == 0) {
        emit(screenVerts[v[0]], screenVerts[v[1]], screenVerts[v[2]]);
      } else if ((c0 & c1 & c2) == 0) {
        // Screen triangles from the clip-space polygon.
        Vert poly[kMaxClipVerts];
        const int n = ClipTriangle(clipVerts[v[0]], clipVerts[v[1]], clipVerts[v[2]], guard, poly);
        Vert s[kMaxClipVerts];
        for (int i = 0; i < n; ++i) s[i] = ToScreen(poly[i], viewport);
        for (int i = 1; i + 1 < n; ++i) emit(s[0], s[i], s[i + 1]);
      }
    }
  }

  struct SetupWork {
    Impl* r;
    const IndexedDraw* draw;
    float guard;
  };

  // The set-up stage of an indexed draw. Large draws are cut into chunks of
  // primitives that the pool's threads set up into lists of their own; the
  // lists are then recorded in primitive order, as one thread would.
  void SetupStage(const IndexedDraw& draw, float guard) {
    const uint32_t chunks = (draw.primitiveCount + kSetupChunk - 1) / kSetupChunk;
    const double flushedBefore = flushSeconds;
    Clock::time_point start = Clock::now();
    if (pool.threads() == 1 || chunks < 2) {
      Assemble(draw, guard, 0, draw.primitiveCount,
               [this](const Vert& a, const Vert& b, const Vert& c) { Emit(a, b, c); });
      times.setup += SecondsSince(start) - (flushSeconds - flushedBefore);
      return;
    }
    if (chunkSetups.size() < chunks) chunkSetups.resize(chunks);
    SetupWork work{this, &draw, guard};
    times.setup += RunTimed(
                       static_cast<int>(chunks),
                       [](void* context, int chunk) {
                         const Clock::time_point start = Clock::now();
                         const SetupWork& w = *static_cast<const SetupWork*>(context);
                         Impl& r = *w.r;
                         std::vector<Setup>& out = r.chunkSetups[static_cast<size_t>(chunk)];
                         out.clear();
                         const uint32_t k0 = static_cast<uint32_t>(chunk) * kSetupChunk;
                         const uint32_t k1 = std::min(k0 + kSetupChunk, w.draw->primitiveCount);
                         r.Assemble(*w.draw, w.guard, k0, k1,
                                    [&](const Vert& a, const Vert& b, const Vert& c) {
                                      Setup t;
                                      if (SetupTriangle(a, b, c, r.cull, r.scissor, 0, &t))
                                        out.push_back(t);
                                    });
                         r.jobSeconds[static_cast<size_t>(chunk)] = SecondsSince(start);
                       },
                       &work)
                       .first;
    start = Clock::now();
    const double flushedBeforeRecord = flushSeconds;
    for (uint32_t c = 0; c < chunks; ++c)
      for (const Setup& t : chunkSetups[c]) Record(t);
    times.setup += SecondsSince(start) - (flushSeconds - flushedBeforeRecord);
  }

  std::vector<std::vector<Setup>> chunkSetups;  // per set-up job, kept for capacity

  Viewport viewport;
};

Renderer::Renderer(const RendererOptions& options) : impl_(std::make_unique<Impl>(options)) {}

Renderer::~Renderer() { impl_->Flush(); }

void Renderer::SetTarget(Target* target) { impl_->SetTarget(target); }

Target* Renderer::target() const { return impl_->target; }

uint64_t Renderer::triangles_drawn() const { return impl_->trianglesDrawn; }

StageTimes& StageTimes::operator+=(const StageTimes& o) {
  vertex += o.vertex;
  setup += o.setup;
  binning += o.binning;
  coverage += o.coverage;
  shading += o.shading;
  resolve += o.resolve;
  present += o.present;
  return *this;
}

StageTimes Renderer::TakeStageTimes() {
  const StageTimes t = impl_->times;
  impl_->times = {};
  return t;
}

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
    Impl* self;
  } job{r.target, out, pitchBytes, nullptr};
  job.self = &r;
  const int bands = (r.target->height() + kTileSize - 1) / kTileSize;
  r.times.resolve +=
      r.RunTimed(
           bands,
           [](void* context, int band) {
             const Clock::time_point start = Clock::now();
             const Job& j = *static_cast<const Job*>(context);
             j.target->ResolveRows(j.out, j.pitchBytes, band * kTileSize, (band + 1) * kTileSize);
             j.self->jobSeconds[static_cast<size_t>(band)] = SecondsSince(start);
           },
           &job)
          .first;
}

bool Renderer::DrawScreen(const State& state, Topology topology, const ScreenVertex* vertices,
                          size_t vertexCount, uint32_t primitiveCount) {
  Impl& r = *impl_;
  if (r.target == nullptr || !PreparePixelState(state, &r.current)) return false;
  const uint64_t needed = VerticesNeeded(topology, primitiveCount);
  if (needed > vertexCount || (needed > 0 && vertices == nullptr)) return false;
  if (needed == 0 || !r.Begin(state)) return true;

  Clock::time_point start = Clock::now();
  r.screenVerts.resize(static_cast<size_t>(needed));
  for (size_t i = 0; i < needed; ++i) r.screenVerts[i] = FromScreenVertex(vertices[i]);
  r.times.vertex += SecondsSince(start);
  start = Clock::now();
  const double flushedBefore = r.flushSeconds;
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
  r.times.setup += SecondsSince(start) - (r.flushSeconds - flushedBefore);
  r.Settle();
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
  r.VertexStage({&r, &shader, &source, first, draw.numVertices, state.stage.texcoordIndex, guard,
                 state.viewport});
  r.SetupStage(draw, guard);
  r.Settle();
  return true;
}

}  // namespace raster
