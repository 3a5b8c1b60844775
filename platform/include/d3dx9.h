// The subset of D3DX 9 that Morvane Bench calls, implemented in
// platform/d3dx9. Names, argument order and results follow the D3DX
// documentation; only what the program uses is here.
//
// Sections: the math helpers, texture loading from image files, effects.
//
// Threads: the math functions are pure and may be called from any thread.
#ifndef MORVANE_PLATFORM_D3DX9_H
#define MORVANE_PLATFORM_D3DX9_H

#include <d3d9.h>

// ---------------------------------------------------------------------------
// Math
//
// Conventions of D3DX: 4 by 4 single-precision matrices in row-major order,
// points and directions are row vectors (p x M), so A x B applies A first and
// a translation sits in the fourth row; view and projection are left-handed.
// Every function returns its output pointer and accepts an output that is the
// same object as an input. All arithmetic is single precision.
//
// Where the documentation says nothing, these choices hold:
// - D3DXMatrixInverse of a matrix whose determinant is exactly 0 returns null
//   and writes neither the output nor the determinant.
// - D3DXVec4Normalize of the zero vector gives the zero vector; so does the
//   normalisation inside D3DXMatrixLookAtLH (eye equal to target, or up
//   parallel to the line of sight, gives zero axes instead of NaN).
// - D3DXVec3TransformCoord divides by w even when w is 0 (IEEE inf or NaN).
// - D3DXMatrixPerspectiveFovLH with fovy 0 gives an infinite scale.

#ifndef D3DVECTOR_DEFINED
#define D3DVECTOR_DEFINED
typedef struct _D3DVECTOR {
  float x;
  float y;
  float z;
} D3DVECTOR;
#endif

#ifndef D3DMATRIX_DEFINED
#define D3DMATRIX_DEFINED
typedef struct _D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
} D3DMATRIX;
#endif

// The default constructors leave the members uninitialised, as in D3DX.
struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;
  D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) : D3DVECTOR{fx, fy, fz} {}
};

struct D3DXVECTOR4 {
  D3DXVECTOR4() = default;
  D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

  FLOAT x;
  FLOAT y;
  FLOAT z;
  FLOAT w;
};

struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;
  D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
             FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
      : D3DMATRIX{
            {{f11, f12, f13, f14, f21, f22, f23, f24, f31, f32, f33, f34, f41, f42, f43, f44}}} {}

  FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
  FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
};

typedef D3DXVECTOR3* LPD3DXVECTOR3;
typedef D3DXVECTOR4* LPD3DXVECTOR4;
typedef D3DXMATRIX* LPD3DXMATRIX;

// Identity, translation (fourth row x, y, z) and scaling (diagonal).
D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut);
D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);

// Roll about Z first, then pitch about X, then yaw about Y (Rz x Rx x Ry);
// angles in radians, positive clockwise looking along the axis toward the
// origin.
D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch,
                                                  FLOAT roll);

// pM1 x pM2: the transformation pM1 followed by pM2.
D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                      const D3DXMATRIX* pM2);

// Inverse by the adjugate; pDeterminant may be null. Null for a singular
// matrix (see above).
D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);

// Left-handed view looking from pEye toward pAt.
D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye,
                                      const D3DXVECTOR3* pAt, const D3DXVECTOR3* pUp);

// Left-handed perspective: vertical field of view fovy (radians), aspect =
// width / height, depth mapped from zn..zf to 0..1.
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                              FLOAT zf);

// (x, y, z, 1) x M, divided by the resulting w.
D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                           const D3DXMATRIX* pM);
// (x, y, z, 0) x M: no translation, no divide.
D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                            const D3DXMATRIX* pM);
// (x, y, z, 1) x M with its w, no divide.
D3DXVECTOR4* WINAPI D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV,
                                      const D3DXMATRIX* pM);

D3DXVECTOR4* WINAPI D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);

// ---------------------------------------------------------------------------
// Texture loading (platform/d3dx9/texture_file.cpp)
//
// D3DXCreateTextureFromFileExA reads BMP, PNG, TGA and JPEG files through
// SDL2_image into one managed A8R8G8B8 texture level. Images without alpha
// come out with alpha 255; ColorKey (when not 0) turns texels equal to it,
// alpha included, into transparent black. Width/Height 0 or D3DX_DEFAULT
// take the file's size rounded up to powers of two; D3DX_DEFAULT_NONPOW2 and
// D3DX_FROM_FILE take it as it is. Only Filter D3DX_FILTER_NONE (with any
// flag bits) is done: the image sits unscaled in the top-left corner and
// every other texel is 0x00000000. Only MipLevels 1 (or D3DX_FROM_FILE),
// Usage 0 and Format A8R8G8B8 or D3DFMT_UNKNOWN are done; other filters,
// level counts and formats fail with D3DERR_NOTAVAILABLE. A missing,
// unreadable or malformed file fails with D3DXERR_INVALIDDATA. pPalette is
// never written (the texture has no palette). The file name is passed to
// the file system as its bytes. Main thread (the device's).

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_FROM_FILE ((UINT)-3)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_DITHER (1 << 19)

#define D3DXERR_INVALIDDATA MAKE_D3DHRESULT(2905)

typedef enum _D3DXIMAGE_FILEFORMAT {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_HDR = 7,
  D3DXIFF_PFM = 8,
  D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;  // of the file: R8G8B8, A8R8G8B8, X8R8G8B8 or P8
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

#ifndef MORVANE_PALETTEENTRY_DEFINED
#define MORVANE_PALETTEENTRY_DEFINED
typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;
#endif

HRESULT WINAPI D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                            DWORD MipFilter, D3DCOLOR ColorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                            LPDIRECT3DTEXTURE9* ppTexture);

// ---------------------------------------------------------------------------
// Effects (platform/d3dx9/effect*.cpp)
//
// D3DXCreateEffect reads this layer's compiled-effect format (documented in
// platform/d3dx9/EFFECT_FORMAT.md): parameters with type, array size,
// constant registers and defaults; samplers with their states; techniques
// whose passes name a vertex program and bind samplers to stages. Vertex
// programs are found by name among those registered through
// d3d9::RegisterVertexProgram (d3d9_programs.h).
// Only Begin flags 0 are done: Begin saves what the technique's passes
// change and End restores it. Parameters keep their values across
// Begin/End pairs. Calls out of order and null or foreign handles return
// D3DERR_INVALIDCALL and change nothing; ValidateTechnique returns E_FAIL
// for a technique the device cannot run. Main thread (the device's).
typedef const char* D3DXHANDLE;
typedef D3DXHANDLE* LPD3DXHANDLE;

typedef struct _D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
} D3DXMACRO;

struct ID3DXInclude;
typedef ID3DXInclude* LPD3DXINCLUDE;
struct ID3DXEffectPool;
typedef ID3DXEffectPool* LPD3DXEFFECTPOOL;
struct ID3DXBuffer;
typedef ID3DXBuffer* LPD3DXBUFFER;

// Begin flags other than 0; all are refused with D3DERR_INVALIDCALL.
#define D3DXFX_DONOTSAVESTATE (1 << 0)
#define D3DXFX_DONOTSAVESHADERSTATE (1 << 1)
#define D3DXFX_DONOTSAVESAMPLERSTATE (1 << 2)

struct ID3DXEffect : IUnknown {
  virtual D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) = 0;
  virtual D3DXHANDLE GetParameterElement(D3DXHANDLE hParameter, UINT ElementIndex) = 0;
  virtual D3DXHANDLE GetTechniqueByName(LPCSTR pName) = 0;
  virtual HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) = 0;
  virtual HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE hParameter, LPDIRECT3DBASETEXTURE9 pTexture) = 0;
  virtual HRESULT SetTechnique(D3DXHANDLE hTechnique) = 0;
  virtual HRESULT ValidateTechnique(D3DXHANDLE hTechnique) = 0;
  virtual HRESULT Begin(UINT* pPasses, DWORD Flags) = 0;
  virtual HRESULT BeginPass(UINT Pass) = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;
};
typedef ID3DXEffect* LPD3DXEFFECT;

HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataLen,
                                const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude, DWORD Flags,
                                LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                                LPD3DXBUFFER* ppCompilationErrors);

// ---------------------------------------------------------------------------

#endif  // MORVANE_PLATFORM_D3DX9_H
