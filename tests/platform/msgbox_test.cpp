// MessageBoxA: the auto-answer policy, its record and image, and the keys
// of an interactive box.
#include <SDL_image.h>

#include "platform/win32_fixture.h"

namespace {

using namespace win32_test;

class MsgBoxTest : public Win32Test {};

TEST_F(MsgBoxTest, AutoAnswerRecordsAndReturnsOkAtOnce) {
  HWND owner = Popup(300, 200);
  std::string dir = OutDir();
  std::string shots = dir.empty() ? "/tmp" : dir;
  testing_hooks::SetMessageBoxCaptureDir(shots);
  const char* text =
      "\x8f\x89\x8a\xfa\x89\xbb\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
      "\r\n2\x8d\x73\x96\xda";  // 初期化に失敗しました / 2行目
  int r = MessageBoxA(owner, text, "Error!!", MB_OK | MB_ICONERROR);
  EXPECT_EQ(r, IDOK);
  ASSERT_EQ(testing_hooks::MessageBoxes().size(), 1u);
  const auto& rec = testing_hooks::MessageBoxes()[0];
  EXPECT_EQ(rec.owner, owner);
  EXPECT_EQ(rec.text, text);
  EXPECT_EQ(rec.caption, "Error!!");
  EXPECT_EQ(rec.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_TRUE(IsWindowEnabled(owner));

  SDL_Surface* png = IMG_Load((shots + "/msgbox-1.png").c_str());
  ASSERT_NE(png, nullptr);
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(png, SDL_PIXELFORMAT_ARGB8888, 0);
  ASSERT_NE(argb, nullptr);
  auto at = [&](int x, int y) {
    return static_cast<const uint32_t*>(argb->pixels)[y * argb->pitch / 4 + x] & 0xFFFFFF;
  };
  // Frame 3 + caption 19; the icon's disc at (12, 12) of the client area.
  uint32_t disc = at(3 + 12 + 3, 22 + 12 + 16);
  EXPECT_GT((disc >> 16) & 0xFF, 150u);
  EXPECT_LT(disc & 0xFF, 80u);
  EXPECT_EQ(at(3 + 12 + 16, 22 + 12 + 16), 0xFFFFFFu);  // the X's centre
  EXPECT_EQ(at(argb->w - 5, argb->h - 5), Rgb(GetSysColor(COLOR_3DFACE)));
  SDL_FreeSurface(argb);
  SDL_FreeSurface(png);

  testing_hooks::ClearMessageBoxes();
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

struct KeyCase {
  UINT type;
  int key;
  int result;
};

TEST_F(MsgBoxTest, InteractiveBoxAnswersEnterAndEscape) {
  testing_hooks::SetMessageBoxAutoAnswer(false);
  const KeyCase cases[] = {{MB_OK, VK_RETURN, IDOK},
                           {MB_OK, VK_ESCAPE, IDOK},
                           {MB_OKCANCEL, VK_ESCAPE, IDCANCEL},
                           {MB_OKCANCEL | MB_ICONQUESTION, VK_RETURN, IDOK}};
  for (const KeyCase& c : cases) {
    bool injected = false;
    testing_hooks::SetIdleHandler([&](HWND) {
      if (!injected) testing_hooks::InjectKey(c.key);
      injected = true;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", c.type), c.result) << c.type << " " << c.key;
  }
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(MsgBoxTest, InteractiveBoxAnswersButtonClicks) {
  testing_hooks::SetMessageBoxAutoAnswer(false);
  testing_hooks::SetIdleHandler([&](HWND active) {
    // Cancel is the right-hand button of the bottom row.
    RECT r;
    GetWindowRect(GetDlgItem(active, IDCANCEL), &r);
    POINT p{r.left + 5, r.top + 5};
    ScreenToClient(active, &p);
    testing_hooks::InjectClick(p.x, p.y);
  });
  EXPECT_EQ(MessageBoxA(nullptr, "Sure?", "Q", MB_OKCANCEL | MB_TOPMOST), IDCANCEL);
}

}  // namespace
