// Device contexts, bitmaps from resources, BitBlt clipping and FillRect.
#include <deque>

#include "platform/win32_fixture.h"
#include "win32/resource_registry.h"

namespace {

using namespace win32_test;

// A packed 24-bit DIB, bottom-up, whose pixel (x, y) is RGB(x*10, y*10, 7).
std::vector<unsigned char> MakeDib(int w, int h) {
  int stride = (w * 3 + 3) & ~3;
  std::vector<unsigned char> b(40 + static_cast<size_t>(stride) * h, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(w));
  put32(8, static_cast<uint32_t>(h));
  b[12] = 1;
  b[14] = 24;
  for (int y = 0; y < h; ++y) {
    unsigned char* row = &b[40 + static_cast<size_t>(stride) * (h - 1 - y)];
    for (int x = 0; x < w; ++x) {
      row[x * 3 + 0] = 7;
      row[x * 3 + 1] = static_cast<unsigned char>(y * 10);
      row[x * 3 + 2] = static_cast<unsigned char>(x * 10);
    }
  }
  return b;
}

void RegisterBitmap(const char* name, int w, int h) {
  static std::deque<std::vector<unsigned char>> store;
  static std::deque<win32::ModuleResource> table;
  store.push_back(MakeDib(w, h));
  table.push_back(
      win32::ModuleResource{{nullptr, 2}, {name, 0}, store.back().data(), store.back().size()});
  win32::RegisterModuleResources(&table.back(), 1);
}

class GdiTest : public Win32Test {};

TEST_F(GdiTest, SharedBitmapsAndSelection) {
  RegisterBitmap("GDITEST4", 4, 4);
  HANDLE a = LoadImageA(nullptr, "GDITEST4", IMAGE_BITMAP, 0, 0, LR_SHARED);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(LoadImageA(nullptr, "gditest4", IMAGE_BITMAP, 0, 0, LR_SHARED), a);
  EXPECT_EQ(LoadImageA(nullptr, "MISSING", IMAGE_BITMAP, 0, 0, LR_SHARED), nullptr);

  HDC mem = CreateCompatibleDC(nullptr);
  ASSERT_NE(mem, nullptr);
  HGDIOBJ defaultBitmap = SelectObject(mem, a);
  EXPECT_NE(defaultBitmap, nullptr);
  EXPECT_EQ(SelectObject(mem, a), a);
  HDC other = CreateCompatibleDC(mem);
  EXPECT_EQ(SelectObject(other, a), nullptr);  // already in a DC
  EXPECT_FALSE(DeleteObject(a));
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_TRUE(DeleteObject(a));
  EXPECT_FALSE(DeleteObject(a));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_TRUE(DeleteObject(GetStockObject(DEFAULT_GUI_FONT)));
  EXPECT_NE(GetStockObject(DEFAULT_GUI_FONT), nullptr);
  EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_MENU)));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  EXPECT_TRUE(DeleteObject(red));
}

struct BlitCase {
  int x, y, w, h, sx, sy;
  // expected: window pixel (px, py) shows bitmap pixel (bx, by), or background when bx < 0
  int px, py, bx, by;
};

TEST_F(GdiTest, BitBltClipsToSourceAndDestination) {
  RegisterBitmap("GDITEST8", 8, 6);
  const BlitCase cases[] = {
      {0, 0, 8, 6, 0, 0, 3, 2, 3, 2},      // plain copy
      {-2, -1, 8, 6, 0, 0, 0, 0, 2, 1},    // destination off the top-left
      {15, 17, 8, 6, 0, 0, 19, 19, 4, 2},  // destination off the bottom-right
      {15, 17, 8, 6, 0, 0, 15, 17, 0, 0},
      {0, 0, 20, 20, 4, 3, 3, 2, 7, 5},  // source runs out: rest untouched
      {0, 0, 20, 20, 4, 3, 4, 2, -1, -1},
      {0, 0, 8, 6, -2, 0, 0, 0, -1, -1},  // source starts left of the bitmap
      {0, 0, 8, 6, -2, 0, 2, 0, 0, 0},
  };
  const uint32_t bg = Rgb(GetSysColor(COLOR_MENU));
  for (const BlitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " src " << c.sx << "," << c.sy);
    HWND h = Popup(20, 20);
    Pump();
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ bmp = LoadImageA(nullptr, "GDITEST8", IMAGE_BITMAP, 0, 0, LR_SHARED);
    SelectObject(mem, bmp);
    HDC dc = GetDC(h);
    EXPECT_TRUE(BitBlt(dc, c.x, c.y, c.w, c.h, mem, c.sx, c.sy, SRCCOPY));
    ReleaseDC(h, dc);
    uint32_t want =
        c.bx < 0 ? bg : (static_cast<uint32_t>(c.bx * 10) << 16) | (c.by * 10u << 8) | 7u;
    EXPECT_EQ(PixelAt(h, c.px, c.py), want);
    DeleteDC(mem);
    DestroyWindow(h);
  }
}

TEST_F(GdiTest, ChildDcIsOffsetAndClipped) {
  HWND top = Popup(40, 40);
  HWND child = CreateWindowExA(0, kTestClass, "", WS_CHILD | WS_VISIBLE, 10, 10, 10, 10, top,
                               nullptr, nullptr, nullptr);
  Pump();
  HDC dc = GetDC(child);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT r{-5, -5, 100, 2};
  EXPECT_EQ(FillRect(dc, &r, blue), 1);
  ReleaseDC(child, dc);
  EXPECT_EQ(PixelAt(top, 10, 10), 0x0000FFu);
  EXPECT_EQ(PixelAt(top, 19, 11), 0x0000FFu);
  EXPECT_EQ(PixelAt(top, 20, 10), Rgb(GetSysColor(COLOR_MENU)));
  EXPECT_EQ(PixelAt(top, 10, 12), Rgb(GetSysColor(COLOR_MENU)));
  EXPECT_EQ(PixelAt(top, 9, 10), Rgb(GetSysColor(COLOR_MENU)));
  DeleteObject(blue);
}

TEST_F(GdiTest, IconsAndCursors) {
  EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
  EXPECT_EQ(LoadIconA(nullptr, "NOICON"), nullptr);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
  EXPECT_EQ(GetSysColor(COLOR_3DFACE), RGB(240, 240, 240));
}

}  // namespace
