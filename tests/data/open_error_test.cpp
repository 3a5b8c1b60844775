// ShowOpenError: shown only between ArchiveStartup and ArchiveShutdown, with
// the CP932 sentence, the name in quotes, the main window as owner.
#include <windows.h>

#include "platform/testing.h"
#include "tests/data/data_test_util.h"

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

class OpenErrorTest : public data_test::ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    testing_hooks::SetMessageBoxAutoAnswer(true);
    testing_hooks::ClearMessageBoxes();
  }
  void TearDown() override {
    ScratchDirTest::TearDown();
    testing_hooks::ClearMessageBoxes();
    testing_hooks::ResetPlatform();
  }
  HWND MakeWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "OpenErrorOwner";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "OpenErrorOwner", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, nullptr, nullptr);
  }
};

TEST_F(OpenErrorTest, ShowsTheSentenceAndNameOnlyWhileEnabled) {
  ShowOpenError("BG.bmp");  // before start-up: nothing
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());

  HWND owner = MakeWindow();
  ASSERT_NE(owner, nullptr);
  ASSERT_EQ(ArchiveStartup(owner), 0);  // no archive here: the message still works
  EXPECT_EQ(CurrentArchive(), nullptr);
  ShowOpenError("BG.bmp");
  ShowOpenError("data\\\x83\x5C.bmp");  // CP932 name "data\ソ.bmp"
  ASSERT_EQ(testing_hooks::MessageBoxes().size(), 2u);
  const auto& box = testing_hooks::MessageBoxes()[0];
  EXPECT_EQ(box.owner, owner);
  EXPECT_EQ(testing_hooks::Cp932ToUtf8(box.text), "ファイルのオープンに失敗しました\n\"BG.bmp\"");
  EXPECT_EQ(box.caption, "Error!!");
  EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_TOPMOST));
  EXPECT_EQ(testing_hooks::Cp932ToUtf8(testing_hooks::MessageBoxes()[1].text),
            "ファイルのオープンに失敗しました\n\"data\\ソ.bmp\"");

  ArchiveShutdown();
  ShowOpenError("BG.bmp");
  EXPECT_EQ(testing_hooks::MessageBoxes().size(), 2u);
  DestroyWindow(owner);
}

TEST_F(OpenErrorTest, AVeryLongNameIsCutToTheMessageBuffer) {
  ASSERT_EQ(ArchiveStartup(nullptr), 0);
  const std::string name(5000, 'n');
  ShowOpenError(name.c_str());
  ASSERT_EQ(testing_hooks::MessageBoxes().size(), 1u);
  const std::string& text = testing_hooks::MessageBoxes()[0].text;
  EXPECT_EQ(text.size(), 1023u);
  EXPECT_EQ(text.back(), 'n');
}

}  // namespace
