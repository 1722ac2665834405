#include <dexmora/options.h>

#include <charconv>
#include <climits>
#include <string>

#include <dexmora/option_set.h>

#include "core/option_parsers.h"
#include "core/option_text.h"
#include "core/size_table.h"

namespace dexmora {

namespace {

constexpr int kMaxEci = 999999;
constexpr int kMaxSequence = 16;
constexpr int kFileIdValues = 254;  // each of the two codewords is 1..254
constexpr int kMaxFileId = kFileIdValues * kFileIdValues;

constexpr Named<Encodation> kEncodations[] = {
    {"basic", Encodation::Basic}, {"minimal", Encodation::Minimal}, {"ascii", Encodation::Ascii},
    {"c40", Encodation::C40},     {"text", Encodation::Text},       {"x12", Encodation::X12},
    {"edifact", Encodation::Edifact}, {"base256", Encodation::Base256}};

Error badOption(Message message) { return makeError(ErrorCode::BadOption, std::move(message)); }
Error badOption(std::string message) { return badOption(Message(std::move(message))); }

// The one range check of an ECI designator, for the parser and the options alike.
Expected<void> checkEci(int value) {
  if (value < 0 || value > kMaxEci) return badOption("ECI " + std::to_string(value) + " is outside 0..999999");
  return {};
}

// The file identification is two codewords 1..254; fileId 1..64516 counts
// their pairs in order, and 0 (none given) is the first pair.
Expected<void> checkStructuredAppend(const StructuredAppend& append) {
  if (append.position == 0 && append.count == 0) {
    if (append.fileId != 0) return badOption("a file identification needs " + optionKey("structured-append"));
    return {};
  }
  if (append.count < 2 || append.count > kMaxSequence) {
    return badOption("structured append count " + std::to_string(append.count) + " is outside 2..16");
  }
  if (append.position < 1 || append.position > append.count) {
    return badOption("structured append position " + std::to_string(append.position) + " is outside 1.." +
                     std::to_string(append.count));
  }
  if (append.fileId < 0 || append.fileId > kMaxFileId) {
    return badOption("structured append file identification " + std::to_string(append.fileId) +
                     " is outside 1..64516");
  }
  return {};
}

Expected<void> checkDataOptions(const DataOptions& options) {
  if (static_cast<int>(options.encodation) > static_cast<int>(Encodation::Base256)) return badOption("unknown encodation");
  const bool gs1 = options.gs1 || options.gs1Parens;
  if (!gs1 && options.gs1GroupSeparator) return badOption(optionKey("gs1-gs") + " needs GS1 input: add " + optionKey("gs1"));
  if (!gs1 && options.gs1NoCheck) return badOption(optionKey("gs1-nocheck") + " needs GS1 input: add " + optionKey("gs1"));
  if (options.eci) {
    if (Expected<void> eci = checkEci(*options.eci); !eci) return eci;
  }
  if (options.macro != 0 && options.macro != 5 && options.macro != 6) {
    return badOption("macro " + std::to_string(options.macro) + " is neither 05 nor 06");
  }
  if (Expected<void> sequence = checkStructuredAppend(options.structuredAppend); !sequence) return sequence;
  const bool appended = options.structuredAppend.count != 0;
  // Reader programming, a macro and FNC1 in first position each claim the
  // first data position; structured append keeps it for its own header.
  if (options.readerInit && appended) return badOption("a reader programming symbol cannot be part of structured append");
  if (options.readerInit && gs1) return badOption("a reader programming symbol cannot carry GS1 data");
  if (options.readerInit && options.macro != 0) return badOption("a reader programming symbol cannot carry a macro");
  if (options.macro != 0 && gs1) return badOption("a macro header and GS1 data exclude each other");
  if (options.macro != 0 && appended) return badOption("a macro header cannot be part of structured append");
  return {};
}

}  // namespace

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return lower;
}

bool parseWholeNumber(std::string_view text, int low, int high, int& value) {
  const char* const last = text.data() + text.size();
  int parsed = 0;
  const auto [stop, error] = std::from_chars(text.data(), last, parsed);
  if (text.empty() || error != std::errc() || stop != last || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

Expected<void> checkEncodeOptions(const EncodeOptions& options) { return checkEncodeSettings(settingsOf(options)); }

Expected<void> checkEncodeSettings(const EncodeSettings& options) {
  const SizeRequest& size = options.size;
  if ((size.rows != 0 || size.cols != 0) && findSize(size.rows, size.cols) < 0) {
    return badOption("there is no " + std::to_string(size.rows) + "x" + std::to_string(size.cols) + " symbol");
  }
  if (static_cast<int>(size.shape) > static_cast<int>(Shape::Any)) return badOption("unknown shape");
  if (size.exact && size.rows == 0) return badOption(optionKey("exact-size") + " needs a size: add " + optionKey("size"));
  if (static_cast<int>(options.dm144) > static_cast<int>(Dm144Layout::Defacto)) return badOption("unknown 144x144 layout");
  return checkDataOptions(options.data);
}

Expected<Encodation> parseEncodation(std::string_view text) { return lookUpName(Message("encodation"), text, kEncodations); }

std::string_view encodationName(Encodation encodation) {
  for (const auto& entry : kEncodations)
    if (entry.value == encodation) return entry.name;
  return "unknown";
}

Expected<int> parseEci(std::string_view text) {
  int value = 0;
  if (!parseWholeNumber(text, INT_MIN, INT_MAX, value)) return badValue(Message("ECI"), text, "use a whole number from 0 to 999999");
  if (Expected<void> eci = checkEci(value); !eci) return eci.error();
  return value;
}

Expected<int> parseMacro(std::string_view text) {
  if (text == "05") return 5;
  if (text == "06") return 6;
  return badValue(optionKey("macro"), text, "use 05 or 06");
}

Expected<StructuredAppend> parseStructuredAppend(std::string_view text) {
  const size_t first = text.find(',');
  const size_t second = first == std::string_view::npos ? first : text.find(',', first + 1);
  StructuredAppend append;
  const bool ok =
      first != std::string_view::npos && parseWholeNumber(text.substr(0, first), 1, kMaxSequence, append.position) &&
      parseWholeNumber(text.substr(first + 1, second == std::string_view::npos ? second : second - first - 1), 2,
                       kMaxSequence, append.count) &&
      (second == std::string_view::npos || parseWholeNumber(text.substr(second + 1), 1, kMaxFileId, append.fileId));
  if (!ok) {
    return badValue(optionKey("structured-append"), text,
                    "use POSITION,COUNT or POSITION,COUNT,ID with COUNT 2 to 16, POSITION 1 to COUNT and ID 1 to 64516");
  }
  if (Expected<void> valid = checkStructuredAppend(append); !valid) {
    return badValue(optionKey("structured-append"), text, valid.error().detail());
  }
  return append;
}

Expected<bool> parseSwitch(std::string_view key, std::string_view text) {
  static constexpr Named<bool> kSwitch[] = {{"", true},   {"1", true},   {"true", true},   {"yes", true}, {"on", true},
                                            {"0", false}, {"false", false}, {"no", false}, {"off", false}};
  for (const auto& entry : kSwitch)
    if (std::string_view(entry.name) == text) return entry.value;
  return badValue(optionKey(key), text, "use 1 or 0 (true or false, yes or no, on or off)");
}

}  // namespace dexmora
