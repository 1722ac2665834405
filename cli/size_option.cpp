#include "cli/size_option.h"

#include <charconv>

namespace {

bool parseNumber(const char* first, const char* last, int& value) {
  const auto [stop, error] = std::from_chars(first, last, value);
  return first != last && error == std::errc() && stop == last;
}

std::string sizeName(const dexmora::SymbolSize& size) {
  if (size.kind == dexmora::SizeKind::Square) return std::to_string(size.rows);
  return std::to_string(size.rows) + "x" + std::to_string(size.cols);
}

}  // namespace

bool parseSizeOption(const std::string& value, dexmora::SizeRequest& request) {
  if (value == "auto" || value == "0") {
    request.rows = request.cols = 0;
    return true;
  }
  const char* const first = value.data();
  const char* const last = first + value.size();
  int rows = 0;
  int cols = 0;
  const std::size_t x = value.find_first_of("xX");
  if (x == std::string::npos) {
    if (!parseNumber(first, last, rows)) return false;
    cols = rows;
  } else if (!parseNumber(first, first + x, rows) || !parseNumber(first + x + 1, last, cols)) {
    return false;
  }
  if (dexmora::findSize(rows, cols) < 0) return false;
  request.rows = rows;
  request.cols = cols;
  return true;
}

std::string sizeListText(int indent, int width) {
  static constexpr struct {
    dexmora::SizeKind kind;
    const char* title;
  } GROUPS[] = {{dexmora::SizeKind::Square, "square:"},
                {dexmora::SizeKind::Rectangle, "rectangular:"},
                {dexmora::SizeKind::Dmre, "DMRE (rectangular extension):"}};
  const std::string margin(static_cast<std::size_t>(indent), ' ');
  std::string text;
  for (const auto& group : GROUPS) {
    text += margin + group.title + "\n";
    std::string line = margin + " ";
    for (const dexmora::SymbolSize& size : dexmora::SYMBOL_SIZES) {
      if (size.kind != group.kind) continue;
      const std::string name = sizeName(size);
      if (static_cast<int>(line.size() + 1 + name.size()) > width) {
        text += line + "\n";
        line = margin + " ";
      }
      line += " " + name;
    }
    text += line + "\n";
  }
  return text;
}
