// The one chunk walker of the LMF loader and the shape of its tables.
//
// Every container body is a run of chunks. WalkBody reads them one by one,
// looks each tag up in the container's table and does what the row says;
// tags not in the table are stepped over. A row is (tag, field, width,
// body):
//   kFixed      the body is exactly `width` bytes, copied into the field;
//   kCopied     the body is at most `width` bytes, copied into the first
//               bytes of the field (the rest keeps its value);
//   kName       the body, of any length, replaces an OwnedBytes field;
//   kCount      a copied 16-bit count that creates a counted array;
//   kItem       the next record of that array, a container of its own;
//   kContainer  a nested body read by its own walk (no array);
//   kOwn        a body with a rule of its own (buffers, pixels, keys).
// The last four name their reader in the row. A failed row records why
// (lmf_error.h) and sets the load's failure flag, which stops every walk on
// the way up.
//
// Does not: know any container's tags (lmf_tables.cpp holds the tables),
// or keep state between loads. Main thread only, like the loader.
#ifndef MORVANE_SCENE_LMF_WALK_H
#define MORVANE_SCENE_LMF_WALK_H

#include <d3d9.h>

#include <cstddef>
#include <cstdint>

#include "scene/lmf_chunk.h"

namespace lmf {

// What every walk of one load shares.
struct Load {
  InputStream* stream;
  IDirect3DDevice9* device;
  int32_t* abortFlag;
};

// The most counted arrays one container holds (the top level's five).
constexpr size_t kMaxLists = 5;

// One walk over one body: the bytes it has consumed and the write cursor of
// each of its counted arrays.
struct Walker {
  const Load* load;
  uint32_t consumed = 0;
  ItemCursor lists[kMaxLists];
};

enum class Body : uint8_t { kFixed, kCopied, kName, kCount, kItem, kContainer, kOwn };

// Where a fixed, copied or name body goes, and how wide that place is.
template <typename Record>
struct FieldRef {
  void* (*at)(Record*);
  uint32_t size;
};

template <typename Record>
struct ChunkRule {
  uint32_t tag;
  FieldRef<Record> field;  // kFixed, kCopied, kName
  uint32_t width;          // kFixed: the body's size; kCopied, kCount: the most it may be
  Body body;
  bool (*read)(Walker*, Record*, const ChunkHeader&);  // kCount, kItem, kContainer, kOwn
};

template <auto Member>
struct MemberOf;
template <typename Record, typename Type, Type Record::*Member>
struct MemberOf<Member> {
  using Owner = Record;
  static void* At(Record* record) { return &(record->*Member); }
  static constexpr uint32_t kSize = sizeof(Type);
};

// The field `Member`, as wide as its type.
template <auto Member>
constexpr FieldRef<typename MemberOf<Member>::Owner> Field{MemberOf<Member>::At,
                                                           MemberOf<Member>::kSize};

// No field: the row's reader knows where the body goes.
template <typename Record>
constexpr FieldRef<Record> kNoField{nullptr, 0};

template <typename Record, size_t N>
uint32_t WalkBody(const Load& load, const ChunkRule<Record> (&rules)[N], Record* record,
                  uint32_t length);

// Walks a nested body that fills `record` and checks that the walk used
// exactly the body.
template <typename Record, size_t N>
bool ReadNested(Walker* w, const ChunkRule<Record> (&rules)[N], Record* record,
                const ChunkHeader& h) {
  const uint32_t got = WalkBody(*w->load, rules, record, h.length);
  return ContainerDone(h, got, &w->consumed, w->load->abortFlag);
}

// A counted array: its count chunk, and its items, each walked by the
// table `Items`. `List` picks the walker's cursor; no two arrays of one
// container share it.
template <auto Array, auto Count, size_t List>
struct CountedList {
  using Owner = typename MemberOf<Count>::Owner;
  static constexpr size_t kList = List;
  static_assert(List < kMaxLists);

  static bool ReadCountChunk(Walker* w, Owner* record, const ChunkHeader& h) {
    return ReadCount(w->load->stream, h, &(record->*Count), &(record->*Array), &w->lists[List],
                     &w->consumed, w->load->abortFlag);
  }
  template <const auto& Items>
  static bool ReadItem(Walker* w, Owner* record, const ChunkHeader& h) {
    auto* item = NextItem(record->*Array, record->*Count, &w->lists[List], w->load->abortFlag);
    return item && ReadNested(w, Items, item, h);
  }
};

// Does what one row says with the chunk it matched.
template <typename Record>
bool ReadRule(Walker* w, const ChunkRule<Record>& rule, Record* record, const ChunkHeader& h) {
  InputStream* stream = w->load->stream;
  int32_t* abortFlag = w->load->abortFlag;
  switch (rule.body) {
    case Body::kFixed:
      return ReadFixed(stream, h, rule.field.at(record), rule.width, &w->consumed, abortFlag);
    case Body::kCopied:
      return ReadCopied(stream, h, rule.field.at(record), rule.width, &w->consumed, abortFlag);
    case Body::kName:
      return ReadName(stream, h, static_cast<OwnedBytes*>(rule.field.at(record)), &w->consumed,
                      abortFlag);
    default: return rule.read(w, record, h);
  }
}

template <typename Record, size_t N>
uint32_t WalkBody(const Load& load, const ChunkRule<Record> (&rules)[N], Record* record,
                  uint32_t length) {
  Walker w{&load, 0, {}};
  ChunkHeader h;
  while (w.consumed < length && NextChunk(load.stream, length, &w.consumed, &h, load.abortFlag)) {
    const ChunkRule<Record>* rule = nullptr;
    for (const ChunkRule<Record>& r : rules) {
      if (r.tag == h.tag) {
        rule = &r;
        break;
      }
    }
    const bool ok = rule ? ReadRule(&w, *rule, record, h)
                         : SkipChunk(load.stream, h, &w.consumed, load.abortFlag);
    // Every failing reader has recorded its reason; the flag is the walk's.
    if (!ok) *load.abortFlag = 1;
    if (*load.abortFlag) break;
  }
  return w.consumed;
}

// A table is sound when no tag appears twice and every field row has a
// field wide enough for its width. (Whether a row has its reader is not
// asked here: under the sanitizers a function's address is no constant.)
template <typename Record, size_t N>
constexpr bool TableIsSound(const ChunkRule<Record> (&rules)[N]) {
  for (size_t i = 0; i < N; ++i) {
    const ChunkRule<Record>& r = rules[i];
    for (size_t j = i + 1; j < N; ++j) {
      if (rules[j].tag == r.tag) return false;
    }
    switch (r.body) {
      case Body::kFixed:
      case Body::kCopied:
        if (r.width == 0 || r.width > r.field.size) return false;
        break;
      case Body::kName:
        if (r.field.size != sizeof(OwnedBytes)) return false;
        break;
      case Body::kCount:
        if (r.width != sizeof(uint16_t)) return false;
        break;
      default: break;
    }
  }
  return true;
}

// The tables (lmf_tables.cpp) and the readers of their kOwn rows.
uint32_t WalkScene(const Load& load, Scene* scene, uint32_t length);

bool ReadVertexCount(Walker* w, Mesh* mesh, const ChunkHeader& h);
bool ReadVertices(Walker* w, Mesh* mesh, const ChunkHeader& h);
bool ReadPolygonCount(Walker* w, Mesh* mesh, const ChunkHeader& h);
bool ReadPolygons(Walker* w, Mesh* mesh, const ChunkHeader& h);
bool ReadDoubleSided(Walker* w, Surface* surface, const ChunkHeader& h);

// A texture container fills one texture reference and the picture size
// beside it.
struct TextureSlot {
  IDirect3DTexture9** texture;
  int32_t* width;
  int32_t* height;
  bool sized = false;   // SIZE met
  bool filled = false;  // pixels read
};
bool ReadTextureSize(Walker* w, TextureSlot* slot, const ChunkHeader& h);
bool ReadPixels(Walker* w, TextureSlot* slot, const ChunkHeader& h);
bool ReadKeyCount(Walker* w, Channel* channel, const ChunkHeader& h);
bool ReadKeys(Walker* w, Channel* channel, const ChunkHeader& h);
bool CountLight(Walker* w, Scene* scene, const ChunkHeader& h);

}  // namespace lmf

#endif  // MORVANE_SCENE_LMF_WALK_H
