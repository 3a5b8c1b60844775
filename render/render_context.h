// The rendering state held by value in the application record: vertex
// declarations, the effect and its handles, matrices and light vectors.
// So far only the owned interfaces exist, all null; the effect set-up fills
// them. Main thread only.
#ifndef MORVANE_RENDER_RENDER_CONTEXT_H
#define MORVANE_RENDER_RENDER_CONTEXT_H

#include <d3d9.h>

struct ID3DXEffect;

struct RenderContext {
  IDirect3DVertexDeclaration9* staticDeclaration = nullptr;
  IDirect3DVertexDeclaration9* morphDeclaration = nullptr;
  ID3DXEffect* effect = nullptr;
};

#endif  // MORVANE_RENDER_RENDER_CONTEXT_H
