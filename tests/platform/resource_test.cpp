// The resource directory and the kernel32 lookup calls, on a table
// registered here, and the resources the build embeds in the program.
#include <windows.h>

#include "win32/resource_registry.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const unsigned char kAlpha[] = {1, 2, 3};
const unsigned char kBeta[] = {4, 5, 6, 7, 8};
const unsigned char kNumbered[] = {9};
const unsigned char kNumberedType[] = {10, 11};

const win32::ModuleResource kTable[] = {
    {{"TESTKIND", 0}, {"ALPHA", 0}, kAlpha, sizeof kAlpha},
    {{"TESTKIND", 0}, {"BETA_2", 0}, kBeta, sizeof kBeta},
    {{"TESTKIND", 0}, {nullptr, 321}, kNumbered, sizeof kNumbered},
    {{nullptr, 777}, {nullptr, 65535}, kNumberedType, sizeof kNumberedType},
};

class ResourceLookup : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { win32::RegisterModuleResources(kTable, std::size(kTable)); }
};

TEST_F(ResourceLookup, FindsByNameIdAndHashString) {
  struct Case {
    LPCSTR name;
    LPCSTR type;
    const unsigned char* data;
    DWORD size;
  };
  const Case cases[] = {
      {"ALPHA", "TESTKIND", kAlpha, sizeof kAlpha},
      {"alpha", "TestKind", kAlpha, sizeof kAlpha},
      {"Beta_2", "testkind", kBeta, sizeof kBeta},
      {MAKEINTRESOURCEA(321), "TESTKIND", kNumbered, sizeof kNumbered},
      {"#321", "TESTKIND", kNumbered, sizeof kNumbered},
      {"#00321", "TESTKIND", kNumbered, sizeof kNumbered},
      {MAKEINTRESOURCEA(65535), MAKEINTRESOURCEA(777), kNumberedType, sizeof kNumberedType},
      {"#65535", "#777", kNumberedType, sizeof kNumberedType},
  };
  const HMODULE modules[] = {nullptr, GetModuleHandleA(nullptr)};
  for (HMODULE module : modules) {
    for (const Case& c : cases) {
      const std::string label = IS_INTRESOURCE(c.name) ? "id" : c.name;
      HRSRC found = FindResourceA(module, c.name, c.type);
      ASSERT_NE(found, nullptr) << label;
      EXPECT_EQ(SizeofResource(module, found), c.size) << label;
      HGLOBAL loaded = LoadResource(module, found);
      ASSERT_NE(loaded, nullptr) << label;
      EXPECT_EQ(LockResource(loaded), static_cast<const void*>(c.data)) << label;
    }
  }
}

TEST_F(ResourceLookup, MissesSetTheRightError) {
  struct Case {
    LPCSTR name;
    LPCSTR type;
    DWORD error;
  };
  const Case cases[] = {
      {"GAMMA", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"ALPH", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"ALPHAX", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEA(322), "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"#321x", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"#65536", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"#", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"321", "TESTKIND", ERROR_RESOURCE_NAME_NOT_FOUND},  // no '#': a name, not an id
      {"ALPHA", "NOSUCHKIND", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"ALPHA", MAKEINTRESOURCEA(778), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"ALPHA", "#777", ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(nullptr, c.name, c.type), nullptr);
    EXPECT_EQ(GetLastError(), c.error) << (IS_INTRESOURCE(c.name) ? "id" : c.name);
  }
  EXPECT_EQ(win32::FindModuleResource("TESTKIND", "GAMMA"), nullptr);
}

TEST_F(ResourceLookup, ForeignModulesAndHandlesAreRefused) {
  HMODULE self = GetModuleHandleA(nullptr);
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(GetModuleHandleA(nullptr), self);
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);

  int other = 0;
  HMODULE foreign = reinterpret_cast<HMODULE>(&other);
  SetLastError(0);
  EXPECT_EQ(FindResourceA(foreign, "ALPHA", "TESTKIND"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  HRSRC forged = reinterpret_cast<HRSRC>(&other);
  EXPECT_EQ(LoadResource(nullptr, forged), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, forged), 0u);
  EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
  EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}

TEST_F(ResourceLookup, FindModuleResourceGivesTheEntry) {
  const win32::ModuleResource* r = win32::FindModuleResource("testkind", "#321");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->data, kNumbered);
  EXPECT_EQ(r->size, sizeof kNumbered);
  EXPECT_EQ(win32::FindModuleResource(nullptr, "ALPHA"), nullptr);
  EXPECT_EQ(win32::FindModuleResource("TESTKIND", nullptr), nullptr);
}

// ---- The resources the build embeds -----------------------------------

uint16_t U16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) { return U16(p) | (uint32_t(U16(p + 2)) << 16); }

const unsigned char* Locked(LPCSTR name, LPCSTR type, DWORD* size) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC r = FindResourceA(self, name, type);
  if (r == nullptr) return nullptr;
  *size = SizeofResource(self, r);
  return static_cast<const unsigned char*>(LockResource(LoadResource(self, r)));
}

TEST(ProgramResources, SettingsDialogTemplate) {
  DWORD size = 0;
  const unsigned char* b = Locked("DIALOGWND", RT_DIALOG, &size);
  ASSERT_NE(b, nullptr);
  const char16_t face[] = u"MS Shell Dlg";
  ASSERT_EQ(size, 26u + sizeof face);
  EXPECT_EQ(U32(b), static_cast<DWORD>(WS_CAPTION | DS_SETFONT));
  EXPECT_EQ(U32(b + 4), 0u);                                       // extended style
  EXPECT_EQ(U16(b + 8), 0u);                                       // no controls
  for (int i = 0; i < 4; ++i) EXPECT_EQ(U16(b + 10 + 2 * i), 0u);  // x, y, cx, cy
  EXPECT_EQ(U16(b + 18), 0u);                                      // menu
  EXPECT_EQ(U16(b + 20), 0u);                                      // class
  EXPECT_EQ(U16(b + 22), 0u);                                      // title
  EXPECT_EQ(U16(b + 24), 12u);
  for (size_t i = 0; i < std::size(face); ++i) EXPECT_EQ(U16(b + 26 + 2 * i), face[i]) << i;
}

TEST(ProgramResources, SplashIs320By240At24Bits) {
  DWORD size = 0;
  const unsigned char* b = Locked("STARTIMAGE", RT_BITMAP, &size);
  ASSERT_NE(b, nullptr);
  ASSERT_GE(size, 40u);
  EXPECT_EQ(U32(b + 4), 320u);
  EXPECT_EQ(U32(b + 8), 240u);
  EXPECT_EQ(U16(b + 14), 24u);
  EXPECT_EQ(size, 40u + 320 * 240 * 3);
  SDL_Surface* s = win32::DecodePackedDib(b, size);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->w, 320);
  EXPECT_EQ(s->h, 240);
  SDL_FreeSurface(s);
}

TEST(ProgramResources, IconGroupHas32And16PixelImages) {
  DWORD size = 0;
  const unsigned char* g = Locked("MAINICON", RT_GROUP_ICON, &size);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(size, 6u + 2 * 14);
  EXPECT_EQ(U16(g), 0u);
  EXPECT_EQ(U16(g + 2), 1u);
  ASSERT_EQ(U16(g + 4), 2u);
  int sizesSeen = 0;
  for (int i = 0; i < 2; ++i) {
    const unsigned char* e = g + 6 + 14 * i;
    EXPECT_EQ(e[0], e[1]);
    sizesSeen |= e[0];
    EXPECT_EQ(U16(e + 6), 8u);  // 256 colours
    DWORD imageSize = 0;
    const unsigned char* image = Locked(MAKEINTRESOURCEA(U16(e + 12)), RT_ICON, &imageSize);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(imageSize, U32(e + 8));
    EXPECT_EQ(U32(image + 4), e[0]);
    EXPECT_EQ(U32(image + 8), 2u * e[1]);  // colour rows plus mask
  }
  EXPECT_EQ(sizesSeen, 32 | 16);
}

}  // namespace
