// The D3DX math subset against values worked out from the documented
// formulas (in double, from the same float inputs), compared in ULPs.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Number of representable floats between a and b; +0 and -0 are 0 apart.
int64_t UlpDistance(float a, float b) {
  auto ordered = [](float f) {
    int32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits < 0 ? -static_cast<int64_t>(bits & 0x7FFFFFFF) : static_cast<int64_t>(bits);
  };
  const int64_t d = ordered(a) - ordered(b);
  return d < 0 ? -d : d;
}

::testing::AssertionResult WithinUlps(float actual, float expected, int64_t ulps) {
  if (std::isnan(actual) || std::isnan(expected)) {
    return ::testing::AssertionFailure() << actual << " vs " << expected << " (NaN)";
  }
  const int64_t d = UlpDistance(actual, expected);
  if (d <= ulps) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual << " is " << d << " ULPs from " << expected << " (allowed " << ulps << ")";
}

// |actual - expected| at most `ulps` ULPs of `scale` (FLT_EPSILON * scale each).
::testing::AssertionResult WithinScaledUlps(float actual, double expected, double scale,
                                            double ulps) {
  const double allowed = ulps * FLT_EPSILON * scale;
  const double d = std::fabs(static_cast<double>(actual) - expected);
  if (d <= allowed) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual << " differs from " << expected << " by " << d << " (allowed " << allowed << ")";
}

using Mat = double[4][4];

D3DXMATRIX FromRows(const float (&r)[4][4]) {
  D3DXMATRIX m;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) m.m[i][j] = r[i][j];
  }
  return m;
}

void Product(const Mat& a, const Mat& b, Mat& out) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      out[i][j] = 0;
      for (int k = 0; k < 4; ++k) out[i][j] += a[i][k] * b[k][j];
    }
  }
}

void ExpectMatrixUlps(const D3DXMATRIX& actual, const Mat& expected, int64_t ulps) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_TRUE(WithinUlps(actual.m[i][j], static_cast<float>(expected[i][j]), ulps))
          << "element " << i << "," << j;
    }
  }
}

void ExpectMatrixScaled(const D3DXMATRIX& actual, const Mat& expected, double scale, double ulps) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_TRUE(WithinScaledUlps(actual.m[i][j], expected[i][j], scale, ulps))
          << "element " << i << "," << j;
    }
  }
}

// Elementary left-handed rotations, in double, from the float angle.
void RotationX(float angle, Mat& m) {
  const double c = std::cos(double{angle}), s = std::sin(double{angle});
  const Mat r = {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}};
  std::memcpy(m, r, sizeof r);
}
void RotationY(float angle, Mat& m) {
  const double c = std::cos(double{angle}), s = std::sin(double{angle});
  const Mat r = {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}};
  std::memcpy(m, r, sizeof r);
}
void RotationZ(float angle, Mat& m) {
  const double c = std::cos(double{angle}), s = std::sin(double{angle});
  const Mat r = {{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  std::memcpy(m, r, sizeof r);
}

const float kPi = 3.14159265358979f;

TEST(D3DXMatrixBasics, IdentityTranslationAndScalingAreExact) {
  D3DXMATRIX m(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9);
  const Mat identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  EXPECT_EQ(D3DXMatrixIdentity(&m), &m);
  ExpectMatrixUlps(m, identity, 0);

  EXPECT_EQ(D3DXMatrixTranslation(&m, 1.5f, -2.0f, 3.25f), &m);
  const Mat translation = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1.5, -2, 3.25, 1}};
  ExpectMatrixUlps(m, translation, 0);

  EXPECT_EQ(D3DXMatrixScaling(&m, 2.0f, 0.5f, -3.0f), &m);
  const Mat scaling = {{2, 0, 0, 0}, {0, 0.5, 0, 0}, {0, 0, -3, 0}, {0, 0, 0, 1}};
  ExpectMatrixUlps(m, scaling, 0);

  // Element access by row and column, as the members name them.
  EXPECT_EQ(m(2, 2), -3.0f);
  EXPECT_EQ(m._33, -3.0f);
  EXPECT_EQ(m._44, 1.0f);
}

TEST(D3DXMatrixRotationYawPitchRoll, RollThenPitchThenYaw) {
  struct Case {
    float yaw, pitch, roll;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 0.0f},  {kPi / 2, 0.0f, 0.0f}, {0.0f, kPi / 2, 0.0f}, {0.0f, 0.0f, kPi / 2},
      {0.3f, -1.1f, 2.5f}, {-2.9f, 0.7f, -0.4f},  {1.0f, 1.0f, 1.0f},    {6.0f, -5.0f, 12.0f},
  };
  for (const Case& c : cases) {
    Mat rz, rx, ry, zx, expected;
    RotationZ(c.roll, rz);
    RotationX(c.pitch, rx);
    RotationY(c.yaw, ry);
    Product(rz, rx, zx);
    Product(zx, ry, expected);
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixRotationYawPitchRoll(&m, c.yaw, c.pitch, c.roll), &m);
    SCOPED_TRACE(::testing::Message() << c.yaw << " " << c.pitch << " " << c.roll);
    // Entries lie in [-1, 1]; three rounded factors and a sum.
    ExpectMatrixScaled(m, expected, 1.0, 4.0);
  }
}

TEST(D3DXMatrixRotationYawPitchRoll, PositiveAnglesTurnClockwiseSeenFromTheAxis) {
  D3DXMATRIX m;
  D3DXVECTOR3 v;
  const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  D3DXMatrixRotationYawPitchRoll(&m, kPi / 2, 0, 0);  // yaw: +X to -Z
  D3DXVec3TransformCoord(&v, &x, &m);
  EXPECT_NEAR(v.x, 0.0f, 1e-6f);
  EXPECT_NEAR(v.z, -1.0f, 1e-6f);
  D3DXMatrixRotationYawPitchRoll(&m, 0, kPi / 2, 0);  // pitch: +Y to +Z
  D3DXVec3TransformCoord(&v, &y, &m);
  EXPECT_NEAR(v.y, 0.0f, 1e-6f);
  EXPECT_NEAR(v.z, 1.0f, 1e-6f);
  D3DXMatrixRotationYawPitchRoll(&m, 0, 0, kPi / 2);  // roll: +X to +Y
  D3DXVec3TransformCoord(&v, &x, &m);
  EXPECT_NEAR(v.x, 0.0f, 1e-6f);
  EXPECT_NEAR(v.y, 1.0f, 1e-6f);
}

TEST(D3DXMatrixMultiply, RowTimesColumnFirstOperandFirst) {
  const float a[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {-1, 0, 2, 1}, {3, -2, 1, 1}};
  const float b[4][4] = {{2, 0, 1, 0}, {0, 3, 0, 1}, {1, 1, 1, 1}, {0, -1, 4, 2}};
  const Mat ad = {{1, 2, 3, 4}, {5, 6, 7, 8}, {-1, 0, 2, 1}, {3, -2, 1, 1}};
  const Mat bd = {{2, 0, 1, 0}, {0, 3, 0, 1}, {1, 1, 1, 1}, {0, -1, 4, 2}};
  Mat ab, ba;
  Product(ad, bd, ab);
  Product(bd, ad, ba);
  const D3DXMATRIX ma = FromRows(a), mb = FromRows(b);
  D3DXMATRIX out;
  EXPECT_EQ(D3DXMatrixMultiply(&out, &ma, &mb), &out);
  ExpectMatrixUlps(out, ab, 0);  // small integers: exact
  D3DXMatrixMultiply(&out, &mb, &ma);
  ExpectMatrixUlps(out, ba, 0);

  // Translate then scale: (1, 0, 0) -> (2, 2, 3) -> (4, 4, 6).
  D3DXMATRIX t, s, ts;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  D3DXMatrixScaling(&s, 2, 2, 2);
  D3DXMatrixMultiply(&ts, &t, &s);
  const D3DXVECTOR3 p(1, 0, 0);
  D3DXVECTOR3 q;
  D3DXVec3TransformCoord(&q, &p, &ts);
  EXPECT_EQ(q.x, 4.0f);
  EXPECT_EQ(q.y, 4.0f);
  EXPECT_EQ(q.z, 6.0f);
}

TEST(D3DXMatrixMultiply, OutputMayBeEitherInput) {
  const float a[4][4] = {{1, 2, 0, 0}, {0, 1, 3, 0}, {4, 0, 1, 0}, {1, 1, 1, 1}};
  const float b[4][4] = {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 2, 0}, {5, 6, 7, 1}};
  const D3DXMATRIX ma = FromRows(a), mb = FromRows(b);
  D3DXMATRIX ab, aa;
  D3DXMatrixMultiply(&ab, &ma, &mb);
  D3DXMatrixMultiply(&aa, &ma, &ma);

  D3DXMATRIX left = ma;
  D3DXMatrixMultiply(&left, &left, &mb);
  D3DXMATRIX right = mb;
  D3DXMatrixMultiply(&right, &ma, &right);
  D3DXMATRIX both = ma;
  D3DXMatrixMultiply(&both, &both, &both);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(left.m[i][j], ab.m[i][j]);
      EXPECT_EQ(right.m[i][j], ab.m[i][j]);
      EXPECT_EQ(both.m[i][j], aa.m[i][j]);
    }
  }
}

TEST(D3DXMatrixInverse, InvertsWithDeterminant) {
  struct Case {
    const char* name;
    float rows[4][4];
    double determinant;
    Mat inverse;
  };
  const Case cases[] = {
      {"identity",
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
       1,
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
      {"translation",
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, -4, 5, 1}},
       1,
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-3, 4, -5, 1}}},
      {"scaling",
       {{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, -0.5f, 0}, {0, 0, 0, 1}},
       -4,
       {{0.5, 0, 0, 0}, {0, 0.25, 0, 0}, {0, 0, -2, 0}, {0, 0, 0, 1}}},
      // Unit upper-triangular integer matrix: integer inverse, worked by
      // back substitution.
      {"triangular",
       {{1, 2, 0, 1}, {0, 1, 3, 0}, {0, 0, 1, 4}, {0, 0, 0, 1}},
       1,
       {{1, -2, 6, -25}, {0, 1, -3, 12}, {0, 0, 1, -4}, {0, 0, 0, 1}}},
      // Swapping x and y, with translation: its own inverse, determinant -1.
      {"swap",
       {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {2, 3, 0, 1}},
       -1,
       {{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {-3, -2, 0, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const D3DXMATRIX m = FromRows(c.rows);
    D3DXMATRIX out;
    float det = 0.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &m), &out);
    EXPECT_TRUE(WithinUlps(det, static_cast<float>(c.determinant), 0));
    ExpectMatrixUlps(out, c.inverse, 0);
  }
}

TEST(D3DXMatrixInverse, GeneralMatrixTimesInverseIsIdentity) {
  D3DXMATRIX r, s, t, m;
  D3DXMatrixRotationYawPitchRoll(&r, 0.4f, -1.2f, 2.0f);
  D3DXMatrixScaling(&s, 1.5f, 0.25f, 3.0f);
  D3DXMatrixTranslation(&t, -7.0f, 2.5f, 11.0f);
  D3DXMatrixMultiply(&m, &s, &r);
  D3DXMatrixMultiply(&m, &m, &t);
  m._14 = 0.125f;  // a projective column too

  D3DXMATRIX inverse, check;
  float det = 0.0f;
  ASSERT_NE(D3DXMatrixInverse(&inverse, &det, &m), nullptr);
  // Expanded along the fourth column, in double.
  Mat md;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) md[i][j] = m.m[i][j];
  }
  auto det3 = [&](int r0, int r1, int r2, int c0, int c1, int c2) {
    return md[r0][c0] * (md[r1][c1] * md[r2][c2] - md[r1][c2] * md[r2][c1]) -
           md[r0][c1] * (md[r1][c0] * md[r2][c2] - md[r1][c2] * md[r2][c0]) +
           md[r0][c2] * (md[r1][c0] * md[r2][c1] - md[r1][c1] * md[r2][c0]);
  };
  const double expectedDet = -md[0][3] * det3(1, 2, 3, 0, 1, 2) +
                             md[1][3] * det3(0, 2, 3, 0, 1, 2) - md[2][3] * det3(0, 1, 3, 0, 1, 2) +
                             md[3][3] * det3(0, 1, 2, 0, 1, 2);
  EXPECT_TRUE(WithinScaledUlps(det, expectedDet, std::fabs(expectedDet), 64.0));

  const Mat identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  D3DXMatrixMultiply(&check, &m, &inverse);
  ExpectMatrixScaled(check, identity, 16.0, 8.0);
  D3DXMatrixMultiply(&check, &inverse, &m);
  ExpectMatrixScaled(check, identity, 16.0, 8.0);
}

TEST(D3DXMatrixInverse, InPlaceAndWithoutDeterminant) {
  const float rows[4][4] = {{1, 2, 0, 1}, {0, 1, 3, 0}, {0, 0, 1, 4}, {0, 0, 0, 1}};
  const Mat expected = {{1, -2, 6, -25}, {0, 1, -3, 12}, {0, 0, 1, -4}, {0, 0, 0, 1}};
  D3DXMATRIX m = FromRows(rows);
  EXPECT_EQ(D3DXMatrixInverse(&m, nullptr, &m), &m);
  ExpectMatrixUlps(m, expected, 0);
}

TEST(D3DXMatrixInverse, SingularReturnsNullAndWritesNothing) {
  const float singular[][4][4] = {
      {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
      {{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 1, 0, 1}, {5, 1, 1, 0}},  // row 1 = 2 x row 0
      {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {3, 4, 5, 1}},  // flattened z
      {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {1, 1, 1, 1}},  // dependent columns
  };
  for (const auto& rows : singular) {
    const D3DXMATRIX m = FromRows(rows);
    D3DXMATRIX out(7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7);
    float det = 42.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &m), nullptr);
    EXPECT_EQ(det, 42.0f);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) EXPECT_EQ(out.m[i][j], 7.0f);
    }
    D3DXMATRIX same = m;
    EXPECT_EQ(D3DXMatrixInverse(&same, nullptr, &same), nullptr);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) EXPECT_EQ(same.m[i][j], m.m[i][j]);
    }
  }
}

TEST(D3DXMatrixLookAtLH, AxesFromEyeTargetAndUp) {
  struct Case {
    const char* name;
    D3DXVECTOR3 eye, at, up;
    Mat expected;
  };
  const Case cases[] = {
      {"origin looking down +z",
       {0, 0, 0},
       {0, 0, 1},
       {0, 1, 0},
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
      {"moved eye",
       {1, 2, 3},
       {1, 2, 10},
       {0, 1, 0},
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-1, -2, -3, 1}}},
      // z = (-1, 0, 0); x = up x z = (0, 0, 1); y = z x x = (0, 1, 0).
      {"looking down -x",
       {3, 0, 0},
       {0, 0, 0},
       {0, 1, 0},
       {{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 3, 1}}},
      {"up not normalised",
       {0, 0, -5},
       {0, 0, 0},
       {0, 2, 0},
       {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 5, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &c.eye, &c.at, &c.up), &m);
    ExpectMatrixUlps(m, c.expected, 0);
  }
}

TEST(D3DXMatrixLookAtLH, GeneralViewPutsTargetOnPositiveZ) {
  const D3DXVECTOR3 eye(2, 3, -4), at(-1, 0.5f, 6), up(0.3f, 1, 0.1f);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  // zaxis = normal(at - eye), xaxis = normal(up x zaxis), yaxis = zaxis x xaxis.
  const double d[3] = {-3.0, -2.5, 10.0};
  const double dl = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  const double z[3] = {d[0] / dl, d[1] / dl, d[2] / dl};
  const double u[3] = {0.3f, 1.0, 0.1f};
  double x[3] = {u[1] * z[2] - u[2] * z[1], u[2] * z[0] - u[0] * z[2], u[0] * z[1] - u[1] * z[0]};
  const double xl = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
  for (double& v : x) v /= xl;
  const double y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2],
                       z[0] * x[1] - z[1] * x[0]};
  const double e[3] = {2, 3, -4};
  auto dot = [&](const double* a) { return a[0] * e[0] + a[1] * e[1] + a[2] * e[2]; };
  const Mat expected = {{x[0], y[0], z[0], 0},
                        {x[1], y[1], z[1], 0},
                        {x[2], y[2], z[2], 0},
                        {-dot(x), -dot(y), -dot(z), 1}};
  ExpectMatrixScaled(view, expected, 8.0, 8.0);

  D3DXVECTOR3 p;
  D3DXVec3TransformCoord(&p, &at, &view);
  EXPECT_NEAR(p.x, 0.0f, 1e-5f);
  EXPECT_NEAR(p.y, 0.0f, 1e-5f);
  EXPECT_NEAR(p.z, dl, 1e-5f);
}

TEST(D3DXMatrixLookAtLH, DegenerateInputGivesZeroAxesNotNaN) {
  const D3DXVECTOR3 eye(1, 1, 1), up(0, 1, 0), above(1, 5, 1);
  D3DXMATRIX m;
  D3DXMatrixLookAtLH(&m, &eye, &eye, &up);  // no direction
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_EQ(m.m[i][j], 0.0f);
  }
  D3DXMatrixLookAtLH(&m, &eye, &above, &up);  // up along the line of sight
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_FALSE(std::isnan(m.m[i][j]));
  }
  EXPECT_EQ(m._12, 0.0f);  // x and y axes collapse to zero
  EXPECT_EQ(m._11, 0.0f);
  EXPECT_EQ(m._23, 1.0f);  // z axis is +y
}

TEST(D3DXMatrixPerspectiveFovLH, DocumentedElements) {
  struct Case {
    float fovy, aspect, zn, zf;
  };
  const Case cases[] = {{0.8f, 4.0f / 3.0f, 0.1f, 10.0f},
                        {kPi / 2, 1.0f, 1.0f, 100.0f},
                        {1.2f, 1.7777778f, 0.5f, 3.0f}};
  for (const Case& c : cases) {
    const double ys = 1.0 / std::tan(double{c.fovy} / 2.0);
    const double xs = ys / c.aspect;
    const double zn = c.zn, zf = c.zf;
    const Mat expected = {
        {xs, 0, 0, 0}, {0, ys, 0, 0}, {0, 0, zf / (zf - zn), 1}, {0, 0, -zn * zf / (zf - zn), 0}};
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&m, c.fovy, c.aspect, c.zn, c.zf), &m);
    ExpectMatrixUlps(m, expected, 4);

    // Near plane to depth 0, far plane to depth 1.
    const D3DXVECTOR3 nearPoint(0, 0, c.zn), farPoint(0, 0, c.zf);
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, &nearPoint, &m);
    EXPECT_NEAR(p.z, 0.0f, 1e-6f);
    D3DXVec3TransformCoord(&p, &farPoint, &m);
    EXPECT_NEAR(p.z, 1.0f, 1e-6f);
  }
}

TEST(D3DXVec3Transform, CoordNormalAndFourComponent) {
  const float rows[4][4] = {{2, 0, 1, 0.5f}, {0, 3, 0, 0}, {1, 0, -1, 0.25f}, {4, 5, 6, 2}};
  const D3DXMATRIX m = FromRows(rows);
  const D3DXVECTOR3 v(1, 2, 4);
  // (1, 2, 4, 1) x M = (2 + 4 + 4, 6 + 5, 1 - 4 + 6, 0.5 + 1 + 2) = (10, 11, 3, 3.5)
  D3DXVECTOR4 full;
  EXPECT_EQ(D3DXVec3Transform(&full, &v, &m), &full);
  EXPECT_EQ(full.x, 10.0f);
  EXPECT_EQ(full.y, 11.0f);
  EXPECT_EQ(full.z, 3.0f);
  EXPECT_EQ(full.w, 3.5f);

  D3DXVECTOR3 coord;
  EXPECT_EQ(D3DXVec3TransformCoord(&coord, &v, &m), &coord);
  EXPECT_TRUE(WithinUlps(coord.x, static_cast<float>(10.0 / 3.5), 1));
  EXPECT_TRUE(WithinUlps(coord.y, static_cast<float>(11.0 / 3.5), 1));
  EXPECT_TRUE(WithinUlps(coord.z, static_cast<float>(3.0 / 3.5), 1));

  // (1, 2, 4, 0) x M: no translation row, no divide.
  D3DXVECTOR3 normal;
  EXPECT_EQ(D3DXVec3TransformNormal(&normal, &v, &m), &normal);
  EXPECT_EQ(normal.x, 6.0f);
  EXPECT_EQ(normal.y, 6.0f);
  EXPECT_EQ(normal.z, -3.0f);

  // In place gives the same results.
  D3DXVECTOR3 a = v, b = v;
  D3DXVec3TransformCoord(&a, &a, &m);
  D3DXVec3TransformNormal(&b, &b, &m);
  EXPECT_EQ(a.x, coord.x);
  EXPECT_EQ(a.y, coord.y);
  EXPECT_EQ(a.z, coord.z);
  EXPECT_EQ(b.x, normal.x);
  EXPECT_EQ(b.y, normal.y);
  EXPECT_EQ(b.z, normal.z);
}

TEST(D3DXVec4Normalize, UnitLengthZeroStaysZero) {
  const D3DXVECTOR4 general(0.3f, -0.2f, 0.9f, 0.1f);
  const double length = std::sqrt(double{general.x} * general.x + double{general.y} * general.y +
                                  double{general.z} * general.z + double{general.w} * general.w);
  struct Case {
    D3DXVECTOR4 in;
    double out[4];
  };
  const Case cases[] = {
      {{3, 4, 0, 0}, {0.6, 0.8, 0, 0}},
      {{1, 1, 1, 1}, {0.5, 0.5, 0.5, 0.5}},
      {{0, 0, -2, 0}, {0, 0, -1, 0}},
      {general, {general.x / length, general.y / length, general.z / length, general.w / length}},
      {{0, 0, 0, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    D3DXVECTOR4 out;
    EXPECT_EQ(D3DXVec4Normalize(&out, &c.in), &out);
    EXPECT_TRUE(WithinUlps(out.x, static_cast<float>(c.out[0]), 2));
    EXPECT_TRUE(WithinUlps(out.y, static_cast<float>(c.out[1]), 2));
    EXPECT_TRUE(WithinUlps(out.z, static_cast<float>(c.out[2]), 2));
    EXPECT_TRUE(WithinUlps(out.w, static_cast<float>(c.out[3]), 2));
    D3DXVECTOR4 same = c.in;
    D3DXVec4Normalize(&same, &same);
    EXPECT_EQ(same.x, out.x);
    EXPECT_EQ(same.y, out.y);
    EXPECT_EQ(same.z, out.z);
    EXPECT_EQ(same.w, out.w);
  }
}

}  // namespace
