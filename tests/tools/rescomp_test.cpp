// The resource compiler: scripts that must compile to exact bytes, and
// scripts that must fail with the file and line of the fault.
#include "rescomp.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

using test_support::Put16;
using test_support::Put32;
uint16_t U16(const Bytes& b, size_t at) { return uint16_t(b.at(at) | (b.at(at + 1) << 8)); }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | (uint32_t(U16(b, at + 2)) << 16); }
Bytes Utf16(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) Put16(&b, c);
  Put16(&b, 0);
  return b;
}
bool HasAt(const Bytes& b, size_t at, const Bytes& part) {
  return b.size() >= at + part.size() && std::equal(part.begin(), part.end(), b.begin() + long(at));
}

Bytes InfoHeader(int w, int h, int bpp, uint32_t clrUsed) {
  Bytes b;
  Put32(&b, 40);
  Put32(&b, uint32_t(w));
  Put32(&b, uint32_t(h));
  Put16(&b, 1);
  Put16(&b, uint32_t(bpp));
  for (int i = 0; i < 3; ++i) Put32(&b, 0);
  Put32(&b, 0);
  Put32(&b, clrUsed);
  Put32(&b, 0);
  return b;
}

// A 2x2 8-bit image with a 2-colour palette, with `gap` spare bytes between
// the palette and the pixels, as some writers leave.
Bytes Bmp(size_t gap) {
  Bytes dib = InfoHeader(2, 2, 8, 2);
  Put32(&dib, 0x00FF0000);
  Put32(&dib, 0x000000FF);
  Bytes b = {'B', 'M'};
  Put32(&b, uint32_t(14 + dib.size() + gap + 8));
  Put32(&b, 0);
  Put32(&b, uint32_t(14 + dib.size() + gap));
  b.insert(b.end(), dib.begin(), dib.end());
  b.insert(b.end(), gap, 0xCC);
  const uint8_t rows[] = {0, 1, 0, 0, 1, 0, 0, 0};
  b.insert(b.end(), std::begin(rows), std::end(rows));
  return b;
}

// An 8-bit icon image of size x size (colour rows then mask).
Bytes IconImage(int size) {
  Bytes d = InfoHeader(size, size * 2, 8, 0);
  for (int i = 0; i < 256; ++i) Put32(&d, uint32_t(i * 0x010101));
  const size_t stride = (size_t(size) + 3) & ~size_t(3);
  const size_t mask = ((size_t(size) + 31) / 32) * 4;
  d.insert(d.end(), stride * size_t(size), 7);
  d.insert(d.end(), mask * size_t(size), 0);
  return d;
}

Bytes Ico(const std::vector<int>& sizes) {
  std::vector<Bytes> images;
  for (int s : sizes) images.push_back(IconImage(s));
  Bytes b;
  Put16(&b, 0);
  Put16(&b, 1);
  Put16(&b, uint32_t(sizes.size()));
  uint32_t offset = 6 + 16 * uint32_t(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    b.push_back(uint8_t(sizes[i]));
    b.push_back(uint8_t(sizes[i]));
    b.push_back(0);
    b.push_back(0);
    Put16(&b, 1);
    Put16(&b, 8);
    Put32(&b, uint32_t(images[i].size()));
    Put32(&b, offset);
    offset += uint32_t(images[i].size());
  }
  for (const Bytes& im : images) b.insert(b.end(), im.begin(), im.end());
  return b;
}

const std::map<std::string, Bytes>& Files() {
  static const std::map<std::string, Bytes> files = [] {
    std::map<std::string, Bytes> f;
    f["/res/fx.bin"] = {0x01, 0x09, 0xFF, 0xFE, 0x00};
    f["/res/empty.bin"] = {};
    f["/res/gap.bmp"] = Bmp(6);
    f["/res/plain.bmp"] = Bmp(0);
    f["/inc/two.ico"] = Ico({32, 16});
    f["/res/one.ico"] = Ico({48});
    f["/res/bad.bmp"] = {'B', 'X', 0, 0};
    Bytes shortBmp = Bmp(0);
    shortBmp.pop_back();
    f["/res/short.bmp"] = shortBmp;
    Bytes overlap = Bmp(0);
    overlap[10] = 20;  // pixels said to start inside the header
    f["/res/overlap.bmp"] = overlap;
    Bytes rle = Bmp(0);
    rle[14 + 16] = 1;
    f["/res/rle.bmp"] = rle;
    Bytes png = Ico({16});
    png[22] = 0x89;
    png[23] = 'P';
    f["/res/png.ico"] = png;
    Bytes mismatch = Ico({16});
    mismatch[6] = 20;
    f["/res/mismatch.ico"] = mismatch;
    Bytes outside = Ico({16});
    outside[6 + 12] = 0xF0;
    f["/res/outside.ico"] = outside;
    return f;
  }();
  return files;
}

Bytes FakeRead(const std::string& path, bool* found) {
  const auto it = Files().find(path);
  *found = it != Files().end();
  return *found ? it->second : Bytes{};
}

std::vector<rescomp::Resource> CompileText(const std::string& text) {
  return rescomp::Compile(text, "/res/test.rc", {"/inc"}, FakeRead);
}

TEST(Rescomp, SettingsDialogTemplate) {
  const auto out = CompileText(
      "// the settings dialog\n"
      "DIALOGWND DIALOG 0, 0, 0, 0\n"
      "STYLE WS_CAPTION | DS_SETFONT\n"
      "FONT 12, \"MS Shell Dlg\"\n"
      "BEGIN\nEND\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].type.id, 5);
  EXPECT_EQ(out[0].name.name, "DIALOGWND");
  const Bytes& b = out[0].data;
  EXPECT_EQ(U32(b, 0), 0x00C00040u);                                       // style
  EXPECT_EQ(U32(b, 4), 0u);                                                // exStyle
  EXPECT_EQ(U16(b, 8), 0u);                                                // cdit
  for (size_t at = 10; at < 18; at += 2) EXPECT_EQ(U16(b, at), 0u) << at;  // x, y, cx, cy
  EXPECT_EQ(U16(b, 18), 0u);                                               // no menu
  EXPECT_EQ(U16(b, 20), 0u);                                               // no class
  EXPECT_EQ(U16(b, 22), 0u);                                               // empty title
  EXPECT_EQ(U16(b, 24), 12u);
  const Bytes face = Utf16(u"MS Shell Dlg");
  EXPECT_TRUE(HasAt(b, 26, face));
  EXPECT_EQ(b.size(), 26 + face.size());
}

TEST(Rescomp, DialogWithEveryHeaderFieldAndControls) {
  const auto out = CompileText(
      "7 DIALOG 10, -20, 300, 0x40\n"
      "STYLE WS_POPUP | WS_SYSMENU | NOT WS_POPUP\n"
      "EXSTYLE WS_EX_TOPMOST\n"
      "CAPTION \"設定\"\n"
      "MENU 5\n"
      "CLASS \"MyClass\"\n"
      "FONT 9, \"A\"\n"
      "{\n"
      "  PUSHBUTTON \"OK\", IDOK, 1, 2, 3, 4\n"
      "  CONTROL \"\", 0x1002, \"button\", BS_AUTORADIOBUTTON | WS_GROUP, 5, 6, 7, 8, 0x200\n"
      "  CONTROL \"x\", 9, \"Custom\", 0, 0, 0, 1, 1\n"
      "}\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].name.id, 7);
  const Bytes& b = out[0].data;
  EXPECT_EQ(U32(b, 0), 0x00080000u | 0x00C00000u | 0x40u);  // CAPTION and FONT add their bits
  EXPECT_EQ(U32(b, 4), 0x8u);
  EXPECT_EQ(U16(b, 8), 3u);
  EXPECT_EQ(int16_t(U16(b, 10)), 10);
  EXPECT_EQ(int16_t(U16(b, 12)), -20);
  EXPECT_EQ(U16(b, 14), 300u);
  EXPECT_EQ(U16(b, 16), 0x40u);
  size_t at = 18;
  EXPECT_EQ(U16(b, at), 0xFFFFu);
  EXPECT_EQ(U16(b, at + 2), 5u);
  at += 4;
  const Bytes cls = Utf16(u"MyClass");
  EXPECT_TRUE(HasAt(b, at, cls));
  at += cls.size();
  const Bytes title = Utf16(u"\u8A2D\u5B9A");
  EXPECT_TRUE(HasAt(b, at, title));
  at += title.size();
  EXPECT_EQ(U16(b, at), 9u);
  at += 2 + Utf16(u"A").size();

  struct Item {
    uint32_t style, exStyle;
    int16_t x, y, cx, cy;
    uint16_t id;
    Bytes cls, text;
  };
  const Item items[] = {
      {0x50010000u, 0, 1, 2, 3, 4, 1, {0xFF, 0xFF, 0x80, 0x00}, Utf16(u"OK")},
      {0x50020009u, 0x200, 5, 6, 7, 8, 0x1002, {0xFF, 0xFF, 0x80, 0x00}, Utf16(u"")},
      {0x50000000u, 0, 0, 0, 1, 1, 9, Utf16(u"Custom"), Utf16(u"x")},
  };
  for (const Item& it : items) {
    at = (at + 3) & ~size_t(3);
    EXPECT_EQ(U32(b, at), it.style) << it.id;
    EXPECT_EQ(U32(b, at + 4), it.exStyle) << it.id;
    EXPECT_EQ(int16_t(U16(b, at + 8)), it.x);
    EXPECT_EQ(int16_t(U16(b, at + 10)), it.y);
    EXPECT_EQ(int16_t(U16(b, at + 12)), it.cx);
    EXPECT_EQ(int16_t(U16(b, at + 14)), it.cy);
    EXPECT_EQ(U16(b, at + 16), it.id);
    at += 18;
    EXPECT_TRUE(HasAt(b, at, it.cls)) << it.id;
    at += it.cls.size();
    EXPECT_TRUE(HasAt(b, at, it.text)) << it.id;
    at += it.text.size();
    EXPECT_EQ(U16(b, at), 0u);  // creation data
    at += 2;
  }
  EXPECT_EQ(at, b.size());
}

TEST(Rescomp, FileResourcesKeepTheirBytes) {
  const auto out = CompileText(
      "SHADER_OBJECT SHADER \"fx.bin\"\n"
      "shader_object 300 \"fx.bin\"\n"
      "42 RCDATA \"empty.bin\"\n"
      "StartImage BITMAP \"gap.bmp\"\n"
      "PLAIN BITMAP \"plain.bmp\"\n");
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].type.name, "SHADER");
  EXPECT_EQ(out[0].name.name, "SHADER_OBJECT");
  EXPECT_EQ(out[0].data, Files().at("/res/fx.bin"));
  EXPECT_EQ(out[1].type.name, "");
  EXPECT_EQ(out[1].type.id, 300);
  EXPECT_EQ(out[1].name.name, "SHADER_OBJECT");
  EXPECT_EQ(out[2].type.id, 10);
  EXPECT_EQ(out[2].name.id, 42);
  EXPECT_TRUE(out[2].data.empty());
  // Both bitmaps lose the file header and any gap before the pixels.
  EXPECT_EQ(out[3].type.id, 2);
  EXPECT_EQ(out[3].name.name, "STARTIMAGE");
  const Bytes plain = Files().at("/res/plain.bmp");
  EXPECT_EQ(out[3].data, Bytes(plain.begin() + 14, plain.end()));
  EXPECT_EQ(out[4].data, out[3].data);
}

TEST(Rescomp, IconsBecomeAGroupAndNumberedImages) {
  const auto out = CompileText("MAINICON ICON \"two.ico\"\nOTHER ICON \"one.ico\"\n");
  ASSERT_EQ(out.size(), 5u);
  const Bytes two = Files().at("/inc/two.ico");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(out[i].type.id, 3);
    EXPECT_EQ(out[i].name.id, i + 1);
    const uint32_t size = U32(two, 6 + 16 * i + 8), offset = U32(two, 6 + 16 * i + 12);
    EXPECT_EQ(out[i].data, Bytes(two.begin() + offset, two.begin() + offset + size));
  }
  const Bytes& g = out[2].data;
  EXPECT_EQ(out[2].type.id, 14);
  EXPECT_EQ(out[2].name.name, "MAINICON");
  ASSERT_EQ(g.size(), 6u + 2 * 14);
  EXPECT_EQ(U16(g, 0), 0u);
  EXPECT_EQ(U16(g, 2), 1u);
  EXPECT_EQ(U16(g, 4), 2u);
  for (int i = 0; i < 2; ++i) {
    const size_t e = 6 + 14 * size_t(i);
    EXPECT_EQ(g[e], i == 0 ? 32 : 16);
    EXPECT_EQ(g[e + 1], i == 0 ? 32 : 16);
    EXPECT_EQ(g[e + 2], 0);  // 256 colours
    EXPECT_EQ(U16(g, e + 4), 1u);
    EXPECT_EQ(U16(g, e + 6), 8u);
    EXPECT_EQ(U32(g, e + 8), out[i].data.size());
    EXPECT_EQ(U16(g, e + 12), i + 1);
  }
  // The next icon's images continue the numbering.
  EXPECT_EQ(out[3].name.id, 3);
  EXPECT_EQ(U16(out[4].data, 6 + 12), 3u);
}

TEST(Rescomp, ErrorsNameTheFileAndLine) {
  struct Case {
    const char* script;
    int line;
    const char* message;
  };
  const Case cases[] = {
      {"X DIALOG 0, 0, 0\nBEGIN\nEND\n", 2, "expected ','"},
      {"X DIALOG 0,0,0,0\nSTYLE WS_BOGUS\nBEGIN\nEND\n", 2, "unknown constant 'WS_BOGUS'"},
      {"\nX DIALOGEX 0,0,0,0\n", 2, "DIALOGEX resources are not supported"},
      {"X DIALOG 0,0,0,0\nBEGIN\n", 3, "missing END"},
      {"X DIALOG 0,0,0,0\nBEGIN\n  BUTTON \"a\", 1, 0, 0, 1, 1\nEND\n", 3, "unknown control"},
      {"X DIALOG 0,0,0,0\nCAPTION \"\xff\"\nBEGIN\nEND\n", 2, "not valid UTF-8"},
      {"X DIALOG 0,0,70000,0\nBEGIN\nEND\n", 1, "does not fit in 16 bits"},
      {"X BITMAP \"missing.bmp\"\n", 1, "cannot open \"missing.bmp\""},
      {"\n\nX BITMAP \"bad.bmp\"\n", 3, "not a BMP file"},
      {"X BITMAP \"short.bmp\"\n", 1, "truncated pixel data"},
      {"X BITMAP \"overlap.bmp\"\n", 1, "overlaps the header"},
      {"X BITMAP \"rle.bmp\"\n", 1, "only uncompressed"},
      {"X ICON \"png.ico\"\n", 1, "PNG images are not supported"},
      {"X ICON \"mismatch.ico\"\n", 1, "does not match"},
      {"X ICON \"outside.ico\"\n", 1, "outside the file"},
      {"X ICON \"fx.bin\"\n", 1, "not an ICO file"},
      {"X SHADER \"fx.bin\n", 1, "unterminated string"},
      {"#include \"x.h\"\n", 1, "preprocessor directives are not supported"},
      {"X SHADER \"fx.bin\"\nx SHADER \"fx.bin\"\n", 2, "duplicate resource"},
      {"70000 SHADER \"fx.bin\"\n", 1, "must fit in 16 bits"},
      {"X 0x1FFFFFFFF \"fx.bin\"\n", 1, "does not fit in 32 bits"},
      {"X SHADER @\n", 1, "unexpected character '@'"},
      {"X SHADER\n", 2, "expected a file name"},
      {"X\n", 2, "expected a resource type"},
      {"/* open\n\ncomment\n", 1, "unterminated comment"},
      {"X SHADER \"a\\q\"\n", 1, "unknown escape"},
  };
  for (const Case& c : cases) {
    try {
      CompileText(c.script);
      ADD_FAILURE() << "compiled: " << c.script;
    } catch (const rescomp::Error& e) {
      const std::string what = e.what();
      const std::string place = "/res/test.rc:" + std::to_string(c.line) + ": ";
      EXPECT_EQ(what.rfind(place, 0), 0u) << what << " (script: " << c.script << ")";
      EXPECT_NE(what.find(c.message), std::string::npos) << what;
    }
  }
}

TEST(Rescomp, EmittedSourceRegistersEveryResource) {
  const auto out = CompileText("SHADER_OBJECT SHADER \"fx.bin\"\n42 RCDATA \"empty.bin\"\n");
  const std::string src = rescomp::EmitCpp(out, "test.rc");
  EXPECT_NE(src.find("#include \"win32/resource_registry.h\""), std::string::npos);
  EXPECT_NE(src.find("0x01, 0x09, 0xFF, 0xFE, 0x00,"), std::string::npos);
  EXPECT_NE(src.find("{{\"SHADER\", 0}, {\"SHADER_OBJECT\", 0}, kData0, 5}"), std::string::npos);
  EXPECT_NE(src.find("{{nullptr, 10}, {nullptr, 42}, kData1, 0}"), std::string::npos);
  EXPECT_NE(src.find("RegisterModuleResources(kTable, 2)"), std::string::npos);
}

}  // namespace
