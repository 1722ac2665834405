#pragma once

namespace dexmora {

// A 3x3 transform of nine single-precision floats stored row by row
// (m0 m1 m2 / m3 m4 m5 / m6 m7 m8). Points are row vectors: (x, y, 1) x M,
// so translation sits in m6/m7 and, in A x B, A acts first.
// Every sum of products is evaluated in double and rounded to float only
// where it is stored. Render's own: nothing outside it calls these, and
// the library exports none of them.
struct Matrix3 {
  float m[9];
};

struct DmPoint {
  float x;
  float y;
};

void matrix3Identity(Matrix3* dst);
Matrix3* matrix3Translation(Matrix3* dst, float tx, float ty);
Matrix3* matrix3Scaling(Matrix3* dst, float sx, float sy);
// dst = a x b; dst must differ from a and b.
void matrix3Multiply(Matrix3* dst, const Matrix3* a, const Matrix3* b);
// m = m x n.
void matrix3MultiplyInPlace(Matrix3* m, const Matrix3* n);
DmPoint* matrix3TransformPoint(DmPoint* out, const DmPoint* in, const Matrix3* m);

}  // namespace dexmora
