#include "cli/size_option.h"

#include <dexmora/sizes.h>

namespace {

// How --help names a size: a square by its side, anything else as RxC.
std::string listedName(const dexmora::SymbolSize& size) {
  if (size.kind == dexmora::SizeKind::Square) return std::to_string(size.rows);
  return dexmora::sizeName(size);
}

}  // namespace

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
    for (int i = 0; i < dexmora::symbolSizeCount(); ++i) {
      const dexmora::SymbolSize size = dexmora::symbolSize(i).value();
      if (size.kind != group.kind) continue;
      const std::string name = listedName(size);
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
