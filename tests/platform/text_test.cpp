// CP932 text as the layer converts it at the SDL edge.
#include "platform/win32_fixture.h"

namespace {

using namespace win32_test;

struct Cp932Case {
  const char* name;
  std::string in;
  std::string utf8;
};

TEST(TextTest, Cp932ToUtf8) {
  const std::string bad = "\xEF\xBF\xBD";
  const Cp932Case cases[] = {
      {"ascii", "Error!!", "Error!!"},
      {"backslash stays a backslash", "a\\b", "a\\b"},
      {"half-width kana", "\xB1\xB2\xDF", "\xEF\xBD\xB1\xEF\xBD\xB2\xEF\xBE\x9F"},
      {"kanji", "\x90\xdd\x92\xe8", "\xE8\xA8\xAD\xE5\xAE\x9A"},
      {"0x5C trail so", "\x83\x5C", "\xE3\x82\xBD"},
      {"0x5C trail hyo", "\x95\x5C", "\xE8\xA1\xA8"},
      {"0x5C trail no", "\x94\x5C\x5C", "\xE8\x83\xBD\\"},
      {"lead byte at the end", "A\x83", "A" + bad},
      {"invalid trail", "\x83\x20Z", bad + " Z"},
      {"undefined single byte", "\xFD!", bad + "!"},
      {"empty", "", ""},
  };
  for (const Cp932Case& c : cases) {
    EXPECT_EQ(testing_hooks::Cp932ToUtf8(c.in), c.utf8) << c.name;
  }
}

class TitleTest : public Win32Test {};

TEST_F(TitleTest, SdlTitleIsTheUtf8OfTheTitle) {
  // "Morvane(仮)  べんちまーく Ver.B"
  const char* title = "Morvane(\x89\xbc)  \x82\xd7\x82\xf1\x82\xbf\x82\xdc\x81\x5b\x82\xad Ver.B";
  HWND h = CreateWindowExA(0, kTestClass, title, WS_CAPTION | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                           nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(testing_hooks::SdlWindowTitle(h),
            "Morvane(\xE4\xBB\xAE)  \xE3\x81\xB9\xE3\x82\x93\xE3\x81\xA1\xE3\x81\xBE\xE3\x83\xBC"
            "\xE3\x81\x8F Ver.B");
  SetWindowTextA(h, "\x83\x5c");
  EXPECT_EQ(testing_hooks::SdlWindowTitle(h), "\xE3\x82\xBD");
}

}  // namespace
