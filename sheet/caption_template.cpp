#include <dexmora/sheet.h>

#include <dexmora/encode.h>

#include "core/message.h"

namespace dexmora {

namespace {

// Each piece starts with its kind: 'L' and the literal text, or a field's code.
constexpr char kLiteral = 'L';

struct Field {
  std::string_view name;
  char code;
};
constexpr Field kFields[] = {{"text", 't'}, {"name", 'm'}, {"n", 'n'}};

Error badTemplate(std::string_view text, std::string_view why) {
  return makeError(ErrorCode::BadOption, "bad " + optionKey("caption") + " " + quoted(text) + ": " + std::string(why) +
                                         " (the fields are {text}, {name} and {n}; {{ and }} are braces)");
}

}  // namespace

Expected<CaptionTemplate> CaptionTemplate::parse(std::string_view text) {
  CaptionTemplate parsed;
  std::string literal;
  const auto flush = [&] {
    if (!literal.empty()) parsed.m_pieces.push_back(kLiteral + literal);
    literal.clear();
  };
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if ((c == '{' || c == '}') && at + 1 < text.size() && text[at + 1] == c) {
      literal += c;
      ++at;
      continue;
    }
    if (c == '}') return badTemplate(text, "a '}' without its '{'");
    if (c != '{') {
      literal += c;
      continue;
    }
    const size_t close = text.find('}', at);
    if (close == std::string_view::npos) return badTemplate(text, "a '{' without its '}'");
    const std::string_view name = text.substr(at + 1, close - at - 1);
    const Field* field = nullptr;
    for (const Field& known : kFields)
      if (known.name == name) field = &known;
    if (field == nullptr) return badTemplate(text, "unknown field {" + std::string(name) + "}");
    flush();
    parsed.m_pieces.push_back(std::string(1, field->code));
    parsed.m_usesName = parsed.m_usesName || field->code == 'm';
    at = close;
  }
  flush();
  return parsed;
}

std::string CaptionTemplate::expand(std::string_view text, std::string_view name, size_t number) const {
  std::string caption;
  for (const std::string& piece : m_pieces) {
    if (piece[0] == kLiteral) {
      caption.append(piece, 1);
    } else if (piece[0] == 't') {
      caption += text;
    } else if (piece[0] == 'm') {
      caption += name;
    } else {
      caption += std::to_string(number);
    }
  }
  return caption;
}

Expected<SheetLabel> makeSheetLabel(std::string_view text, std::string_view name, size_t number,
                                    const EncodeOptions& options, const CaptionTemplate& caption) {
  Expected<Symbol> symbol = encode(text, options);
  if (!symbol) return symbol.error();
  return SheetLabel(std::move(symbol).value(), caption.expand(text, name, number));
}

}  // namespace dexmora
