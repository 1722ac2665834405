#include "server/product.h"

#include <dexmora/encode.h>
#include <dexmora/render.h>

#include "server/json.h"

namespace dexmora::serve {

namespace {

OutputFormat outputFormat(Format format) {
  switch (format) {
    case Format::Svg: return OutputFormat::Svg;
    case Format::Pdf: return OutputFormat::Pdf;
    case Format::Eps: return OutputFormat::Eps;
    case Format::Txt: return OutputFormat::Txt;
    default: return OutputFormat::Png;
  }
}

void appendNumber(std::string& out, std::string_view name, int value) {
  out += "  \"";
  out += name;
  out += "\": ";
  out += std::to_string(value);
  out += ",\n";
}

}  // namespace

std::string symbolJson(const Symbol& symbol, const SymbolFacts& facts) {
  std::string out;
  // Every module is one character of its row's string, plus a few per row.
  out.reserve(static_cast<size_t>(symbol.rows()) * static_cast<size_t>(symbol.cols() + 8) +
              symbol.codewords().size() * 5 + 160);
  out += "{\n";
  appendNumber(out, "rows", symbol.rows());
  appendNumber(out, "cols", symbol.cols());
  out += "  \"size\": ";
  appendJsonString(out, sizeName(symbol));
  out += ",\n";
  appendNumber(out, "data_length", symbol.dataLength());
  appendNumber(out, "capacity", symbol.capacity());
  out += "  \"notices\": " + facts.noticesJson + ",\n";
  out += "  \"codewords\": [";
  const std::vector<uint8_t>& codewords = symbol.codewords();
  for (size_t i = 0; i < codewords.size(); ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(codewords[i]);
  }
  out += "],\n  \"modules\": [\n";
  for (int y = 0; y < symbol.rows(); ++y) {
    out += "    \"";
    for (int x = 0; x < symbol.cols(); ++x) out += symbol.isDark(x, y) ? '1' : '0';
    out += y + 1 < symbol.rows() ? "\",\n" : "\"\n";
  }
  out += "  ]\n}\n";
  return out;
}

Expected<Product> makeProduct(const SymbolRequest& request) {
  const Expected<Symbol> symbol = encode(request.data, request.options.encodeOptions());
  if (!symbol) return symbol.error();
  if (request.format == Format::Json) {
    SymbolFacts facts = symbolFacts(*symbol);
    std::string json = symbolJson(*symbol, facts);
    return Product{std::move(json), mediaType(request.format), std::move(facts)};
  }
  Expected<Rendering> rendering = render(*symbol, outputFormat(request.format), request.options.renderSettings());
  if (!rendering) return rendering.error();
  return Product{std::move(rendering->bytes), mediaType(request.format), symbolFacts(*symbol, rendering->notices)};
}

}  // namespace dexmora::serve
