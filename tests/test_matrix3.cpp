#include "image/matrix3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kTiny = 1.0f / 16777216.0f;  // 2^-24: half an ulp of 1.0f

void expectMatrix(const Matrix3& actual, const Matrix3& expected) {
  for (int i = 0; i < 9; ++i) EXPECT_EQ(actual.m[i], expected.m[i]) << "entry m" << i;
}

TEST(Matrix3, ConstructorsFillTheirEntriesOfTheIdentity) {
  Matrix3 m;
  matrix3Identity(&m);
  expectMatrix(m, {{1, 0, 0, 0, 1, 0, 0, 0, 1}});
  EXPECT_EQ(matrix3Translation(&m, -15, 7.5f), &m);
  expectMatrix(m, {{1, 0, 0, 0, 1, 0, -15, 7.5f, 1}});
  EXPECT_EQ(matrix3Scaling(&m, 0.2f, -0.2f), &m);
  expectMatrix(m, {{0.2f, 0, 0, 0, -0.2f, 0, 0, 0, 1}});
}

TEST(Matrix3, ProductAppliesTheLeftOperandFirst) {
  Matrix3 translate;
  Matrix3 scale;
  Matrix3 product;
  matrix3Translation(&translate, 1, 2);
  matrix3Scaling(&scale, 3, 5);
  matrix3Multiply(&product, &translate, &scale);
  const DmPoint in{10, 20};
  DmPoint out;
  EXPECT_EQ(matrix3TransformPoint(&out, &in, &product), &out);
  EXPECT_EQ(out.x, 33.0f);  // (10 + 1) * 3
  EXPECT_EQ(out.y, 110.0f);  // (20 + 2) * 5
}

TEST(Matrix3, ProductSumsInDoubleAndRoundsOnceOnStore) {
  // Row 0 of A is all ones, column 0 of B is (1, 2^-24, 2^-24): summed in
  // float each tiny term is lost, summed in double they make one ulp.
  const Matrix3 a = {{1, 1, 1, 0, 1, 0, 0, 0, 1}};
  const Matrix3 b = {{1, 0, 0, kTiny, 1, 0, kTiny, 0, 1}};
  Matrix3 product;
  matrix3Multiply(&product, &a, &b);
  EXPECT_EQ(product.m[0], 1.0f + 2 * kTiny);
}

TEST(Matrix3, InPlaceProductMatchesTheSeparateOne) {
  const Matrix3 a = {{0.2f, 1.5f, 0, -3, 0.25f, 0, 7, -0.5f, 1}};
  const Matrix3 b = {{2, 0.1f, 0, 0.3f, -4, 0, -0.5f, 10.5f, 1}};
  Matrix3 expected;
  matrix3Multiply(&expected, &a, &b);
  Matrix3 m = a;
  matrix3MultiplyInPlace(&m, &b);
  expectMatrix(m, expected);
}

TEST(Matrix3, TransformPointFollowsTheStoredSingleRoundings) {
  struct Case {
    const char* name;
    Matrix3 m;
    DmPoint in;
    DmPoint expected;
  };
  const Case cases[] = {
      // 1 + 2^-24 + 2^-24 in double is 1 + 2^-23; in float it stays 1.
      {"double sum", {{kTiny, 0, 0, 1, 1, 0, kTiny, 0, 1}}, {1, 1}, {1.0f + 2 * kTiny, 1}},
      {"w of 2 halves both", {{1, 0, 0, 0, 1, 0, 0, 0, 2}}, {3, -5}, {1.5f, -2.5f}},
      {"negative w", {{1, 0, 0, 0, 1, 0, 0, 0, -4}}, {8, 2}, {-2, -0.5f}},
      {"w from x and y", {{1, 0, 0.5f, 0, 1, 0.25f, 0, 0, 0}}, {2, 4}, {1, 2}},
      {"w at the threshold is ignored", {{1, 0, 0, 0, 1, 0, 0, 0, 0.000001f}}, {3, 4}, {3, 4}},
      {"w of zero is ignored", {{1, 0, 0, 0, 1, 0, 0, 0, 0}}, {3, 4}, {3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DmPoint out;
    matrix3TransformPoint(&out, &c.in, &c.m);
    EXPECT_EQ(out.x, c.expected.x);
    EXPECT_EQ(out.y, c.expected.y);
  }
}

TEST(Matrix3, TransformPointMayWriteOverItsInput) {
  const Matrix3 m = {{2, 0, 0, 0, 3, 0, 1, 1, 1}};
  DmPoint p{1, 1};
  matrix3TransformPoint(&p, &p, &m);
  EXPECT_EQ(p.x, 3.0f);
  EXPECT_EQ(p.y, 4.0f);
}

}  // namespace
