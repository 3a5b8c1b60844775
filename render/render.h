// Rendering of the scene: the render context with the effect built into the
// program, the camera and lights, and the drawing of layers (rigid, skinned
// and the morph pair) with the per-surface passes, colours, textures,
// culling and blend pairs. Animation (posing the motions) is
// render/animation.h; it runs before anything here in a frame.
//
// Results: InitRenderContext 0 or -1; the drawing calls 0 after drawing, -1
// for a refused input (then, as documented per call, nothing or only the
// restore of the render states is done). Effect and device calls made while
// drawing are not checked.
//
// Does not: load the scene, draw the background, overlay or fades (app/), or
// keep any state of its own between calls: what persists lives in the
// effect's parameters and the RenderContext.
//
// Main thread only (the device's), between BeginScene and EndScene for the
// drawing calls.
#ifndef MORVANE_RENDER_RENDER_H
#define MORVANE_RENDER_RENDER_H

#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>

#include <cstdint>

#include "render/animation.h"
#include "render/render_context.h"
#include "scene/scene.h"

// --- Render context ----------------------------------------------------------

// Registers the effect's vertex programs with the device layer
// (render/effect_source.h), then creates the two vertex declarations, the
// effect from the program's resource "SHADER_OBJECT" of type "SHADER",
// looks up and validates the four techniques and stores every parameter
// handle. 0, or -1 at the first
// failing step (what was created stays in `render` for the teardown).
int InitRenderContext(RenderContext* render, IDirect3DDevice9* device, HINSTANCE instance);
// Releases the static declaration, the morph declaration and the effect, in
// this order, each only when non-null, nulling each. Repeatable.
void ReleaseRenderContext(RenderContext* render);

// --- Camera and lights -------------------------------------------------------

// Eye, target (one unit along the camera's +Z) and up (its +Y, not
// normalised) from the skin matrix of the first camera's motion. 0, or -1
// with the outputs untouched when there is no usable camera.
int GetCameraFromScene(const Scene* scene, D3DXVECTOR3* eye, D3DXVECTOR3* target, D3DXVECTOR3* up);
// view = LookAtLH(eye, target, up); uploads the combined matrix and the eye.
void SetCameraView(RenderContext* render, const D3DXVECTOR3* eye, const D3DXVECTOR3* target,
                   const D3DXVECTOR3* up);
// world = `world`; uploads the combined matrix, the eye and both light
// directions (normalised).
void SetWorldAndLights(RenderContext* render, const D3DXMATRIX* world);
// "WorldViewProjectionMat" = world x view x projection.
void UploadWorldViewProjection(RenderContext* render);

// --- Drawing -----------------------------------------------------------------

// Sets the source and destination blend pair of blend mode 0..6.
void ApplyBlendMode(uint32_t blendMode, IDirect3DDevice9* device);
// The surface's effect parameters ("Diffuse"; "SurfaceParam" = (emissive,
// specular, power, 0); "Texture"; "ToonTexture" for toon surfaces only) and
// its cull mode (none when double-sided, else counter-clockwise).
void ApplySurface(RenderContext* render, const Surface* surface, IDirect3DDevice9* device);
// Draws layer `index` with "ShaderTechnique". -1 (nothing done) when the
// index is not below the layer count. Leaves cull mode and the blend pair
// as it found them.
//
// For both drawing calls: the layer's palette is loaded first; then per
// mesh the blend pair (blend modes 0..6 only, others keep the pair), the
// surface and one pass, the pass index being the surface type. A surface
// type outside 0..4 has no pass: its mesh sets the blend pair and the
// surface like any other but draws nothing. A mesh whose surface number
// names no surface is skipped. Nothing allocates.
int32_t DrawLayer(uint16_t index, IDirect3DDevice9* device, const Scene* scene,
                  RenderContext* render);
// Draws layer 6 blended per axis by `weight` towards layer 7 with
// "MorphingShaderTechnique". -1 when the scene has fewer than 8 layers
// (nothing done) or a mesh of layer 6 has no counterpart of equal vertex
// count in layer 7 (the earlier meshes stay drawn, the states restored).
int32_t DrawMorphLayers(IDirect3DDevice9* device, const Scene* scene, RenderContext* render,
                        const float weight[3]);

#endif  // MORVANE_RENDER_RENDER_H
