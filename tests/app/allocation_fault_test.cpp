// Start-up with one allocation failing, at every allocation point start-up
// reaches in turn: the program reports the failure with its own message,
// tears down without a live Direct3D or DirectSound object, and never
// crashes (LeakSanitizer checks the heap at exit in the asan build).
//
// Besides the platform's own points, two stand-ins in front of the C runtime
// count here: operator new with nothrow (the archive record and index, the
// raw texture reader's buffer, the device record) and fopen (data files and
// the archive; only an open that would succeed counts, since failing one
// that fails anyway changes nothing).
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <set>
#include <string>

#include "app/strings.h"
#include "app_fixture.h"
#include "data_set.h"

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (testing_hooks::AllocationPointFails("operator new (nothrow)")) return nullptr;
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  if (testing_hooks::AllocationPointFails("operator new[] (nothrow)")) return nullptr;
  try {
    return ::operator new[](size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

extern "C" FILE* fopen(const char* __restrict path, const char* __restrict mode) {
  using Open = FILE* (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "fopen"));
  FILE* file = real(path, mode);
  if (file != nullptr && testing_hooks::AllocationPointFails("fopen")) {
    std::fclose(file);
    errno = ENOMEM;
    return nullptr;
  }
  return file;
}

namespace {

using app_test::Bytes;

// The small data set with a scene that makes the loader create a vertex
// buffer, an index buffer and a texture: one triangle on a textured surface.
app_test::DataSet DataWithMesh() {
  lmfw::SceneData scene;
  lmfw::LayerData layer;
  lmfw::MeshData mesh;
  mesh.vertices.resize(3, SceneVertex{});
  mesh.vertices[1].position[0] = 1.0f;
  mesh.vertices[2].position[1] = 1.0f;
  mesh.indices = {0, 1, 2};
  layer.meshes.push_back(mesh);
  scene.layers.push_back(layer);
  lmfw::SurfaceData surface;
  surface.texture = {2, 2, Bytes(2 * 2 * 4, 0xFF)};
  scene.surfaces.push_back(surface);
  scene.cameras.push_back(lmfw::CameraData{"camera", 0.785398f, kNoMotion});
  app_test::DataSet set;
  set.scene = lmfw::WriteLmf(scene);
  return set;
}

struct Outcome {
  bool started = false;  // start-up succeeded (one frame ran)
  std::string failed;    // the point that failed; empty: none was reached
  int reached = 0;
  std::vector<testing_hooks::MessageBoxRecord> boxes;
};

// Where the data files are: plain files in the working folder, or the
// archive alone.
enum class DataForm { kPlainFiles, kArchive };

class AllocationFaultTest : public AppTest, public ::testing::WithParamInterface<DataForm> {
 protected:
  // The whole program with the nth allocation point after the dialog
  // failing: OK with anti-aliasing off; Esc once start-up is done.
  Outcome RunWithFault(int n) {
    testing_hooks::SetMessageBoxAutoAnswer(true);
    testing_hooks::ClearMessageBoxes();
    BenchmarkApp app;
    bool armed = false;
    testing_hooks::SetIdleHandler([&](HWND active) {
      if (armed || active == nullptr || GetDlgItem(active, kIdOk) == nullptr) return;
      ClickControl(GetDlgItem(active, kIdAntiAliasOff));
      ClickControl(GetDlgItem(active, kIdOk));
      testing_hooks::FailAllocationPoint(n);
      armed = true;
    });
    testing_hooks::SetPeekHandler([&]() {
      if (app.lapStart != 0) testing_hooks::SetKeyDown(VK_ESCAPE, true);
    });
    EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr), &app), 1);
    Outcome o;
    o.started = app.lapStart != 0;
    o.failed = testing_hooks::FailedAllocationPoint();
    o.reached = testing_hooks::AllocationPointsReached();
    o.boxes = testing_hooks::MessageBoxes();
    testing_hooks::FailAllocationPoint(0);
    // Teardown released everything, whatever step failed.
    EXPECT_EQ(app.device, nullptr);
    EXPECT_EQ(app.music, nullptr);
    EXPECT_EQ(CurrentArchive(), nullptr);
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 0);
    EXPECT_EQ(testing_hooks::LiveSoundObjects(), 0);
    testing_hooks::SetIdleHandler({});
    testing_hooks::SetPeekHandler({});
    testing_hooks::ClearKeys();
    testing_hooks::ResetPlatform();
    return o;
  }

  // Walks n = 1, 2, ... until start-up reaches no nth point; returns the
  // number of points a start-up without a fault reaches. Start-up may still
  // succeed past a failed point only where the program has a way round it:
  // `recoverable` names those points.
  int Walk(const std::set<std::string>& recoverable) {
    for (int n = 1; n < 400; ++n) {
      const Outcome o = RunWithFault(n);
      if (o.failed.empty()) {
        EXPECT_TRUE(o.started);
        EXPECT_TRUE(o.boxes.empty());
        EXPECT_EQ(o.reached, n - 1);
        return o.reached;
      }
      SCOPED_TRACE(std::to_string(n) + ": " + o.failed);
      if (o.started) {
        EXPECT_EQ(recoverable.count(o.failed), 1u) << "start-up went on past a failed allocation";
        recovered_ += std::to_string(n) + " " + o.failed + "; ";
        EXPECT_TRUE(o.boxes.empty());
        continue;
      }
      // The initialisation message last; before it at most the message
      // naming a data file found nowhere.
      EXPECT_GE(o.boxes.size(), 1u);
      EXPECT_LE(o.boxes.size(), 2u);
      if (o.boxes.empty()) continue;
      EXPECT_EQ(o.boxes.back().text, kInitFailedText);
      EXPECT_EQ(o.boxes.back().caption, kErrorCaption);
      if (o.boxes.size() == 2) {
        EXPECT_NE(o.boxes[0].text, kInitFailedText);
        EXPECT_EQ(o.boxes[0].caption, kErrorCaption);
      }
    }
    ADD_FAILURE() << "start-up never ran without reaching the fault";
    return 0;
  }

  app_test::ScratchFolder folder_;
  std::string recovered_;  // the points start-up went on past, for the record
};

// The device is created with hardware vertex processing first and software
// second, so the first CreateDevice, and the device record it allocates
// (a nothrow point), have a way round. So has the archive record when no
// archive is there to open (plain files). Without a thread for the music the
// run goes on silent: start-up does not look at Play's result.
const std::set<std::string> kAlwaysRecoverable = {"IDirect3D9::CreateDevice",
                                                  "operator new (nothrow)", "CreateThread"};

TEST_P(AllocationFaultTest, EveryPointOfStartUpFailsCleanly) {
  if (GetParam() == DataForm::kPlainFiles)
    app_test::WritePlain(DataWithMesh());
  else
    app_test::WriteArchive(DataWithMesh());
  const int points = Walk(kAlwaysRecoverable);
  RecordProperty("allocation_points", points);
  RecordProperty("recovered", recovered_);
  EXPECT_GE(points, 20);
}

INSTANTIATE_TEST_SUITE_P(DataForms, AllocationFaultTest,
                         ::testing::Values(DataForm::kPlainFiles, DataForm::kArchive),
                         [](const ::testing::TestParamInfo<DataForm>& info) {
                           return info.param == DataForm::kPlainFiles ? std::string("PlainFiles")
                                                                      : std::string("Archive");
                         });

}  // namespace
