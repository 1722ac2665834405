#include "render/matrix3.h"

#include <gtest/gtest.h>

namespace dexmora {
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

// A x B into a separate destination and in place into A give the same
// entries.
TEST(Matrix3, Product) {
  const struct {
    const char* name;
    Matrix3 a, b, product;
  } cases[] = {
      // Translation by (1, 2), then scaling by (3, 5): x' = (x + 1) * 3.
      {"left operand acts first", {{1, 0, 0, 0, 1, 0, 1, 2, 1}}, {{3, 0, 0, 0, 5, 0, 0, 0, 1}},
       {{3, 0, 0, 0, 5, 0, 3, 10, 1}}},
      // Every entry reads a whole row of A and a whole column of B, so an
      // in-place product that overwrote A early would show.
      {"dense", {{1, 2, 3, 4, 5, 6, 7, 8, 9}}, {{9, 8, 7, 6, 5, 4, 3, 2, 1}},
       {{30, 24, 18, 84, 69, 54, 138, 114, 90}}},
      // 1 + 2^-24 + 2^-24: summed in float each tiny term is lost, summed in
      // double they make one ulp.
      {"sums in double, rounds once on store", {{1, 1, 1, 0, 1, 0, 0, 0, 1}}, {{1, 0, 0, kTiny, 1, 0, kTiny, 0, 1}},
       {{1 + 2 * kTiny, 1, 1, kTiny, 1, 0, kTiny, 0, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Matrix3 product;
    matrix3Multiply(&product, &c.a, &c.b);
    expectMatrix(product, c.product);
    Matrix3 m = c.a;
    matrix3MultiplyInPlace(&m, &c.b);
    expectMatrix(m, c.product);
  }
}

// Each case into a separate point and into the input point itself.
TEST(Matrix3, TransformPointFollowsTheStoredSingleRoundings) {
  const struct {
    const char* name;
    Matrix3 m;
    DmPoint in;
    DmPoint expected;
  } cases[] = {
      // 1 + 2^-24 + 2^-24 in double is 1 + 2^-23; in float it stays 1.
      {"double sum", {{kTiny, 0, 0, 1, 1, 0, kTiny, 0, 1}}, {1, 1}, {1.0f + 2 * kTiny, 1}},
      {"x and y swapped", {{0, 1, 0, 1, 0, 0, 0, 0, 1}}, {3, 4}, {4, 3}},
      {"w of 2 halves both", {{1, 0, 0, 0, 1, 0, 0, 0, 2}}, {3, -5}, {1.5f, -2.5f}},
      {"negative w", {{1, 0, 0, 0, 1, 0, 0, 0, -4}}, {8, 2}, {-2, -0.5f}},
      {"w from x and y", {{1, 0, 0.5f, 0, 1, 0.25f, 0, 0, 0}}, {2, 4}, {1, 2}},
      {"w at the threshold is ignored", {{1, 0, 0, 0, 1, 0, 0, 0, 0.000001f}}, {3, 4}, {3, 4}},
      {"w of zero is ignored", {{1, 0, 0, 0, 1, 0, 0, 0, 0}}, {3, 4}, {3, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DmPoint out;
    EXPECT_EQ(matrix3TransformPoint(&out, &c.in, &c.m), &out);
    EXPECT_EQ(out.x, c.expected.x);
    EXPECT_EQ(out.y, c.expected.y);
    DmPoint p = c.in;
    matrix3TransformPoint(&p, &p, &c.m);
    EXPECT_EQ(p.x, c.expected.x);
    EXPECT_EQ(p.y, c.expected.y);
  }
}

}  // namespace
}  // namespace dexmora
