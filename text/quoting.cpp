#include "dexmora_text/quoting.h"

#include <algorithm>
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

namespace {

// Levenshtein distance, small strings only.
size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string_view nearestWord(std::string_view word, const std::vector<std::string_view>& candidates) {
  std::string_view best;
  size_t bestDistance = 0;
  for (const std::string_view candidate : candidates) {
    const size_t distance = editDistance(word, candidate);
    if (best.empty() || distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  // One slip in a short name, two in a longer one; more is another word.
  return bestDistance <= (word.size() <= 4 ? 1u : 2u) ? best : std::string_view();
}

}  // namespace dexmora
