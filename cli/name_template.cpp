#include "dexmora_text/quoting.h"

#include "cli/name_template.h"

#include <cstdio>

#include <dexmora/error.h>

namespace dexmora {

namespace {

constexpr int kMaxWidth = 20;  // a 64-bit line number has at most 20 digits

Error templateError(std::string_view text, const std::string& why) {
  return Error(ErrorCode::BadOption, "bad name template " + dexmora::quoted(text) + ": " + why);
}

// W of "n:0W": a zero then 1 to kMaxWidth; -1 when `field` is not that form.
int paddedWidth(std::string_view field) {
  if (field.size() < 4 || field.substr(0, 3) != "n:0") return -1;
  int width = 0;
  for (char c : field.substr(3)) {
    if (c < '0' || c > '9') return -1;
    width = width * 10 + (c - '0');
    if (width > kMaxWidth) return -1;
  }
  return width >= 1 ? width : -1;
}

}  // namespace

Expected<NameTemplate> NameTemplate::parse(std::string_view text, bool tsv) {
  NameTemplate result;
  std::string literal;
  std::size_t firstField = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '{') {
      literal += text[i];
      continue;
    }
    const std::size_t close = text.find('}', i);
    if (close == std::string_view::npos) return templateError(text, "'{' without '}'");
    const std::string_view field = text.substr(i + 1, close - i - 1);
    Piece piece;
    if (field == "n") {
      piece.kind = Kind::Number;
    } else if (const int width = paddedWidth(field); width > 0) {
      piece.kind = Kind::Number;
      piece.width = width;
    } else if (field == "name") {
      if (!tsv) return templateError(text, "{name} needs --tsv");
      piece.kind = Kind::Name;
    } else {
      return templateError(text, "use {n}, {n:0W} or {name}");
    }
    if (firstField == std::string_view::npos) firstField = i;
    if (!literal.empty()) result.m_pieces.push_back(Piece{Kind::Literal, std::move(literal), 0});
    literal.clear();
    result.m_usesNumber |= piece.kind == Kind::Number;
    result.m_usesName |= piece.kind == Kind::Name;
    result.m_pieces.push_back(std::move(piece));
    i = close;
  }
  if (!literal.empty()) result.m_pieces.push_back(Piece{Kind::Literal, std::move(literal), 0});
  const std::size_t slash = text.substr(0, firstField).rfind('/');
  if (slash == 0) result.m_fixedDirectory = "/";
  else if (slash != std::string_view::npos) result.m_fixedDirectory = std::string(text.substr(0, slash));
  if (slash != std::string_view::npos) result.m_directoryPrefix = slash + 1;
  return result;
}

std::string NameTemplate::expand(std::size_t lineNumber, std::string_view name) const {
  std::string out;
  for (const Piece& piece : m_pieces) {
    switch (piece.kind) {
      case Kind::Literal: out += piece.text; break;
      case Kind::Name: out += name; break;
      case Kind::Number: {
        char digits[kMaxWidth + 2];
        std::snprintf(digits, sizeof digits, "%0*zu", piece.width, lineNumber);
        out += digits;
        break;
      }
    }
  }
  return out;
}

}  // namespace dexmora
