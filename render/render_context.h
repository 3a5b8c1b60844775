// The rendering state held by value in the application record: the two
// vertex declarations, the effect with its technique and parameter handles
// (one per palette slot, so a frame sets the palette without name look-ups),
// and the world, view and projection matrices with the eye and the two light
// directions. Fields are in the record's documented order. Handles point
// into the effect and are valid while it lives.
//
// Does not: create or release anything by itself (render/render.h:
// InitRenderContext, ReleaseRenderContext). Main thread only.
#ifndef MORVANE_RENDER_RENDER_CONTEXT_H
#define MORVANE_RENDER_RENDER_CONTEXT_H

#include <d3d9.h>
#include <d3dx9.h>

// Palette slots the renderer addresses; the effect's palette has 75, so the
// handles of slots 75..79 are null.
constexpr int kBlendMatrixHandles = 80;

inline const D3DXMATRIX kIdentityMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct RenderContext {
  IDirect3DVertexDeclaration9* staticDeclaration = nullptr;
  IDirect3DVertexDeclaration9* morphDeclaration = nullptr;
  ID3DXEffect* effect = nullptr;
  D3DXHANDLE techShader = nullptr;
  D3DXHANDLE techMorphShader = nullptr;
  D3DXHANDLE techEdge = nullptr;
  D3DXHANDLE techMorphEdge = nullptr;
  D3DXHANDLE paramWorldViewProjection = nullptr;
  D3DXHANDLE paramDiffuse = nullptr;
  D3DXHANDLE paramSurfaceParam = nullptr;
  D3DXHANDLE paramCameraPosition = nullptr;
  D3DXHANDLE paramAmbientLightColor = nullptr;
  D3DXHANDLE paramLight1Direction = nullptr;
  D3DXHANDLE paramLight1Color = nullptr;
  D3DXHANDLE paramLight2Direction = nullptr;
  D3DXHANDLE paramLight2Color = nullptr;
  D3DXHANDLE paramMorphingWeight = nullptr;
  D3DXHANDLE paramBlendMatrix[kBlendMatrixHandles] = {};
  D3DXHANDLE paramTexture = nullptr;
  D3DXHANDLE paramToonTexture = nullptr;
  // Set by the camera and lights code (render/render.h). Start-up gives the
  // world, uploads the lights and sets the projection before the first
  // frame; until then every matrix is the identity. The eye is the origin
  // until the first frame's camera sets it. The light directions are fixed
  // unit vectors (nothing in the program assigns them; with the effect's
  // light colours at 0 they change no pixel): light 1 shines down and
  // forward, light 2 sideways and forward.
  D3DXMATRIX world{kIdentityMatrix};
  D3DXMATRIX view{kIdentityMatrix};
  D3DXMATRIX projection{kIdentityMatrix};
  D3DXVECTOR3 eyePosition{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 light1Direction{0.0f, -0.6f, 0.8f};
  D3DXVECTOR3 light2Direction{0.6f, 0.0f, 0.8f};
};

#endif  // MORVANE_RENDER_RENDER_CONTEXT_H
