// .bmp and .ico files turned into the resource forms Windows stores.
#include "rescomp.h"

#include <cstddef>

#include "data/little_endian.h"
namespace rescomp {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int64_t kMaxDimension = 16384;

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return LoadLe16(&b[at]); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return LoadLe32(&b[at]); }

struct DibLayout {
  uint64_t headerAndPalette;  // bytes before the pixel rows
  uint64_t pixelBytes;        // colour rows, plus the AND mask for icons
  int64_t width;
  int64_t height;  // image height (for icons, half the header's)
  uint16_t bitCount;
};

// Checks a BITMAPINFOHEADER at `at` and works out the sizes it implies.
DibLayout CheckDib(const std::vector<uint8_t>& b, size_t at, bool icon, const char* what) {
  const std::string w = what;
  if (b.size() < at + kInfoHeaderSize) throw Error(w + ": truncated header");
  const uint32_t headerSize = U32(b, at);
  if (headerSize < kInfoHeaderSize || headerSize > 124) {
    throw Error(w + ": unsupported header size " + std::to_string(headerSize));
  }
  DibLayout d;
  d.width = static_cast<int32_t>(U32(b, at + 4));
  d.height = static_cast<int32_t>(U32(b, at + 8));
  const uint16_t planes = U16(b, at + 12);
  d.bitCount = U16(b, at + 14);
  const uint32_t compression = U32(b, at + 16);
  const uint32_t clrUsed = U32(b, at + 32);
  if (planes != 1) throw Error(w + ": planes must be 1");
  if (compression != 0) throw Error(w + ": only uncompressed (BI_RGB) images are supported");
  if (d.bitCount != 1 && d.bitCount != 4 && d.bitCount != 8 && d.bitCount != 24 &&
      d.bitCount != 32) {
    throw Error(w + ": unsupported bit depth " + std::to_string(d.bitCount));
  }
  int64_t rows = d.height < 0 ? -d.height : d.height;
  if (icon) {
    if (d.height < 0 || rows % 2 != 0) throw Error(w + ": icon height must be positive and even");
    rows /= 2;
  }
  if (d.width <= 0 || rows <= 0 || d.width > kMaxDimension || rows > kMaxDimension) {
    throw Error(w + ": bad size " + std::to_string(d.width) + "x" + std::to_string(d.height));
  }
  d.height = rows;
  uint64_t palette = clrUsed;
  if (d.bitCount <= 8) {
    if (clrUsed > (1u << d.bitCount)) throw Error(w + ": palette too large");
    if (clrUsed == 0) palette = 1u << d.bitCount;
  } else if (clrUsed > 256) {
    throw Error(w + ": palette too large");
  }
  const uint64_t stride = ((static_cast<uint64_t>(d.width) * d.bitCount + 31) / 32) * 4;
  const uint64_t maskStride = ((static_cast<uint64_t>(d.width) + 31) / 32) * 4;
  d.headerAndPalette = headerSize + palette * 4;
  d.pixelBytes =
      stride * static_cast<uint64_t>(rows) + (icon ? maskStride * static_cast<uint64_t>(rows) : 0);
  return d;
}

}  // namespace

std::vector<uint8_t> PackedDibFromBmp(const std::vector<uint8_t>& file) {
  if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
    throw Error("not a BMP file");
  }
  const DibLayout d = CheckDib(file, kFileHeaderSize, false, "BMP");
  const uint64_t bitsOffset = U32(file, 10);
  if (bitsOffset < kFileHeaderSize + d.headerAndPalette) {
    throw Error("BMP: pixel data overlaps the header");
  }
  if (bitsOffset + d.pixelBytes > file.size()) throw Error("BMP: truncated pixel data");
  // The packed form has the rows straight after the palette, so any gap the
  // file left before its pixel data is dropped.
  std::vector<uint8_t> out(
      file.begin() + kFileHeaderSize,
      file.begin() + static_cast<std::ptrdiff_t>(kFileHeaderSize + d.headerAndPalette));
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(bitsOffset),
             file.begin() + static_cast<std::ptrdiff_t>(bitsOffset + d.pixelBytes));
  return out;
}

IconResources IconFromIco(const std::vector<uint8_t>& file, uint16_t* nextIconId) {
  constexpr size_t kDirSize = 6;
  constexpr size_t kEntrySize = 16;
  if (file.size() < kDirSize || U16(file, 0) != 0 || U16(file, 2) != 1) {
    throw Error("not an ICO file");
  }
  const size_t count = U16(file, 4);
  if (count == 0) throw Error("ICO: no images");
  if (file.size() < kDirSize + count * kEntrySize) throw Error("ICO: truncated directory");
  IconResources out;
  out.group = {0, 0, 1, 0, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8)};
  for (size_t i = 0; i < count; ++i) {
    const size_t e = kDirSize + i * kEntrySize;
    const uint32_t bytes = U32(file, e + 8);
    const uint32_t offset = U32(file, e + 12);
    const std::string what = "ICO image " + std::to_string(i + 1);
    if (static_cast<uint64_t>(offset) + bytes > file.size() || bytes < kInfoHeaderSize) {
      throw Error(what + ": data outside the file");
    }
    if (bytes >= 8 && file[offset] == 0x89 && file[offset + 1] == 'P') {
      throw Error(what + ": PNG images are not supported");
    }
    const std::vector<uint8_t> image(file.begin() + offset, file.begin() + offset + bytes);
    const DibLayout d = CheckDib(image, 0, true, what.c_str());
    if (d.headerAndPalette + d.pixelBytes > bytes) throw Error(what + ": truncated image");
    const int entryW = file[e] == 0 ? 256 : file[e];
    const int entryH = file[e + 1] == 0 ? 256 : file[e + 1];
    if (entryW != d.width || entryH != d.height) {
      throw Error(what + ": directory size does not match the image");
    }
    if (*nextIconId == 0) throw Error("too many icon images");
    const uint16_t id = (*nextIconId)++;
    // GRPICONDIRENTRY: the ICONDIRENTRY's first 12 bytes, then the id.
    out.group.insert(out.group.end(), file.begin() + static_cast<std::ptrdiff_t>(e),
                     file.begin() + static_cast<std::ptrdiff_t>(e + 12));
    out.group.push_back(static_cast<uint8_t>(id & 0xFF));
    out.group.push_back(static_cast<uint8_t>(id >> 8));
    out.images.push_back(image);
    out.ids.push_back(id);
  }
  return out;
}

}  // namespace rescomp
