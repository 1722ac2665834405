#include "render/matrix3.h"

#include <cmath>

namespace dexmora {

namespace {

constexpr Matrix3 kIdentity = {{1, 0, 0, 0, 1, 0, 0, 0, 1}};

}  // namespace

void matrix3Identity(Matrix3* dst) { *dst = kIdentity; }

Matrix3* matrix3Translation(Matrix3* dst, float tx, float ty) {
  *dst = kIdentity;
  dst->m[6] = tx;
  dst->m[7] = ty;
  return dst;
}

Matrix3* matrix3Scaling(Matrix3* dst, float sx, float sy) {
  *dst = kIdentity;
  dst->m[0] = sx;
  dst->m[4] = sy;
  return dst;
}

void matrix3Multiply(Matrix3* dst, const Matrix3* a, const Matrix3* b) {
  const float* A = a->m;
  const float* B = b->m;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      // Sum in double in this exact order, rounded once when stored.
      double sum = static_cast<double>(B[c]) * A[3 * r] + static_cast<double>(B[3 + c]) * A[3 * r + 1];
      sum += static_cast<double>(B[6 + c]) * A[3 * r + 2];
      dst->m[3 * r + c] = static_cast<float>(sum);
    }
  }
}

void matrix3MultiplyInPlace(Matrix3* m, const Matrix3* n) {
  const Matrix3 copy = *m;
  matrix3Multiply(m, &copy, n);
}

DmPoint* matrix3TransformPoint(DmPoint* out, const DmPoint* in, const Matrix3* m) {
  const double x = in->x;
  const double y = in->y;
  const float* M = m->m;
  float tx = static_cast<float>((M[3] * y + x * M[0]) + M[6]);
  float ty = static_cast<float>((M[1] * x + M[4] * y) + M[7]);
  const double w = (M[2] * x + M[5] * y) + M[8];
  // With w exactly 1 the homogeneous step multiplies by 1 and changes
  // nothing, so it is skipped (the affine case, every pixel of a picture).
  if (w != 1.0 && std::fabs(w) > 0.000001) {
    const float r = static_cast<float>(1.0 / w);
    tx = static_cast<float>(static_cast<double>(tx) * r);
    ty = static_cast<float>(static_cast<double>(ty) * r);
  }
  out->x = tx;
  out->y = ty;
  return out;
}

}  // namespace dexmora
