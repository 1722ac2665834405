#pragma once

/// @file
/// The encoding options and the parsers of their text forms. Every front end
/// parses option text through these functions, so one text means the same
/// thing on the command line, in a query string and in Python.

#include <cstdint>
#include <optional>
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/sizes.h>

namespace dexmora {

/// How the text becomes data codewords.
enum class Encodation : uint8_t {
  Basic,    ///< ASCII with digit pairs and Base 256 fields, exactly as the first release
  Minimal,  ///< the shortest stream over all six modes and their switches
  Ascii,    ///< ASCII alone, digit pairs included
  C40,      ///< C40 alone (upper case and digits)
  Text,     ///< Text alone (lower case and digits)
  X12,      ///< X12 alone (ANSI X12 EDI characters)
  Edifact,  ///< EDIFACT alone (ASCII 32-94)
  Base256,  ///< Base 256 alone (any bytes)
};

/// Structured append: this symbol's place in a sequence of up to 16.
struct StructuredAppend {
  int position = 0;  ///< 1..count; 0 when the symbol stands alone
  int count = 0;     ///< 2..16; 0 when the symbol stands alone
  int fileId = 0;    ///< tells the sequence apart: 1..64516, or 0 when none was given (written as 1)
};

/// What goes into the data codewords besides the text.
struct DataOptions {
  Encodation encodation = Encodation::Basic;  ///< how the text becomes codewords
  bool gs1 = false;                ///< the text is GS1 element strings in bracket form, "[01]…"
  bool gs1Parens = false;          ///< GS1 AIs in parentheses, "(01)…"; a literal parenthesis is written \( or \); implies gs1
  bool gs1GroupSeparator = false;  ///< separate variable-length fields with GS (29) instead of FNC1
  bool gs1NoCheck = false;         ///< accept application identifiers the GS1 table does not know
  std::optional<int> eci;          ///< ECI designator to put first, 0..999999
  bool readerInit = false;         ///< a reader programming symbol
  int macro = 0;                   ///< 5 or 6 for the Macro 05 / Macro 06 header; 0 for none
  StructuredAppend structuredAppend;  ///< this symbol's place in a sequence, if any
};

/// Every choice of an encode; the defaults give the first release's symbol.
struct EncodeOptions {
  SizeRequest size;                      ///< which size, or how to choose one
  DataOptions data;                      ///< what goes into the data codewords
  Dm144Layout dm144 = Dm144Layout::Iso;  ///< the 144x144 symbol's block layout
};

/// Checks every value and combination of `options`; encode() does the same
/// before it starts. BadOption names the option at fault.
Expected<void> checkEncodeOptions(const EncodeOptions& options);

/// Parses an encodation's name (option key "encodation"): basic, minimal,
/// ascii, c40, text, x12, edifact or base256.
Expected<Encodation> parseEncodation(std::string_view text);

/// The name parseEncodation() takes for `encodation`.
std::string_view encodationName(Encodation encodation);

/// Parses an ECI designator, a whole number 0 to 999999 (option key "eci").
Expected<int> parseEci(std::string_view text);

/// Parses "05" or "06" (option key "macro"), giving 5 or 6.
Expected<int> parseMacro(std::string_view text);

/// Parses POSITION,COUNT or POSITION,COUNT,ID (option key "structured-append"):
/// COUNT 2 to 16, POSITION 1 to COUNT, ID 1 to 64516.
Expected<StructuredAppend> parseStructuredAppend(std::string_view text);

/// Parses a switch's value: "", "1", "true", "yes", "on" are true;
/// "0", "false", "no", "off" false (option key `key`, for the message).
Expected<bool> parseSwitch(std::string_view key, std::string_view text);

}  // namespace dexmora
