// Start-up's asset step: plain files first, archive members second, one
// message naming the first file found nowhere, and nothing tried after it.
#include <string>

#include "app/strings.h"
#include "app_fixture.h"
#include "data_set.h"

namespace app_test {
namespace {

using AssetsTest = AppTest;

UINT TextureSide(IDirect3DTexture9* texture) {
  D3DSURFACE_DESC desc = {};
  if (texture) texture->GetLevelDesc(0, &desc);
  return desc.Width;
}

// The archive's copies differ from the plain files (32-texel textures, a
// scene of three layers), so the tests can tell which was loaded.
DataSet ArchiveCopies() {
  DataSet set;
  set.bg = RawTexture(32, 0xFF102030);
  set.chip = RawTexture(32, 0xFF405060);
  set.scene = SceneFile(3);
  return set;
}

TEST_F(AssetsTest, PlainFilesAreTakenBeforeTheArchive) {
  ScratchFolder folder;
  WritePlain(DataSet{});
  WriteArchive(ArchiveCopies());
  BenchmarkApp app;
  ASSERT_EQ(InitializeApp(&app, GetModuleHandleA(nullptr)), 1);
  EXPECT_NE(CurrentArchive(), nullptr);
  EXPECT_EQ(TextureSide(app.bgTexture), 16u);
  EXPECT_EQ(TextureSide(app.chipTexture), 16u);
  EXPECT_EQ(app.scene.layerCount, 2);
  ASSERT_NE(app.music, nullptr);
  EXPECT_EQ(app.music->GetMasterVolume(), -400);
  EXPECT_EQ(app.music->GetState(), kSoundPlaying);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
  ReleaseApp(&app);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

TEST_F(AssetsTest, EachFileIsFoundInTheArchiveAlone) {
  ScratchFolder folder;
  WriteArchive(ArchiveCopies());
  BenchmarkApp app;
  ASSERT_EQ(InitializeApp(&app, GetModuleHandleA(nullptr)), 1);
  EXPECT_EQ(TextureSide(app.bgTexture), 32u);
  EXPECT_EQ(TextureSide(app.chipTexture), 32u);
  EXPECT_EQ(app.scene.layerCount, 3);
  ASSERT_NE(app.music, nullptr);
  EXPECT_EQ(app.music->GetState(), kSoundPlaying);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
  ReleaseApp(&app);  // the music's member handle is freed with its source
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

TEST_F(AssetsTest, ABrokenPlainSceneFallsBackToTheArchiveCopy) {
  ScratchFolder folder;
  DataSet plain;
  plain.scene.resize(plain.scene.size() / 2);  // cut inside a chunk
  WritePlain(plain);
  WriteArchive(ArchiveCopies());
  BenchmarkApp app;
  ASSERT_EQ(InitializeApp(&app, GetModuleHandleA(nullptr)), 1);
  EXPECT_EQ(app.scene.layerCount, 3);
  EXPECT_TRUE(testing_hooks::MessageBoxes().empty());
}

TEST_F(AssetsTest, AFileFoundNowhereIsNamedAndLaterFilesAreNotTried) {
  ScratchFolder folder;
  DataSet set;
  WriteBytes("BG.bmp", set.bg);
  WriteBytes("Scene.lmf", set.scene);
  WriteBytes("BGM.wav", set.music);
  DataSet members = ArchiveCopies();
  members.chip.clear();  // no "Chip.bmp" member either
  WriteArchive(members);
  BenchmarkApp app;
  ASSERT_EQ(InitializeApp(&app, GetModuleHandleA(nullptr)), 0);
  const auto& boxes = testing_hooks::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("\"Chip.bmp\""), std::string::npos) << boxes[0].text;
  EXPECT_EQ(boxes[0].owner, app.window);
  EXPECT_NE(app.bgTexture, nullptr);
  EXPECT_EQ(app.chipTexture, nullptr);
  EXPECT_EQ(app.scene.layerCount, 0);  // the present Scene.lmf was not read
  EXPECT_EQ(app.music, nullptr);       // nor the music
  ReleaseApp(&app);
  ReleaseApp(&app);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

TEST_F(AssetsTest, TheWholeProgramShowsTheFileThenTheStartUpFailure) {
  ScratchFolder folder;
  WriteBytes("BG.bmp", DataSet{}.bg);
  testing_hooks::SetIdleHandler([](HWND active) {
    if (active && GetDlgItem(active, kIdOk)) ClickControl(GetDlgItem(active, kIdOk));
  });
  BenchmarkApp app;
  EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
  const auto& boxes = testing_hooks::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].text.find("\"Chip.bmp\""), std::string::npos);
  EXPECT_EQ(boxes[1].text, kInitFailedText);
  EXPECT_EQ(boxes[1].owner, nullptr);
  EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
  EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
}

}  // namespace
}  // namespace app_test
