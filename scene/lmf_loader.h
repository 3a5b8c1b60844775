// The LMF scene loader: reads "Scene.lmf" (a tree of tagged chunks, see
// lmf_tags.h) into a Scene, creating the Direct3D vertex buffers, index
// buffers and textures as it goes and filling them straight from the input
// stream.
//
// Results: 0 for a loaded scene, -1 for any failure. The file is not trusted:
// data that ends inside a chunk, chunk lengths that are negative or run past
// their parent, fixed bodies of the wrong size, copied bodies wider than
// their field, item chunks without or beyond their count, a count chunk met
// twice, buffer or pixel data before its buffer or of a different size than
// it, pictures outside 1..lmf::kMaxTextureSide, surface, motion or parent
// numbers out of range and parent cycles all fail the load. Whatever was
// created before a failure stays attached to the scene, and FreeScene
// releases it. A failed Direct3D call fails the load the same way.
// LmfLastError (lmf_error.h) then says why: the first reason met.
//
// One walker reads every container from its table (lmf_walk.h,
// lmf_tables.cpp); nested walks share one failure flag (abortFlag, 0 or 1)
// that stops every walk on the way up.
//
// Does not: compute anything beyond the bounds, check the contents of
// vertex and index data (indices are the device's to check at draw time),
// or keep any state between calls. Main thread only.
#ifndef MORVANE_SCENE_LMF_LOADER_H
#define MORVANE_SCENE_LMF_LOADER_H

#include <d3d9.h>

#include <cstdint>

#include "data/stream.h"
#include "scene/lmf_error.h"
#include "scene/scene.h"

inline constexpr char kSceneFileName[] = "Scene.lmf";

// FreeScene, then loads "Scene.lmf" from the working directory; on success
// computes the scene bounds.
int32_t LoadSceneFromFile(Scene* scene, IDirect3DDevice9* device);

// FreeScene, then loads from a source given as a callback table and its user
// pointer (an archive member). The source is closed through its close
// callback. The bounds are not computed on this path.
int32_t LoadSceneFromSource(Scene* scene, IDirect3DDevice9* device,
                            const StreamCallbacks* callbacks, void* user);

// Reads a file by name (when `name` is not null) or the given source into
// `scene`, which should be empty. Sets *abortFlag to 0 first and to 1 on a
// failure. Resolves the parent links on success.
int32_t ReadLmf(const char* name, const StreamCallbacks* callbacks, void* user,
                IDirect3DDevice9* device, Scene* scene, int32_t* abortFlag);

// Steps over `count` bytes: first those waiting in the buffer, then by a
// seek of the source (from the current position) and a read of the last
// byte, so that data ending inside the skipped bytes is noticed. Sources
// without a seek callback are read through. 0, or -1 when the data ends
// first or the seek fails.
int32_t SkipBytes(InputStream* stream, uint32_t count);

#endif  // MORVANE_SCENE_LMF_LOADER_H
