// D3DX math helpers. Every function computes into locals first and writes
// its output last, so an output may be the same object as an input.
#include <d3dx9.h>

#include <cmath>

namespace {

struct Vec3 {
  float x, y, z;
};

Vec3 Sub(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vec3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A zero vector stays zero rather than becoming NaN.
Vec3 Normalize(const Vec3& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length == 0.0f) return {0.0f, 0.0f, 0.0f};
  return {v.x / length, v.y / length, v.z / length};
}

void Store(D3DXMATRIX* out, const float (&m)[4][4]) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out->m[r][c] = m[r][c];
  }
}

}  // namespace

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  const float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
  const float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1}};
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
  const float m[4][4] = {{sx, 0, 0, 0}, {0, sy, 0, 0}, {0, 0, sz, 0}, {0, 0, 0, 1}};
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch,
                                                  FLOAT roll) {
  const float sy = std::sin(yaw), cy = std::cos(yaw);
  const float sp = std::sin(pitch), cp = std::cos(pitch);
  const float sr = std::sin(roll), cr = std::cos(roll);
  // Rz(roll) x Rx(pitch) x Ry(yaw) multiplied out.
  const float m[4][4] = {
      {sr * sp * sy + cr * cy, sr * cp, sr * sp * cy - cr * sy, 0},
      {cr * sp * sy - sr * cy, cr * cp, cr * sp * cy + sr * sy, 0},
      {cp * sy, -sp, cp * cy, 0},
      {0, 0, 0, 1},
  };
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1,
                                      const D3DXMATRIX* pM2) {
  float m[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      m[r][c] = pM1->m[r][0] * pM2->m[0][c] + pM1->m[r][1] * pM2->m[1][c] +
                pM1->m[r][2] * pM2->m[2][c] + pM1->m[r][3] * pM2->m[3][c];
    }
  }
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
  const float(&a)[4][4] = pM->m;
  // 2 by 2 minors of the upper two rows (s) and the lower two rows (c); the
  // determinant and every cofactor are sums of their products.
  const float s0 = a[0][0] * a[1][1] - a[0][1] * a[1][0];
  const float s1 = a[0][0] * a[1][2] - a[0][2] * a[1][0];
  const float s2 = a[0][0] * a[1][3] - a[0][3] * a[1][0];
  const float s3 = a[0][1] * a[1][2] - a[0][2] * a[1][1];
  const float s4 = a[0][1] * a[1][3] - a[0][3] * a[1][1];
  const float s5 = a[0][2] * a[1][3] - a[0][3] * a[1][2];
  const float c0 = a[2][0] * a[3][1] - a[2][1] * a[3][0];
  const float c1 = a[2][0] * a[3][2] - a[2][2] * a[3][0];
  const float c2 = a[2][0] * a[3][3] - a[2][3] * a[3][0];
  const float c3 = a[2][1] * a[3][2] - a[2][2] * a[3][1];
  const float c4 = a[2][1] * a[3][3] - a[2][3] * a[3][1];
  const float c5 = a[2][2] * a[3][3] - a[2][3] * a[3][2];
  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det == 0.0f) return nullptr;

  const float adj[4][4] = {
      {a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3, -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3,
       a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3, -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3},
      {-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1, a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1,
       -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1, a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1},
      {a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0, -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0,
       a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0, -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0},
      {-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0, a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0,
       -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0, a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0},
  };
  float m[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m[r][c] = adj[r][c] / det;
  }
  if (pDeterminant) *pDeterminant = det;
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye,
                                      const D3DXVECTOR3* pAt, const D3DXVECTOR3* pUp) {
  const Vec3 up = {pUp->x, pUp->y, pUp->z};
  const Vec3 zaxis = Normalize(Sub(*pAt, *pEye));
  const Vec3 xaxis = Normalize(Cross(up, zaxis));
  const Vec3 yaxis = Cross(zaxis, xaxis);
  const float m[4][4] = {
      {xaxis.x, yaxis.x, zaxis.x, 0},
      {xaxis.y, yaxis.y, zaxis.y, 0},
      {xaxis.z, yaxis.z, zaxis.z, 0},
      {-Dot(xaxis, *pEye), -Dot(yaxis, *pEye), -Dot(zaxis, *pEye), 1},
  };
  Store(pOut, m);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                              FLOAT zf) {
  const float yScale = 1.0f / std::tan(fovy / 2.0f);
  const float xScale = yScale / aspect;
  const float depth = zf - zn;
  const float m[4][4] = {
      {xScale, 0, 0, 0},
      {0, yScale, 0, 0},
      {0, 0, zf / depth, 1},
      {0, 0, -zn * zf / depth, 0},
  };
  Store(pOut, m);
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                           const D3DXMATRIX* pM) {
  const float(&m)[4][4] = pM->m;
  const float x = pV->x, y = pV->y, z = pV->z;
  const float w = x * m[0][3] + y * m[1][3] + z * m[2][3] + m[3][3];
  const float rx = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
  const float ry = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
  const float rz = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
  pOut->x = rx / w;
  pOut->y = ry / w;
  pOut->z = rz / w;
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                            const D3DXMATRIX* pM) {
  const float(&m)[4][4] = pM->m;
  const float x = pV->x, y = pV->y, z = pV->z;
  pOut->x = x * m[0][0] + y * m[1][0] + z * m[2][0];
  pOut->y = x * m[0][1] + y * m[1][1] + z * m[2][1];
  pOut->z = x * m[0][2] + y * m[1][2] + z * m[2][2];
  return pOut;
}

D3DXVECTOR4* WINAPI D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV,
                                      const D3DXMATRIX* pM) {
  const float(&m)[4][4] = pM->m;
  const float x = pV->x, y = pV->y, z = pV->z;
  pOut->x = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
  pOut->y = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
  pOut->z = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
  pOut->w = x * m[0][3] + y * m[1][3] + z * m[2][3] + m[3][3];
  return pOut;
}

D3DXVECTOR4* WINAPI D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV) {
  const float x = pV->x, y = pV->y, z = pV->z, w = pV->w;
  const float length = std::sqrt(x * x + y * y + z * z + w * w);
  if (length == 0.0f) {
    *pOut = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    return pOut;
  }
  *pOut = D3DXVECTOR4(x / length, y / length, z / length, w / length);
  return pOut;
}
