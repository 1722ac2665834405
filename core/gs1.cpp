#include "core/gs1.h"

#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/gs1_table.h"
#include "core/message.h"

namespace dexmora {

namespace {

// One element string as written: "[ai]data", `position` 1-based at its '['.
struct Element {
  std::string_view ai;
  std::string data;  // escapes resolved
  size_t position;
};

// What a check found wrong, as the rest of a "GS1: AI (nn) ..." message; nullopt when nothing.
using Problem = std::optional<std::string>;

Error gs1Error(const Message& message) { return makeError(ErrorCode::BadGs1, "GS1: " + message); }
Error gs1Error(const std::string& message) { return gs1Error(Message(message)); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) {
  for (char c : text) {
    if (!isDigit(c)) return false;
  }
  return true;
}

// The value of a run of digits already known to be digits.
long long number(std::string_view digits) {
  long long value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// GS1 AI encodable character set 82, in the order that gives each character its value.
constexpr std::string_view CSET82 =
    "!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";

bool inCset82(char c) { return CSET82.find(c) != std::string_view::npos; }

bool inCset39(char c) { return c == '#' || c == '-' || c == '/' || isDigit(c) || (c >= 'A' && c <= 'Z'); }

bool isBase64url(char c) {
  return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_';
}

// Index (0-based) of the first character of `part` outside the component's set, or npos.
size_t badCharacter(Charset charset, std::string_view part) {
  size_t padding = 0;
  for (size_t i = 0; i < part.size(); ++i) {
    const char c = part[i];
    bool ok = false;
    switch (charset) {
      case Charset::Numeric: ok = isDigit(c); break;
      case Charset::Cset82: ok = inCset82(c); break;
      case Charset::Cset39: ok = inCset39(c); break;
      case Charset::Cset64:
        // Base64url; '=' only as up to two pad characters at the very end.
        ok = padding == 0 ? isBase64url(c) || c == '=' : c == '=';
        if (c == '=') ok = ok && ++padding <= 2;
        break;
    }
    if (!ok) return i;
  }
  return std::string_view::npos;
}

const char* charsetProblem(Charset charset) {
  switch (charset) {
    case Charset::Numeric: return "a non-digit";
    case Charset::Cset82: return "a character outside the GS1 set";
    case Charset::Cset39: return "a character outside GS1 set 39";
    case Charset::Cset64: break;
  }
  return "a character outside GS1 set 64 (base64url)";
}

Problem checkDigitProblem(std::string_view part) {
  const auto* digits = reinterpret_cast<const uint8_t*>(part.data());
  const int expected = gs1CheckDigit(digits, part.size() - 1);
  const int actual = part.back() - '0';
  if (actual == expected) return std::nullopt;
  return "check digit is " + std::to_string(actual) + ", expected " + std::to_string(expected) + " in " + quoted(part);
}

// The GMN's two check characters: the set 82 values weighted by primes from
// the right, modulo 1021, written as two base-32 characters.
Problem checkCharactersProblem(std::string_view part) {
  constexpr int PRIMES[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53, 59, 61, 67, 71, 73, 79, 83};
  constexpr std::string_view CSET32 = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
  if (part.size() < 2 || part.size() - 2 > std::size(PRIMES)) {
    return quoted(part) + " has no room for its two check characters";
  }
  const std::string_view body = part.substr(0, part.size() - 2);
  int sum = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    sum += static_cast<int>(CSET82.find(body[body.size() - 1 - i])) * PRIMES[i];
  }
  sum %= 1021;
  const std::string expected{CSET32[static_cast<size_t>(sum >> 5)], CSET32[static_cast<size_t>(sum & 31)]};
  if (part.substr(body.size()) == expected) return std::nullopt;
  return "check characters are " + quoted(part.substr(body.size())) + ", expected '" + expected + "' in " +
         quoted(part);
}

int daysInMonth(long long year, long long month) {
  constexpr int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month == 2 && leap ? 29 : DAYS[month - 1];
}

// A date of `yearDigits` year digits then MMDD. Two-digit years fall in a
// 100-year window that spans no century year other than 2000, so YY % 4 tells
// leap years.
Problem dateProblem(std::string_view part, size_t yearDigits, bool dayMayBeZero) {
  const long long year = number(part.substr(0, yearDigits)) + (yearDigits == 2 ? 2000 : 0);
  const long long month = number(part.substr(yearDigits, 2));
  const long long day = number(part.substr(yearDigits + 2, 2));
  std::string why;
  if (month < 1 || month > 12) {
    why = "month " + std::to_string(month);
  } else if ((day == 0 && !dayMayBeZero) || day > daysInMonth(year, month)) {
    why = "day " + std::to_string(day);
  } else {
    return std::nullopt;
  }
  return quoted(part) + " is not a date (" + why + ")";
}

// Hours, minutes and seconds as consecutive two-digit fields, each below its limit.
Problem timeProblem(std::string_view part, std::initializer_list<std::pair<const char*, int>> fields) {
  size_t at = 0;
  for (const auto& [name, limit] : fields) {
    const long long value = number(part.substr(at, 2));
    if (value >= limit) return quoted(part) + " is not a time (" + name + " " + std::to_string(value) + ")";
    at += 2;
  }
  return std::nullopt;
}

Problem percentEncodingProblem(std::string_view part) {
  const auto isHex = [](char c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
  for (size_t i = 0; i < part.size(); ++i) {
    if (part[i] != '%') continue;
    if (i + 2 >= part.size() || !isHex(part[i + 1]) || !isHex(part[i + 2])) {
      return quoted(part) + " has a '%' without two hex digits at position " + std::to_string(i + 1);
    }
    i += 2;
  }
  return std::nullopt;
}

// ISO 13616: the country code and check digits moved to the end, letters as
// 10..35, the whole number modulo 97 is 1.
Problem ibanProblem(std::string_view part) {
  const auto isUpper = [](char c) { return c >= 'A' && c <= 'Z'; };
  bool ok = part.size() >= 5 && isUpper(part[0]) && isUpper(part[1]) && isDigit(part[2]) && isDigit(part[3]) &&
            isIso3166Alpha2(part[0], part[1]);
  int remainder = 0;
  for (size_t i = 0; ok && i < part.size(); ++i) {
    const char c = part[(i + 4) % part.size()];
    if (isDigit(c)) {
      remainder = (remainder * 10 + (c - '0')) % 97;
    } else if (isUpper(c)) {
      remainder = (remainder * 100 + (c - 'A' + 10)) % 97;
    } else {
      ok = false;
    }
  }
  if (ok && remainder == 1) return std::nullopt;
  return quoted(part) + " is not an IBAN";
}

// "n/m" with 1 <= n <= m <= 9.
Problem sequenceProblem(std::string_view part) {
  if (part.size() == 3 && part[1] == '/' && part[0] >= '1' && part[0] <= '9' && part[2] >= '1' &&
      part[0] <= part[2]) {
    return std::nullopt;
  }
  return quoted(part) + " is not a position in a sequence such as '1/2'";
}

Problem oneOf(std::string_view part, std::string_view allowed, const char* what) {
  if (part.size() == 1 && allowed.find(part[0]) != std::string_view::npos) return std::nullopt;
  return quoted(part) + " is not " + what;
}

Problem atMost(std::string_view part, long long limit, const char* what) {
  if (number(part) <= limit) return std::nullopt;
  return quoted(part) + " is not " + what + " (above " + std::to_string(limit) + ")";
}

// The content check `linter` on a component whose characters already passed its set.
// Checks that need registries we do not carry (company prefixes, coupon and
// package codes, media types) accept everything.
Problem lintProblem(Linter linter, std::string_view part) {
  switch (linter) {
    case Linter::Csum: return checkDigitProblem(part);
    case Linter::Csumalpha: return checkCharactersProblem(part);
    case Linter::Yymmd0: return dateProblem(part, 2, true);
    case Linter::Yymmdd: return dateProblem(part, 2, false);
    case Linter::Yyyymmdd: return dateProblem(part, 4, false);
    case Linter::Hhmi: return timeProblem(part, {{"hour", 24}, {"minute", 60}});
    case Linter::Hh: return timeProblem(part, {{"hour", 24}});
    case Linter::Mi: return timeProblem(part, {{"minute", 60}});
    case Linter::Ss: return timeProblem(part, {{"second", 60}});
    case Linter::Iso3166:
    case Linter::Iso3166999:
      if (isIso3166Numeric(static_cast<int>(number(part))) || (linter == Linter::Iso3166999 && part == "999")) {
        return std::nullopt;
      }
      return quoted(part) + " is not an ISO 3166 country code";
    case Linter::Iso3166alpha2:
      if (isIso3166Alpha2(part[0], part[1])) return std::nullopt;
      return quoted(part) + " is not an ISO 3166 alpha-2 country code";
    case Linter::Iso4217:
      if (isIso4217Numeric(static_cast<int>(number(part)))) return std::nullopt;
      return quoted(part) + " is not an ISO 4217 currency code";
    case Linter::Pcenc: return percentEncodingProblem(part);
    case Linter::Iban: return ibanProblem(part);
    case Linter::Yesno: return oneOf(part, "01", "0 or 1");
    case Linter::Zero: return oneOf(part, "0", "0");
    case Linter::Winding: return oneOf(part, "019", "a winding direction (0, 1 or 9)");
    case Linter::Iso5218: return oneOf(part, "0129", "an ISO 5218 sex code (0, 1, 2 or 9)");
    case Linter::Hyphen: return oneOf(part, "-", "'-'");
    case Linter::Importeridx:
      if (part.size() == 1 && isBase64url(part[0])) return std::nullopt;
      return quoted(part) + " is not an importer index (0-9, A-Z, a-z, '-' or '_')";
    case Linter::Nonzero:
      if (number(part) != 0) return std::nullopt;
      return quoted(part) + " must not be zero";
    case Linter::Nozeroprefix:
      if (part.size() == 1 || part[0] != '0') return std::nullopt;
      return quoted(part) + " must not start with 0";
    case Linter::Hasnondigit:
      if (!allDigits(part)) return std::nullopt;
      return quoted(part) + " must hold a character other than a digit";
    case Linter::Pieceoftotal: {
      const long long piece = number(part.substr(0, 2));
      const long long total = number(part.substr(2, 2));
      if (piece >= 1 && piece <= total) return std::nullopt;
      return quoted(part) + " is not a piece of a total (piece " + std::to_string(piece) + " of " +
             std::to_string(total) + ")";
    }
    case Linter::Latitude: return atMost(part, 1800000000, "a latitude");
    case Linter::Longitude: return atMost(part, 3600000000, "a longitude");
    case Linter::Posinseqslash: return sequenceProblem(part);
    case Linter::None:
    case Linter::Couponcode:
    case Linter::Couponposoffer:
    case Linter::Gcppos1:
    case Linter::Gcppos2:
    case Linter::Mediatype:
    case Linter::Packagetype: break;
  }
  return std::nullopt;
}

std::string lengthText(size_t min, size_t max) {
  if (min == max) return "expected " + std::to_string(min);
  return "expected " + std::to_string(min) + " to " + std::to_string(max);
}

// Checks `data` against the AI's components: lengths, sets, then linters.
Problem componentsProblem(std::string_view data, const Gs1Component* components, size_t count) {
  size_t min = 0;
  size_t max = 0;
  for (size_t k = 0; k < count; ++k) {
    if (!components[k].optional) min += components[k].minLength;
    max += components[k].maxLength;
  }
  const std::string sizeText = std::to_string(data.size()) + " characters, " + lengthText(min, max);
  if (data.size() < min) return "data " + quoted(data) + " is too short (" + sizeText + ")";
  if (data.size() > max) return "data " + quoted(data) + " is too long (" + sizeText + ")";

  size_t at = 0;
  for (size_t k = 0; k < count && at < data.size(); ++k) {
    const Gs1Component& component = components[k];
    const size_t take = component.minLength == component.maxLength ? component.maxLength : data.size() - at;
    // Optional fixed-length parts are all or nothing.
    if (at + take > data.size()) {
      return "data " + quoted(data) + " ends inside a " + std::to_string(take) + "-character field at position " +
             std::to_string(at + 1);
    }
    const std::string_view part = data.substr(at, take);
    if (const size_t bad = badCharacter(component.charset, part); bad != std::string_view::npos) {
      return "data " + quoted(data) + " holds " + charsetProblem(component.charset) + " at position " +
             std::to_string(at + bad + 1);
    }
    for (const Linter linter : component.linters) {
      if (Problem problem = lintProblem(linter, part)) return problem;
    }
    at += take;
  }
  return std::nullopt;
}

// The element strings of `text`, each AI and data non-empty: "[01]…" in
// brackets, or "(01)…" in parentheses, where a parenthesis in the data is
// written \( or \).
Expected<std::vector<Element>> splitElements(std::string_view text, bool parens) {
  const char open = parens ? '(' : '[';
  const char close = parens ? ')' : ']';
  const std::string pair = {open, close};
  if (text.empty()) return gs1Error("no element strings");
  if (text[0] != open) {
    Message message(quoted(text) + " does not start with an AI in " + (parens ? "parentheses" : "brackets"));
    if (!parens && text[0] == '(') message += "; for AIs in parentheses add " + optionKey("gs1-parens");
    return gs1Error(message);
  }
  std::vector<Element> elements;
  size_t at = 0;
  while (at < text.size()) {
    const size_t aiEnd = text.find_first_of(pair, at + 1);
    if (aiEnd == std::string_view::npos || text[aiEnd] == open) {
      return gs1Error("'" + std::string(1, open) + "' at position " + std::to_string(at + 1) + " has no closing '" +
                      std::string(1, close) + "'");
    }
    Element element{text.substr(at + 1, aiEnd - at - 1), {}, at + 1};
    size_t i = aiEnd + 1;
    for (; i < text.size() && text[i] != open; ++i) {
      if (parens && text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '(' || text[i + 1] == ')')) {
        element.data += text[++i];
        continue;
      }
      if (text[i] == close) {
        std::string message = "'" + std::string(1, close) + "' at position " + std::to_string(i + 1) +
                              " has no opening '" + std::string(1, open) + "'";
        if (parens) message += "; write \\) for a parenthesis in the data";
        return gs1Error(message);
      }
      element.data += text[i];
    }
    elements.push_back(std::move(element));
    at = i;
  }
  return elements;
}

// Checks one element string; true when its AI has a predefined length.
Expected<bool> checkElement(const Element& element, bool noCheck) {
  const std::string_view ai = element.ai;
  if (ai.empty()) return gs1Error("empty brackets at position " + std::to_string(element.position));
  if (!allDigits(ai)) {
    return gs1Error("AI [" + escapeControlBytes(ai) + "] at position " + std::to_string(element.position) +
                    " is not 2 to 4 digits");
  }
  const std::string name = "AI (" + std::string(ai) + ")";
  const bool shapeOk = ai.size() >= 2 && ai.size() <= 4;
  const Gs1AiEntry* entry = shapeOk ? findGs1Ai(static_cast<int>(ai.size()), static_cast<int>(number(ai))) : nullptr;
  if (!entry && !noCheck) return gs1Error("unknown " + name);
  if (!shapeOk) return gs1Error(name + " is not 2 to 4 digits");
  if (element.data.empty()) return gs1Error(name + " has no data");

  if (!entry) {
    const size_t bad = badCharacter(Charset::Cset82, element.data);
    if (bad == std::string_view::npos) return false;
    return gs1Error(name + " data " + quoted(element.data) + " holds " + charsetProblem(Charset::Cset82) +
                    " at position " + std::to_string(bad + 1));
  }
  if (Problem problem = componentsProblem(element.data, gs1Components(*entry), entry->componentCount)) {
    return gs1Error(name + " " + *problem);
  }
  return entry->predefined;
}

}  // namespace

int gs1CheckDigit(const uint8_t* digits, size_t count) {
  int sum = 0;
  for (size_t i = 0; i < count; ++i) {
    const int weight = i % 2 == 0 ? 3 : 1;  // the digit next to the check digit weighs 3
    sum += (digits[count - 1 - i] - '0') * weight;
  }
  return (10 - sum % 10) % 10;
}

Expected<std::vector<uint16_t>> parseGs1(const uint8_t* text, size_t length, const Gs1Syntax& syntax) {
  const bool groupSeparator = syntax.groupSeparator;
  const bool noCheck = syntax.noCheck;
  const auto elements = splitElements(std::string_view(reinterpret_cast<const char*>(text), length), syntax.parens);
  if (!elements) return elements.error();
  std::vector<uint16_t> units;
  units.reserve(length);
  for (size_t i = 0; i < elements->size(); ++i) {
    const Element& element = (*elements)[i];
    const Expected<bool> predefined = checkElement(element, noCheck);
    if (!predefined) return predefined.error();
    for (const char c : element.ai) units.push_back(static_cast<uint8_t>(c));
    for (const char c : element.data) units.push_back(static_cast<uint8_t>(c));
    // A reader finds the end of a variable-length field only by the separator;
    // the last field ends with the data.
    if (!*predefined && i + 1 < elements->size()) units.push_back(groupSeparator ? GS1_GROUP_SEPARATOR : FNC1_UNIT);
  }
  return units;
}

}  // namespace dexmora
