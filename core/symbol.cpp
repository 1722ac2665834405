#include <dexmora/symbol.h>

#include "core/symbol_access.h"

namespace dexmora {

Symbol::Symbol(std::shared_ptr<const detail::SymbolData> data) : m_data(std::move(data)) {}
Symbol::Symbol(const Symbol& other) = default;
Symbol& Symbol::operator=(const Symbol& other) = default;
Symbol::~Symbol() = default;

const SymbolSize& Symbol::size() const { return *m_data->size; }
int Symbol::sizeIndex() const { return m_data->sizeIndex; }
int Symbol::rows() const { return m_data->size->rows; }
int Symbol::cols() const { return m_data->size->cols; }

bool Symbol::isDark(int x, int y) const {
  const int columns = cols();
  return x >= 0 && y >= 0 && x < columns && y < rows() &&
         m_data->modules[static_cast<size_t>(y) * static_cast<size_t>(columns) + static_cast<size_t>(x)] != 0;
}

const std::vector<uint8_t>& Symbol::modules() const { return m_data->modules; }
const std::vector<uint8_t>& Symbol::codewords() const { return m_data->codewords; }
int Symbol::dataLength() const { return m_data->dataLength; }
int Symbol::capacity() const { return m_data->size->dataCodewords; }
Dm144Layout Symbol::layout() const { return m_data->layout; }
const std::vector<Notice>& Symbol::notices() const { return m_data->notices; }

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
