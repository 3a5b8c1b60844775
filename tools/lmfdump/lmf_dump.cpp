#include "tools/lmfdump/lmf_dump.h"

#include <cstdio>
#include <cstring>
#include <functional>

#include "data/little_endian.h"
#include "scene/lmf_error.h"
#include "scene/lmf_tags.h"
#include "scene/motion.h"

namespace lmfd {

using namespace lmf;

namespace {

struct Chunk {
  uint32_t tag;
  uint32_t length;
  uint64_t body;  // offset of the body
};

// Counted array: the count chunk, then its items.
struct Counted {
  bool counted = false;
  uint16_t count = 0;
  uint16_t next = 0;
};

struct MeshInfo {
  bool vertexBuffer = false;
  bool indexBuffer = false;
  uint16_t surfaceNo = 0;
};

struct LayerInfo {
  uint16_t motionNo = 0;
  std::vector<MeshInfo> meshes;
  std::vector<uint16_t> bindingMotions;
};

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string Quoted(const uint8_t* bytes, uint32_t size) {
  std::string text = "\"";
  const uint32_t shown = size < 64 ? size : 64;
  for (uint32_t i = 0; i < shown; ++i) {
    const uint8_t c = bytes[i];
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      text += static_cast<char>(c);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02x", c);
      text += esc;
    }
  }
  text += shown < size ? "\"..." : "\"";
  return text;
}

class Dumper {
 public:
  Dumper(const std::vector<uint8_t>& bytes, std::ostream& out) : bytes_(bytes), out_(out) {}

  bool Run() {
    if (bytes_.size() < 4 || U32At(0) != kMagic)
      return Fail(LmfError::kBadMagic, "not an LMF file: no LMD3 magic");
    if (bytes_.size() < kHeaderSize)
      return Fail(LmfError::kBadMagic, "data ends inside the header");
    const int32_t total = I32At(4);
    out_ << "LMD3 total " << total << "\n";
    pos_ = kHeaderSize;
    if (total <= 0) return true;
    if (!TopLevel(kHeaderSize + static_cast<uint64_t>(total))) return false;
    return References();
  }

  const std::string& error() const { return error_; }
  LmfError reason() const { return reason_; }

 private:
  uint32_t U32At(uint64_t at) const { return LoadLe32(&bytes_[at]); }
  int32_t I32At(uint64_t at) const { return static_cast<int32_t>(U32At(at)); }

  bool Fail(LmfError reason, const std::string& why) {
    std::string where;
    for (const std::string& p : path_) where += (where.empty() ? "" : " > ") + p;
    reason_ = reason;
    error_ = "offset " + Hex(pos_) + (where.empty() ? "" : " in " + where) + ": " + why + " [" +
             LmfErrorName(reason) + "]";
    out_ << "error: " << error_ << "\n";
    return false;
  }

  void Line(const Chunk& c, const std::string& text) {
    out_ << std::string(2 * path_.size() + 2, ' ') << LmfTagName(c.tag) << " [" << c.length << "]"
         << (text.empty() ? "" : " ") << text << "\n";
  }

  // Reads the next header of a body ending at `end`.
  bool Header(uint64_t end, Chunk* c) {
    if (end - pos_ < kChunkHeaderSize)
      return Fail(LmfError::kChunkHeader,
                  std::to_string(end - pos_) + " bytes left in the body, too few for a chunk");
    if (bytes_.size() < pos_ + kChunkHeaderSize)
      return Fail(LmfError::kTruncated, "data ends inside a chunk header");
    const int32_t length = I32At(pos_ + 4);
    c->tag = U32At(pos_);
    if (length < 0)
      return Fail(LmfError::kChunkLength,
                  LmfTagName(c->tag) + ": negative length " + std::to_string(length));
    if (static_cast<uint64_t>(length) > end - pos_ - kChunkHeaderSize)
      return Fail(LmfError::kChunkLength, LmfTagName(c->tag) + ": length " +
                                              std::to_string(length) + " runs past its parent (" +
                                              std::to_string(end - pos_ - kChunkHeaderSize) +
                                              " bytes left)");
    pos_ += kChunkHeaderSize;
    c->length = static_cast<uint32_t>(length);
    c->body = pos_;
    return true;
  }

  bool HaveBody(const Chunk& c) {
    if (bytes_.size() < c.body + c.length)
      return Fail(LmfError::kTruncated, LmfTagName(c.tag) + ": data ends inside the body");
    return true;
  }

  // A copied body into a field `width` bytes wide, as a zero-extended value.
  bool Copied(const Chunk& c, uint32_t width, uint32_t* value) {
    if (c.length > width)
      return Fail(LmfError::kCopiedTooWide, LmfTagName(c.tag) + ": " + std::to_string(c.length) +
                                                " bytes do not fit a field of " +
                                                std::to_string(width));
    if (!HaveBody(c)) return false;
    *value = 0;
    std::memcpy(value, &bytes_[c.body], c.length);
    pos_ += c.length;
    return true;
  }

  bool Fixed(const Chunk& c, uint32_t size) {
    if (c.length != size)
      return Fail(LmfError::kFixedSize, LmfTagName(c.tag) + ": length " + std::to_string(c.length) +
                                            ", must be " + std::to_string(size));
    if (!HaveBody(c)) return false;
    pos_ += size;
    return true;
  }

  float FloatAt(uint64_t at) const {
    float f;
    std::memcpy(&f, &bytes_[at], 4);
    return f;
  }

  std::string Floats(uint64_t at, int n) const {
    std::string text;
    for (int i = 0; i < n; ++i) {
      char one[32];
      std::snprintf(one, sizeof one, "%s%g", i ? " " : "", FloatAt(at + 4u * i));
      text += one;
    }
    return text;
  }

  bool CopiedLine(const Chunk& c, uint32_t width, const char* what, uint32_t* value = nullptr) {
    uint32_t v;
    if (!Copied(c, width, &v)) return false;
    Line(c, std::string(what) + " " + std::to_string(v));
    if (value) *value = v;
    return true;
  }

  bool FloatLine(const Chunk& c, const char* what) {
    uint32_t v;
    if (!Copied(c, 4, &v)) return false;
    float f;
    std::memcpy(&f, &v, 4);
    char text[48];
    std::snprintf(text, sizeof text, "%s %g", what, f);
    Line(c, text);
    return true;
  }

  bool FixedFloats(const Chunk& c, int n, const char* what) {
    if (!Fixed(c, 4u * n)) return false;
    Line(c, std::string(what) + " " + Floats(c.body, n));
    return true;
  }

  bool NameLine(const Chunk& c) {
    if (!HaveBody(c)) return false;
    pos_ += c.length;
    Line(c, "name " + Quoted(c.length ? &bytes_[c.body] : nullptr, c.length));
    return true;
  }

  bool Skip(const Chunk& c) {
    if (!HaveBody(c)) return false;
    pos_ += c.length;
    Line(c, "unknown, skipped");
    return true;
  }

  bool Count(const Chunk& c, Counted* counted, const char* what) {
    if (counted->counted)
      return Fail(LmfError::kRepeated, LmfTagName(c.tag) + ": a second count of " + what);
    uint32_t n;
    if (!Copied(c, 2, &n)) return false;
    counted->counted = true;
    counted->count = static_cast<uint16_t>(n);
    Line(c, std::to_string(n) + " " + what);
    return true;
  }

  bool Item(const Chunk& c, Counted* counted, const char* countTag) {
    if (!counted->counted)
      return Fail(LmfError::kItemUncounted, LmfTagName(c.tag) + ": no " + countTag + " before it");
    if (counted->next >= counted->count)
      return Fail(LmfError::kItemUncounted, LmfTagName(c.tag) + ": more than the " +
                                                std::to_string(counted->count) + " that " +
                                                countTag + " announced");
    ++counted->next;
    return true;
  }

  // Walks the chunks of a container body with `each`.
  bool Container(const Chunk& c, const std::string& label,
                 const std::function<bool(const Chunk&)>& each) {
    Line(c, label);
    path_.push_back(LmfTagName(c.tag) + (label.empty() ? "" : " " + label));
    const uint64_t end = c.body + c.length;
    while (pos_ < end) {
      Chunk inner;
      if (!Header(end, &inner) || !each(inner)) return false;
    }
    path_.pop_back();
    return true;
  }

  bool TopLevel(uint64_t end) {
    Counted layers, motions, surfaces, cameras, lights;
    while (pos_ < end) {
      Chunk c;
      if (!Header(end, &c)) return false;
      bool ok = true;
      switch (c.tag) {
        case kLYRN:
          ok = Count(c, &layers, "layers");
          if (ok) layers_.resize(layers.count);
          break;
        case kLYER:
          ok = Item(c, &layers, "LYRN") &&
               Layer(c, &layers_[layers.next - 1], "#" + std::to_string(layers.next - 1));
          break;
        case kMOTN:
          ok = Count(c, &motions, "motions");
          if (ok) parents_.assign(motions.count, kNoMotion);
          break;
        case kMOTI:
          ok = Item(c, &motions, "MOTN") &&
               Motion(c, &parents_[motions.next - 1], "#" + std::to_string(motions.next - 1));
          break;
        case kSRFN:
          ok = Count(c, &surfaces, "surfaces");
          surfaceCount_ = surfaces.count;
          break;
        case kSURF:
          ok = Item(c, &surfaces, "SRFN") && Surface(c, "#" + std::to_string(surfaces.next - 1));
          break;
        case kCAMN:
          ok = Count(c, &cameras, "cameras");
          if (ok) cameraMotions_.assign(cameras.count, 0);
          break;
        case kCAM:
          ok = Item(c, &cameras, "CAMN") &&
               Camera(c, &cameraMotions_[cameras.next - 1], "#" + std::to_string(cameras.next - 1));
          break;
        case kLITN: ok = Count(c, &lights, "lights"); break;
        case kLIGT:
          ok = Item(c, &lights, "LITN");
          if (ok)
            Line(c,
                 "light #" + std::to_string(lights.next - 1) + ", its body follows at top level");
          break;
        default: ok = Skip(c); break;
      }
      if (!ok) return false;
    }
    return true;
  }

  bool Layer(const Chunk& layer, LayerInfo* info, const std::string& label) {
    Counted meshes, bones, bindings;
    return Container(layer, label, [&](const Chunk& c) {
      switch (c.tag) {
        case kNAME: return NameLine(c);
        case kBBOX: return FixedFloats(c, 6, "min, max");
        case kSHOW: return CopiedLine(c, 4, "show");
        case kMESN:
          if (!Count(c, &meshes, "meshes")) return false;
          info->meshes.resize(meshes.count);
          return true;
        case kMESH:
          return Item(c, &meshes, "MESN") &&
                 Mesh(c, &info->meshes[meshes.next - 1], "#" + std::to_string(meshes.next - 1));
        case kBONN: return Count(c, &bones, "bones");
        case kBONE: return Item(c, &bones, "BONN") && Bone(c, "#" + std::to_string(bones.next - 1));
        case kLMNO: {
          uint32_t v = 0;
          if (!CopiedLine(c, 2, "motion", &v)) return false;
          info->motionNo = static_cast<uint16_t>(v);
          return true;
        }
        case kLVSC: return CopiedLine(c, 2, "palette slot");
        case kMOTN:
          if (!Count(c, &bindings, "palette bindings")) return false;
          info->bindingMotions.assign(bindings.count, 0);
          return true;
        case kMTNO:
          return Item(c, &bindings, "MOTN") && Binding(c, &info->bindingMotions[bindings.next - 1],
                                                       "#" + std::to_string(bindings.next - 1));
        default: return Skip(c);
      }
    });
  }

  bool Mesh(const Chunk& mesh, MeshInfo* info, const std::string& label) {
    uint32_t vertices = 0, triangles = 0;
    return Container(mesh, label, [&](const Chunk& c) {
      switch (c.tag) {
        case kVTXN:
        case kPOLN: {
          const bool isVertex = c.tag == kVTXN;
          bool* made = isVertex ? &info->vertexBuffer : &info->indexBuffer;
          if (*made)
            return Fail(LmfError::kRepeated,
                        LmfTagName(c.tag) + ": a second count in the same mesh");
          uint32_t* n = isVertex ? &vertices : &triangles;
          if (!CopiedLine(c, 2, isVertex ? "vertices" : "triangles", n)) return false;
          if (*n == 0) return Fail(LmfError::kDevice, LmfTagName(c.tag) + ": 0 makes no buffer");
          *made = true;
          return true;
        }
        case kVTEX:
        case kPOLY: {
          const bool isVertex = c.tag == kVTEX;
          const char* countTag = isVertex ? "VTXN" : "POLN";
          if (!(isVertex ? info->vertexBuffer : info->indexBuffer))
            return Fail(LmfError::kDataBeforeBuffer,
                        LmfTagName(c.tag) + ": no " + countTag + " before it");
          const uint32_t size = isVertex ? vertices * kVertexSize : triangles * kTriangleSize;
          if (c.length != size)
            return Fail(LmfError::kDataSize, LmfTagName(c.tag) + ": " + std::to_string(c.length) +
                                                 " bytes, but " + countTag + " makes a buffer of " +
                                                 std::to_string(size));
          if (!HaveBody(c)) return false;
          pos_ += c.length;
          Line(c, isVertex ? "vertex data" : "index data");
          return true;
        }
        case kSFNO: {
          uint32_t v = 0;
          if (!CopiedLine(c, 2, "surface", &v)) return false;
          info->surfaceNo = static_cast<uint16_t>(v);
          return true;
        }
        default: return Skip(c);
      }
    });
  }

  bool Bone(const Chunk& bone, const std::string& label) {
    return Container(bone, label, [&](const Chunk& c) {
      switch (c.tag) {
        case kNAME: return NameLine(c);
        case kRSTP: return FixedFloats(c, 3, "rest position");
        case kRSTD: return FixedFloats(c, 3, "rest direction");
        case kRSTL: return FixedFloats(c, 1, "rest length");
        case kMTNO:
          if (!Fixed(c, 2)) return false;
          Line(c, "motion " + std::to_string(LoadLe16(&bytes_[c.body])));
          return true;
        default: return Skip(c);
      }
    });
  }

  bool Binding(const Chunk& binding, uint16_t* motionNo, const std::string& label) {
    return Container(binding, label, [&](const Chunk& c) {
      uint32_t v = 0;
      switch (c.tag) {
        case kMTNO:
          if (!CopiedLine(c, 2, "motion", &v)) return false;
          *motionNo = static_cast<uint16_t>(v);
          return true;
        case kVSCN: return CopiedLine(c, 2, "palette slot");
        default: return Skip(c);
      }
    });
  }

  bool Motion(const Chunk& motion, uint16_t* parentNo, const std::string& label) {
    return Container(motion, label, [&](const Chunk& c) {
      if (c.tag == kIRMT) return FixedFloats(c, 16, "rest inverse");
      if (c.tag == kPIVT) return FixedFloats(c, 3, "pivot");
      if (c.tag == kPARN) {
        if (!Fixed(c, 2)) return false;
        *parentNo = LoadLe16(&bytes_[c.body]);
        Line(c, "parent " + std::to_string(*parentNo));
        return true;
      }
      for (uint32_t tag : kChannelTags) {
        if (c.tag == tag) return Channel(c);
      }
      return Skip(c);
    });
  }

  bool Channel(const Chunk& channel) {
    uint32_t keys = 0;
    return Container(channel, "channel", [&](const Chunk& c) {
      switch (c.tag) {
        case kKEYN: return CopiedLine(c, 2, "keys", &keys);
        case kKEY: {
          if (c.length != keys * kKeySize)
            return Fail(LmfError::kFixedSize, "KEY : " + std::to_string(c.length) +
                                                  " bytes, but KEYN " + std::to_string(keys) +
                                                  " needs " + std::to_string(keys * kKeySize));
          if (!HaveBody(c)) return false;
          pos_ += c.length;
          std::string text = std::to_string(keys) + " keys";
          if (keys) {
            const int32_t first = I32At(c.body + 4);
            const int32_t last = I32At(c.body + (keys - 1) * kKeySize + 4);
            text += ", " + std::to_string(first) + " to " + std::to_string(last) + " ms";
          }
          Line(c, text);
          return true;
        }
        case kPER: return CopiedLine(c, 2, "before the keys");
        case kPOST: return CopiedLine(c, 2, "after the keys");
        default: return Skip(c);
      }
    });
  }

  bool Surface(const Chunk& surface, const std::string& label) {
    bool texture = false, toon = false;
    return Container(surface, label, [&](const Chunk& c) {
      switch (c.tag) {
        case kNAME: return NameLine(c);
        case kSTYP: return CopiedLine(c, 4, "type");
        case kBLDM: return CopiedLine(c, 4, "blend mode");
        case kDIFF: return FixedFloats(c, 4, "diffuse");
        case kEMSV: return FloatLine(c, "emissive");
        case kSPEC: return FloatLine(c, "specular");
        case kPOWR: return FloatLine(c, "power");
        case kSIDE: return CopiedLine(c, 4, "double-sided");
        case kTEX: return Texture(c, &texture, "colour texture");
        case kTTEX: return Texture(c, &toon, "toon texture");
        case kEDGC: return FixedFloats(c, 4, "edge colour");
        case kEDGS: return FloatLine(c, "edge size");
        default: return Skip(c);
      }
    });
  }

  // The loader makes a texture only when its pixels arrive, so a container
  // must hold SIZE and then exactly width x height x 4 bytes of pixels.
  bool Texture(const Chunk& texture, bool* made, const char* label) {
    int32_t width = 0, height = 0;
    bool sized = false, filled = false;
    const bool read = Container(texture, label, [&](const Chunk& c) {
      if (c.tag == kSIZE) {
        if (*made) return Fail(LmfError::kRepeated, "SIZE: the texture was already made");
        if (sized) return Fail(LmfError::kRepeated, "SIZE: a second size in one texture");
        if (!Fixed(c, 8)) return false;
        width = I32At(c.body);
        height = I32At(c.body + 4);
        if (width < 1 || height < 1 || width > kMaxTextureSide || height > kMaxTextureSide)
          return Fail(LmfError::kPictureSize, "SIZE: " + std::to_string(width) + " x " +
                                                  std::to_string(height) + " is outside 1.." +
                                                  std::to_string(kMaxTextureSide));
        const uint32_t side = TextureSide(width, height);
        Line(c, std::to_string(width) + " x " + std::to_string(height) + ", texture " +
                    std::to_string(side) + " x " + std::to_string(side));
        sized = true;
        return true;
      }
      if (c.tag == kTEX) {
        if (!sized) return Fail(LmfError::kDataBeforeBuffer, "TEX : no SIZE before the pixels");
        if (filled) return Fail(LmfError::kRepeated, "TEX : a second picture in one texture");
        const uint32_t size =
            static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * kPixelSize;
        if (c.length != size)
          return Fail(LmfError::kDataSize, "TEX : " + std::to_string(c.length) +
                                               " bytes of pixels, SIZE needs " +
                                               std::to_string(size));
        if (!HaveBody(c)) return false;
        pos_ += c.length;
        Line(c, "pixels");
        filled = *made = true;
        return true;
      }
      return Skip(c);
    });
    if (read && !filled) {
      return Fail(LmfError::kNoPixels,
                  LmfTagName(texture.tag) + " " + label + ": ends without its pixels" +
                      (sized ? " (SIZE needs " +
                                   std::to_string(static_cast<uint64_t>(width) *
                                                  static_cast<uint64_t>(height) * kPixelSize) +
                                   " bytes)"
                             : ""));
    }
    return read;
  }

  bool Camera(const Chunk& camera, uint16_t* motionNo, const std::string& label) {
    return Container(camera, label, [&](const Chunk& c) {
      uint32_t v = 0;
      switch (c.tag) {
        case kNAME: return NameLine(c);
        case kFOVY: return FloatLine(c, "fov y");
        case kMTNO:
          if (!CopiedLine(c, 2, "motion", &v)) return false;
          *motionNo = static_cast<uint16_t>(v);
          return true;
        default: return Skip(c);
      }
    });
  }

  bool MotionOk(uint16_t motionNo) const {
    return motionNo == kNoMotion || parents_.empty() || motionNo < parents_.size();
  }

  // The cross-references the loader checks once everything is read.
  bool References() {
    const std::string motions = " of " + std::to_string(parents_.size()) + " motions";
    for (size_t l = 0; l < layers_.size(); ++l) {
      const std::string at = "layer #" + std::to_string(l);
      if (!MotionOk(layers_[l].motionNo))
        return Fail(LmfError::kMotionNumber,
                    at + ": motion " + std::to_string(layers_[l].motionNo) + motions);
      for (size_t m = 0; m < layers_[l].meshes.size(); ++m) {
        const MeshInfo& mesh = layers_[l].meshes[m];
        const std::string meshAt = at + " mesh #" + std::to_string(m);
        if (!mesh.vertexBuffer || !mesh.indexBuffer)
          return Fail(LmfError::kMissingBuffer, meshAt + ": missing, or without VTXN or POLN");
        if (mesh.surfaceNo >= surfaceCount_)
          return Fail(LmfError::kSurfaceNumber, meshAt + ": surface " +
                                                    std::to_string(mesh.surfaceNo) + " of " +
                                                    std::to_string(surfaceCount_));
      }
      for (uint16_t motion : layers_[l].bindingMotions) {
        if (!MotionOk(motion))
          return Fail(LmfError::kMotionNumber,
                      at + ": palette binding to motion " + std::to_string(motion) + motions);
      }
    }
    for (size_t c = 0; c < cameraMotions_.size(); ++c) {
      if (!MotionOk(cameraMotions_[c]))
        return Fail(LmfError::kMotionNumber, "camera #" + std::to_string(c) + ": motion " +
                                                 std::to_string(cameraMotions_[c]) + motions);
    }
    const size_t n = parents_.size();
    for (size_t i = 0; i < n; ++i) {
      if (parents_[i] != kNoMotion && parents_[i] >= n)
        return Fail(LmfError::kParentNumber, "motion #" + std::to_string(i) + ": parent " +
                                                 std::to_string(parents_[i]) + motions);
    }
    std::vector<uint8_t> state(n, 0);  // 0 unseen, 1 on the current path, 2 done
    for (size_t start = 0; start < n; ++start) {
      size_t at = start;
      while (at != kNoMotion && state[at] == 0) {
        state[at] = 1;
        at = parents_[at];
      }
      if (at != kNoMotion && state[at] == 1)
        return Fail(LmfError::kParentCycle,
                    "motion #" + std::to_string(at) + ": its parents lead back to it");
      for (at = start; at != kNoMotion && state[at] == 1; at = parents_[at]) state[at] = 2;
    }
    return true;
  }

  const std::vector<uint8_t>& bytes_;
  std::ostream& out_;
  uint64_t pos_ = 0;
  std::vector<std::string> path_;
  std::string error_;
  LmfError reason_ = LmfError::kNone;
  std::vector<LayerInfo> layers_;
  std::vector<uint16_t> parents_;
  std::vector<uint16_t> cameraMotions_;
  uint16_t surfaceCount_ = 0;
};

}  // namespace

bool DumpLmf(const std::vector<uint8_t>& bytes, std::ostream& out, std::string* error,
             LmfError* reason) {
  Dumper dumper(bytes, out);
  const bool ok = dumper.Run();
  if (error) *error = dumper.error();
  if (reason) *reason = dumper.reason();
  return ok;
}

}  // namespace lmfd
