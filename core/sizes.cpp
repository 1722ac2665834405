#include "core/sizes.h"

#include <algorithm>

namespace dexmora {

int findSize(int rows, int cols) {
  for (int i = 0; i < SIZE_COUNT; ++i) {
    if (SYMBOL_SIZES[i].rows == rows && SYMBOL_SIZES[i].cols == cols) return i;
  }
  return -1;
}

namespace {

bool allowed(SizeKind kind, Shape shape, bool dmre) {
  switch (kind) {
    case SizeKind::Square: return shape != Shape::Rectangle;
    case SizeKind::Rectangle: return shape != Shape::Square;
    case SizeKind::Dmre: return dmre && shape != Shape::Square;
  }
  return false;
}

}  // namespace

int candidateSizes(const SizeRequest& request, int (&out)[SIZE_COUNT]) {
  int count = 0;
  Shape shape = request.shape;
  bool dmre = request.dmre;
  const int asked = findSize(request.rows, request.cols);
  if (asked >= 0) {
    out[count++] = asked;
    // A size asked for falls back within its own shape.
    const SizeKind kind = SYMBOL_SIZES[asked].kind;
    shape = kind == SizeKind::Square ? Shape::Square : Shape::Rectangle;
    dmre = dmre || kind == SizeKind::Dmre;
  }
  const int first = count;
  for (int i = 0; i < SIZE_COUNT; ++i) {
    if (i != asked && allowed(SYMBOL_SIZES[i].kind, shape, dmre)) out[count++] = i;
  }
  // Smallest area first; the table order breaks ties, so a square comes
  // before a rectangle of the same area.
  std::stable_sort(out + first, out + count,
                   [](int a, int b) { return SYMBOL_SIZES[a].area() < SYMBOL_SIZES[b].area(); });
  return count;
}

}  // namespace dexmora
