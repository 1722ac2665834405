#include <algorithm>
#include <charconv>
#include <string>

#include "core/option_parsers.h"
#include "core/option_text.h"
#include "core/size_table.h"

namespace dexmora {

int findSize(int rows, int cols) {
  for (int i = 0; i < SIZE_COUNT; ++i) {
    if (SYMBOL_SIZES[i].rows == rows && SYMBOL_SIZES[i].cols == cols) return i;
  }
  return -1;
}

int symbolSizeCount() { return SIZE_COUNT; }

Expected<SymbolSize> symbolSize(int index) {
  if (index < 0 || index >= SIZE_COUNT) {
    return Error(ErrorCode::BadOption, "there is no symbol size number " + std::to_string(index) + "; they are 0 to " +
                                           std::to_string(SIZE_COUNT - 1));
  }
  return SYMBOL_SIZES[index];
}

const SymbolSize* findSymbolSize(int rows, int cols) {
  const int index = findSize(rows, cols);
  return index < 0 ? nullptr : &SYMBOL_SIZES[index];
}

std::string sizeName(const SymbolSize& size) { return std::to_string(size.rows) + "x" + std::to_string(size.cols); }

namespace {

bool allowed(SizeKind kind, Shape shape, bool dmre) {
  switch (kind) {
    case SizeKind::Square: return shape != Shape::Rectangle;
    case SizeKind::Rectangle: return shape != Shape::Square;
    case SizeKind::Dmre: return dmre && shape != Shape::Square;
  }
  return false;
}

bool parseSide(std::string_view text, int& value) {
  const char* const last = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), last, value);
  return !text.empty() && error == std::errc() && stop == last;
}

// "18x8" names no symbol, but its turn does; a user who swapped the sides
// is told so.
std::string sizeHint(int rows, int cols) {
  if (rows > cols && findSize(cols, rows) >= 0) return " (did you mean " + std::to_string(cols) + "x" + std::to_string(rows) + "?)";
  return {};
}

}  // namespace

int candidateSizes(const SizeRequest& request, int (&out)[SIZE_COUNT]) {
  int count = 0;
  Shape shape = request.shape;
  bool dmre = request.dmre;
  const int asked = findSize(request.rows, request.cols);
  if (asked >= 0) {
    out[count++] = asked;
    if (request.exact) return count;
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

Expected<SizeRequest> parseSize(std::string_view text) {
  SizeRequest request;
  if (text == "auto" || text == "0") return request;
  int rows = 0;
  int cols = 0;
  const size_t x = text.find_first_of("xX");
  const bool parsed = x == std::string_view::npos
                          ? parseSide(text, rows) && (cols = rows, true)
                          : parseSide(text.substr(0, x), rows) && parseSide(text.substr(x + 1), cols);
  if (!parsed || findSize(rows, cols) < 0) {
    return badValue(Message("size"), text,
                    "use auto, 0, a square side from 10 to 144 or rows x columns such as 16x48" +
                        (parsed ? sizeHint(rows, cols) : std::string()));
  }
  request.rows = rows;
  request.cols = cols;
  return request;
}

Expected<Shape> parseShape(std::string_view text) {
  static constexpr Named<Shape> kShapes[] = {{"square", Shape::Square}, {"rectangle", Shape::Rectangle}, {"any", Shape::Any}};
  return lookUpName(Message("shape"), text, kShapes);
}

Expected<Dm144Layout> parseDm144(std::string_view text) {
  static constexpr Named<Dm144Layout> kLayouts[] = {{"iso", Dm144Layout::Iso}, {"defacto", Dm144Layout::Defacto}};
  return lookUpName(optionKey("dm144"), text, kLayouts);
}

}  // namespace dexmora
