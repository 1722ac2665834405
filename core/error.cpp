#include <dexmora/error.h>

#include <cstdint>

namespace dexmora {

namespace {

// Length of the well-formed UTF-8 sequence starting at text[i], or 0.
// The embedding, override and isolate controls: they reorder what a
// terminal shows, so a quoted name could hide its real ending.
bool isBidiControl(uint32_t cp) {
  return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069);
}

size_t utf8SequenceLength(std::string_view text, size_t i) {
  const auto b = static_cast<uint8_t>(text[i]);
  size_t n = 0;
  uint32_t min = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  uint32_t cp = b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<uint8_t>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not text;
  // C1 controls (U+0080-U+009F) act on terminals like C0 ones.
  if (cp < min || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF || (cp >= 0x80 && cp <= 0x9F)) return 0;
  if (isBidiControl(cp)) return 0;
  return n;
}

// The markers around an option's key in a message; control bytes, so that
// no escaped value can contain them.
constexpr char kKeyStart = '\x01';
constexpr char kKeyEnd = '\x02';

}  // namespace

std::string escapeControlBytes(std::string_view text) {
  static constexpr char HEX[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (b >= 0x20 && b < 0x7F) {
      if (b == '\\') out += '\\';
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    if (b >= 0x80) {
      if (const size_t n = utf8SequenceLength(text, i)) {
        out.append(text.substr(i, n));
        i += n;
        continue;
      }
    }
    switch (b) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\x";
        out += HEX[b >> 4];
        out += HEX[b & 15];
    }
    ++i;
  }
  return out;
}

std::string quoted(std::string_view text) { return "'" + escapeControlBytes(text) + "'"; }

std::string_view errorName(ErrorCode code) {
  switch (code) {
    case ErrorCode::BadOption: return "bad_option";
    case ErrorCode::EmptyText: return "empty_text";
    case ErrorCode::TooLong: return "too_long";
    case ErrorCode::NotEncodable: return "not_encodable";
    case ErrorCode::BadGs1: return "bad_gs1";
    case ErrorCode::PictureTooLarge: return "picture_too_large";
    case ErrorCode::RenderFailed: return "render_failed";
    case ErrorCode::WriteFailed: return "write_failed";
    case ErrorCode::VerifyMismatch: return "verify_mismatch";
    case ErrorCode::OutOfMemory: return "out_of_memory";
  }
  return "unknown";
}

std::string spellOption(std::string_view key, Spelling spelling) {
  switch (spelling) {
    case Spelling::CommandLine: return "--" + std::string(key);
    case Spelling::Query: return std::string(key);
    case Spelling::Python: {
      std::string name(key);
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    }
  }
  return std::string(key);
}

std::string optionRef(std::string_view key) { return kKeyStart + std::string(key) + kKeyEnd; }

std::string Error::message(Spelling spelling) const {
  std::string out;
  out.reserve(m_message.size());
  size_t i = 0;
  while (i < m_message.size()) {
    const size_t start = m_message.find(kKeyStart, i);
    const size_t end = start == std::string::npos ? start : m_message.find(kKeyEnd, start);
    if (end == std::string::npos) break;
    out.append(m_message, i, start - i);
    out += spellOption(std::string_view(m_message).substr(start + 1, end - start - 1), spelling);
    i = end + 1;
  }
  out.append(m_message, i, std::string::npos);
  return out;
}

}  // namespace dexmora
