// The camera from the scene, the matrices and vectors uploaded to the
// effect, and the render context: the effect found in the program's
// resources, its handles, a technique failing validation, and release.
#include <memory>

#include "recording_effect.h"
#include "render_fixture.h"
#include "tools/mkeffect/effect_description.h"

namespace render_test {
namespace {

// A scene with one motion (skin matrix `skin`) and one camera on it.
struct CameraScene {
  explicit CameraScene(const D3DXMATRIX& skin, uint16_t motionNo = 0) {
    ResetScene(&scene);
    scene.motionCount = 1;
    scene.motions = new Motion[1];
    scene.motions[0].skinMatrix = skin;
    scene.cameraCount = 1;
    scene.cameras = new Camera[1]();
    scene.cameras[0].motionNo = motionNo;
    scene.cameras[0].fovY = 0.8f;
  }
  ~CameraScene() { FreeScene(&scene); }
  CameraScene(const CameraScene&) = delete;
  CameraScene& operator=(const CameraScene&) = delete;
  Scene scene;
};

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], 1e-5f) << r << "," << c;
}

TEST(CameraTest, AnIdentityCameraLooksAlongZFromTheOrigin) {
  CameraScene s(kIdentityMatrix);
  D3DXVECTOR3 eye, target, up;
  ASSERT_EQ(GetCameraFromScene(&s.scene, &eye, &target, &up), 0);
  ExpectVector(eye, 0, 0, 0);
  ExpectVector(target, 0, 0, 1);
  ExpectVector(up, 0, 1, 0);
  RecordingEffect recorder(nullptr);
  RenderContext render;
  render.effect = &recorder;
  SetCameraView(&render, &eye, &target, &up);
  ExpectMatrixNear(render.view, kIdentityMatrix);
  render.effect = nullptr;
}

TEST(CameraTest, AScaledCameraReachesFurtherButSeesTheSame) {
  D3DXMATRIX scale, move, skin;
  D3DXMatrixScaling(&scale, 2, 2, 2);
  D3DXMatrixTranslation(&move, 1, 2, 3);
  D3DXMatrixMultiply(&skin, &scale, &move);
  CameraScene scaled(skin), plain(move);
  D3DXVECTOR3 eye, target, up, eye1, target1, up1;
  ASSERT_EQ(GetCameraFromScene(&scaled.scene, &eye, &target, &up), 0);
  ASSERT_EQ(GetCameraFromScene(&plain.scene, &eye1, &target1, &up1), 0);
  ExpectVector(eye, 1, 2, 3);
  ExpectVector(target, 1, 2, 5);  // two units in front
  ExpectVector(up, 0, 2, 0);      // length 2, not normalised
  RecordingEffect recorder(nullptr);
  RenderContext a, b;
  a.effect = b.effect = &recorder;
  SetCameraView(&a, &eye, &target, &up);
  SetCameraView(&b, &eye1, &target1, &up1);
  ExpectMatrixNear(a.view, b.view);
  a.effect = b.effect = nullptr;
}

TEST(CameraTest, WithoutAUsableCameraNothingIsWritten) {
  CameraScene noMotion(kIdentityMatrix, kNoMotion), pastEnd(kIdentityMatrix, 1);
  Scene empty;
  ResetScene(&empty);
  for (const Scene* s : {&noMotion.scene, &pastEnd.scene, &empty}) {
    D3DXVECTOR3 eye(7, 7, 7), target(8, 8, 8), up(9, 9, 9);
    EXPECT_EQ(GetCameraFromScene(s, &eye, &target, &up), -1);
    ExpectVector(eye, 7, 7, 7);
    ExpectVector(target, 8, 8, 8);
    ExpectVector(up, 9, 9, 9);
  }
}

TEST(CameraTest, UploadsTheCombinedMatrixTheEyeAndTheNormalisedLights) {
  RecordingEffect recorder(nullptr);
  RenderContext render;
  render.effect = &recorder;
  render.paramWorldViewProjection = "wvp";
  render.paramCameraPosition = "eye";
  render.paramLight1Direction = "l1";
  render.paramLight2Direction = "l2";
  render.light1Direction = D3DXVECTOR3(0, -3, 4);  // length 5
  render.light2Direction = D3DXVECTOR3(2, 0, 0);
  D3DXMatrixPerspectiveFovLH(&render.projection, 0.8f, 4.0f / 3.0f, 0.1f, 10.0f);
  SetWorldAndLights(&render, &kIdentityMatrix);
  ASSERT_EQ(recorder.matrices.size(), 1u);
  EXPECT_EQ(recorder.matrices[0].handle, render.paramWorldViewProjection);
  ExpectMatrixNear(recorder.matrices[0].value, render.projection);  // identity view
  ASSERT_EQ(recorder.vectors.size(), 3u);
  EXPECT_EQ(recorder.vectors[1].handle, render.paramLight1Direction);
  EXPECT_NEAR(recorder.vectors[1].value.y, -0.6f, 1e-6f);
  EXPECT_NEAR(recorder.vectors[1].value.z, 0.8f, 1e-6f);
  EXPECT_EQ(recorder.vectors[1].value.w, 0.0f);
  EXPECT_EQ(recorder.vectors[2].handle, render.paramLight2Direction);
  EXPECT_NEAR(recorder.vectors[2].value.x, 1.0f, 1e-6f);

  recorder.matrices.clear();
  recorder.vectors.clear();
  const D3DXVECTOR3 eye(1, 2, -3), target(1, 2, 0), up(0, 1, 0);
  SetCameraView(&render, &eye, &target, &up);
  D3DXMATRIX view, expected;
  D3DXMatrixLookAtLH(&view, &eye, &target, &up);
  D3DXMatrixMultiply(&expected, &view, &render.projection);
  ASSERT_EQ(recorder.matrices.size(), 1u);
  ExpectMatrixNear(recorder.matrices[0].value, expected);
  ASSERT_EQ(recorder.vectors.size(), 1u);
  EXPECT_EQ(recorder.vectors[0].handle, render.paramCameraPosition);
  EXPECT_NEAR(recorder.vectors[0].value.x, 1, 1e-6f);
  EXPECT_NEAR(recorder.vectors[0].value.y, 2, 1e-6f);
  EXPECT_NEAR(recorder.vectors[0].value.z, -3, 1e-6f);
  EXPECT_EQ(recorder.vectors[0].value.w, 0.0f);
  render.effect = nullptr;
}

using ContextTest = RenderTest;

TEST_F(ContextTest, TheEffectResourceIsTheCompiledDescriptionWithEveryHandle) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(module, "SHADER_OBJECT", "SHADER");
  ASSERT_NE(info, nullptr);
  const DWORD size = SizeofResource(module, info);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), mkeffect::CompileProgramEffect());

  for (D3DXHANDLE h : {render_.techShader, render_.techMorphShader, render_.techEdge,
                       render_.techMorphEdge, render_.paramWorldViewProjection,
                       render_.paramDiffuse, render_.paramSurfaceParam,
                       render_.paramCameraPosition, render_.paramAmbientLightColor,
                       render_.paramLight1Direction, render_.paramLight1Color,
                       render_.paramLight2Direction, render_.paramLight2Color,
                       render_.paramMorphingWeight, render_.paramTexture,
                       render_.paramToonTexture})
    EXPECT_NE(h, nullptr);
  for (int i = 0; i < kBlendMatrixHandles; ++i)
    EXPECT_EQ(render_.paramBlendMatrix[i] == nullptr, i >= 75) << "slot " << i;
  EXPECT_NE(render_.staticDeclaration, nullptr);
  EXPECT_NE(render_.morphDeclaration, nullptr);
  UINT passes = 0;
  ASSERT_EQ(render_.effect->SetTechnique(render_.techShader), D3D_OK);
  ASSERT_EQ(render_.effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 5u);
  render_.effect->End();
}

TEST_F(ContextTest, ATechniqueFailingValidationFailsAndReleaseLeavesNothing) {
  RenderContext second;
  testing_hooks::SetVertexConstantLimit(200);  // the palette needs 238
  EXPECT_EQ(InitRenderContext(&second, device_, GetModuleHandleA(nullptr)), -1);
  testing_hooks::SetVertexConstantLimit(256);
  EXPECT_NE(second.effect, nullptr);  // what was made stays for the release
  ReleaseRenderContext(&second);
  EXPECT_EQ(second.staticDeclaration, nullptr);
  EXPECT_EQ(second.morphDeclaration, nullptr);
  EXPECT_EQ(second.effect, nullptr);
  ReleaseRenderContext(&second);  // repeatable
}

}  // namespace
}  // namespace render_test
