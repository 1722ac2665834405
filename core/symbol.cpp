#include <dexmora/symbol.h>

namespace dexmora {

std::string codewordsText(const Symbol& symbol) {
  std::string line;
  line.reserve(symbol.codewords().size() * 4);
  for (size_t i = 0; i < symbol.codewords().size(); ++i) {
    if (i > 0) line += ' ';
    line += std::to_string(symbol.codewords()[i]);
  }
  line += '\n';
  return line;
}

std::string modulesText(const Symbol& symbol) {
  std::string rows;
  rows.reserve(static_cast<size_t>(symbol.rows()) * static_cast<size_t>(symbol.cols() + 1));
  for (int y = 0; y < symbol.rows(); ++y) {
    for (int x = 0; x < symbol.cols(); ++x) rows += symbol.isDark(x, y) ? '1' : '0';
    rows += '\n';
  }
  return rows;
}

}  // namespace dexmora
