// Creating the device: the program's parameters, what is refused, the
// software vertex processing fallback and the multisample probe.
#include "device_fixture.h"

namespace d3d9_test {
namespace {

TEST_F(DeviceTest, ProgramParametersTakeTheClientAreaAndReportWhatWasChosen) {
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
  ASSERT_EQ(CreateDevice(), D3D_OK);
  ASSERT_NE(device_, nullptr);
  EXPECT_EQ(params_.BackBufferWidth, static_cast<UINT>(kWidth));
  EXPECT_EQ(params_.BackBufferHeight, static_cast<UINT>(kHeight));
  EXPECT_EQ(params_.BackBufferCount, 1u);
  D3DVIEWPORT9 vp{};
  ASSERT_EQ(device_->GetViewport(&vp), D3D_OK);
  EXPECT_EQ(vp.Width, static_cast<UINT>(kWidth));
  EXPECT_EQ(vp.Height, static_cast<UINT>(kHeight));
  // The depth buffer exists, so depth testing starts enabled.
  DWORD z = 0;
  ASSERT_EQ(device_->GetRenderState(D3DRS_ZENABLE, &z), D3D_OK);
  EXPECT_EQ(z, static_cast<DWORD>(D3DZB_TRUE));
  // The program's viewport is larger than this window's back buffer.
  const D3DVIEWPORT9 big{0, 0, 800, 600, 0.0f, 1.0f};
  EXPECT_EQ(device_->SetViewport(&big), D3DERR_INVALIDCALL);
  const D3DVIEWPORT9 part{4, 4, 8, 8, 0.0f, 1.0f};
  EXPECT_EQ(device_->SetViewport(&part), D3D_OK);
}

struct Refusal {
  const char* what;
  void (*change)(D3DPRESENT_PARAMETERS*, D3DDEVTYPE*, DWORD*);
  HRESULT expected;
};

TEST_F(DeviceTest, UnsupportedParametersFailWithTheDocumentedCodes) {
  const Refusal cases[] = {
      {"full screen", [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) { p->Windowed = FALSE; },
       D3DERR_NOTAVAILABLE},
      {"reference device",
       [](D3DPRESENT_PARAMETERS*, D3DDEVTYPE* t, DWORD*) { *t = D3DDEVTYPE_REF; },
       D3DERR_NOTAVAILABLE},
      {"24-bit depth",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) {
         p->AutoDepthStencilFormat = static_cast<D3DFORMAT>(77);
       },
       D3DERR_NOTAVAILABLE},
      {"3 samples",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) {
         p->MultiSampleType = D3DMULTISAMPLE_3_SAMPLES;
       },
       D3DERR_NOTAVAILABLE},
      {"quality 1 of 4 samples",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) {
         p->MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
         p->MultiSampleQuality = 1;
       },
       D3DERR_INVALIDCALL},
      {"flip swap effect",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) { p->SwapEffect = D3DSWAPEFFECT_FLIP; },
       D3DERR_NOTAVAILABLE},
      {"synchronised presentation",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) {
         p->PresentationInterval = D3DPRESENT_INTERVAL_ONE;
       },
       D3DERR_NOTAVAILABLE},
      {"16-bit back buffer",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) { p->BackBufferFormat = D3DFMT_R5G6B5; },
       D3DERR_NOTAVAILABLE},
      {"no vertex processing flag", [](D3DPRESENT_PARAMETERS*, D3DDEVTYPE*, DWORD* f) { *f = 0; },
       D3DERR_INVALIDCALL},
      {"two vertex processing flags",
       [](D3DPRESENT_PARAMETERS*, D3DDEVTYPE*, DWORD* f) {
         *f = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING;
       },
       D3DERR_INVALIDCALL},
      {"no window",
       [](D3DPRESENT_PARAMETERS* p, D3DDEVTYPE*, DWORD*) { p->hDeviceWindow = nullptr; },
       D3DERR_INVALIDCALL},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    D3DPRESENT_PARAMETERS p = ProgramParams(window_, D3DMULTISAMPLE_NONE);
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    DWORD flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    c.change(&p, &type, &flags);
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(1);
    HWND focus = p.hDeviceWindow;
    EXPECT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, type, focus, flags, &p, &device), c.expected);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(testing_hooks::LiveDirect3DObjects(), 1);  // the Direct3D object only
  }
}

// The program's order: hardware vertex processing, then software.
HRESULT CreateLikeTheProgram(IDirect3D9* d3d, HWND window, D3DPRESENT_PARAMETERS* p,
                             IDirect3DDevice9** device) {
  HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, p, device);
  if (hr != D3D_OK)
    hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, p, device);
  return hr;
}

TEST_F(DeviceTest, SoftwareVertexProcessingServesWhenHardwareIsRefused) {
  testing_hooks::RefuseHardwareVertexProcessing(true);
  D3DPRESENT_PARAMETERS p = ProgramParams(window_, D3DMULTISAMPLE_NONE);
  EXPECT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_,
                               D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device_),
            D3DERR_NOTAVAILABLE);
  EXPECT_EQ(device_, nullptr);
  ASSERT_EQ(CreateLikeTheProgram(d3d_, window_, &p, &device_), D3D_OK);
  ASSERT_NE(device_, nullptr);
  // The software device draws like any other.
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ClearAll(0x00102030);
  ASSERT_EQ(DrawRect(0, 0, 4, 4, 0xFFFF0000), D3D_OK);
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  const std::vector<uint32_t> frame = Present();
  EXPECT_EQ(At(frame, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(At(frame, 5, 5), 0xFF102030u);
}

// A reset gives the Direct3D hooks back: the captured frame goes, capture
// stops, and the refusals a test set are lifted.
TEST_F(DeviceTest, ResetPlatformGivesTheHooksTheirDefaults) {
  ASSERT_EQ(CreateDevice(), D3D_OK);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ClearAll(0x00102030);
  ASSERT_EQ(device_->EndScene(), D3D_OK);
  ASSERT_FALSE(Present().empty());
  device_->Release();
  device_ = nullptr;
  d3d_->Release();
  d3d_ = nullptr;
  testing_hooks::RefuseHardwareVertexProcessing(true);
  testing_hooks::SetSupportedMultisamples({});
  testing_hooks::ResetPlatform();
  int width = -1, height = -1;
  EXPECT_TRUE(testing_hooks::LastPresentedFrame(&width, &height).empty());
  EXPECT_EQ(width, 0);

  SetUp();  // a window and Direct3D again
  EXPECT_EQ(d3d_->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                             TRUE, D3DMULTISAMPLE_4_SAMPLES, nullptr),
            D3D_OK);
  EXPECT_EQ(CreateDevice(), D3D_OK);  // with hardware vertex processing
}

// The program's probe: 8, 4, then 2 samples; none gives 0.
D3DMULTISAMPLE_TYPE Probe(IDirect3D9* d3d) {
  for (D3DMULTISAMPLE_TYPE t :
       {D3DMULTISAMPLE_8_SAMPLES, D3DMULTISAMPLE_4_SAMPLES, D3DMULTISAMPLE_2_SAMPLES})
    if (d3d->CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                        t, nullptr) == D3D_OK)
      return t;
  return D3DMULTISAMPLE_NONE;
}

TEST_F(DeviceTest, MultisampleProbeChoosesTheLargestSupportedCountAndTheDeviceUsesIt) {
  struct Case {
    std::vector<int> supported;
    D3DMULTISAMPLE_TYPE chosen;
  };
  const Case cases[] = {{{2, 4, 8}, D3DMULTISAMPLE_8_SAMPLES},
                        {{2, 4}, D3DMULTISAMPLE_4_SAMPLES},
                        {{2}, D3DMULTISAMPLE_2_SAMPLES},
                        {{}, D3DMULTISAMPLE_NONE}};
  for (const Case& c : cases) {
    testing_hooks::SetSupportedMultisamples(c.supported);
    EXPECT_EQ(Probe(d3d_), c.chosen);
    D3DPRESENT_PARAMETERS p = ProgramParams(window_, c.chosen);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(CreateLikeTheProgram(d3d_, window_, &p, &device), D3D_OK);
    EXPECT_EQ(device->Release(), 0u);
    // A count the adapter does not offer is refused.
    if (c.chosen != D3DMULTISAMPLE_8_SAMPLES) {
      p = ProgramParams(window_, D3DMULTISAMPLE_8_SAMPLES);
      EXPECT_EQ(CreateLikeTheProgram(d3d_, window_, &p, &device), D3DERR_NOTAVAILABLE);
    }
  }
}

}  // namespace
}  // namespace d3d9_test
