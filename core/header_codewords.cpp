#include "core/header_codewords.h"

#include <string>

#include "core/gs1.h"
#include "core/modes.h"

namespace dexmora {
namespace {

constexpr int MAX_ECI = 999999;
constexpr int MAX_SEQUENCE = 16;

Error badOption(std::string message) { return Error{ErrorCode::BadOption, std::move(message)}; }

constexpr int FILE_ID_VALUES = 254;  // each of the two codewords is 1..254

// The file identification is two codewords 1..254; fileId 1..64516 counts
// their pairs in order, and 0 (none given) is the first pair.
std::optional<Error> checkStructuredAppend(const StructuredAppend& append) {
  if (append.position == 0 && append.count == 0) {
    if (append.fileId != 0) return badOption("a file identification needs structured append");
    return std::nullopt;
  }
  if (append.count < 2 || append.count > MAX_SEQUENCE) {
    return badOption("structured append count " + std::to_string(append.count) + " is outside 2..16");
  }
  if (append.position < 1 || append.position > append.count) {
    return badOption("structured append position " + std::to_string(append.position) + " is outside 1.." +
                     std::to_string(append.count));
  }
  if (append.fileId < 0 || append.fileId > FILE_ID_VALUES * FILE_ID_VALUES) {
    return badOption("structured append file identification " + std::to_string(append.fileId) +
                     " is outside 1..64516");
  }
  return std::nullopt;
}

bool knownEncodation(Encodation encodation) { return static_cast<int>(encodation) <= static_cast<int>(Encodation::Base256); }

}  // namespace

std::optional<Error> checkDataOptions(const DataOptions& options) {
  if (!knownEncodation(options.encodation)) return badOption("unknown encodation");
  if (!options.gs1 && (options.gs1GroupSeparator || options.gs1NoCheck)) {
    return badOption("the GS1 group separator and no-check choices need GS1 input");
  }
  if (options.eci < -1 || options.eci > MAX_ECI) {
    return badOption("ECI " + std::to_string(options.eci) + " is outside 0..999999");
  }
  if (options.macro != 0 && options.macro != 5 && options.macro != 6) {
    return badOption("macro " + std::to_string(options.macro) + " is neither 05 nor 06");
  }
  if (std::optional<Error> error = checkStructuredAppend(options.structuredAppend)) return error;
  const bool appended = options.structuredAppend.count != 0;
  // Reader programming, a macro and FNC1 in first position each claim the
  // first data position; structured append keeps it for its own header.
  if (options.readerInit && appended) return badOption("a reader programming symbol cannot be part of structured append");
  if (options.readerInit && options.gs1) return badOption("a reader programming symbol cannot carry GS1 data");
  if (options.readerInit && options.macro != 0) return badOption("a reader programming symbol cannot carry a macro");
  if (options.macro != 0 && options.gs1) return badOption("a macro header and GS1 data exclude each other");
  if (options.macro != 0 && appended) return badOption("a macro header cannot be part of structured append");
  return std::nullopt;
}

Expected<std::vector<uint8_t>> headerCodewords(const DataOptions& options) {
  std::vector<uint8_t> header;
  const StructuredAppend& append = options.structuredAppend;
  if (append.count != 0) {
    header.push_back(STRUCTURED_APPEND);
    // Position - 1 in the high four bits, 17 - count in the low four.
    header.push_back(static_cast<uint8_t>((append.position - 1) << 4 | (17 - append.count)));
    const int pair = append.fileId > 0 ? append.fileId - 1 : 0;
    header.push_back(static_cast<uint8_t>(pair / FILE_ID_VALUES + 1));
    header.push_back(static_cast<uint8_t>(pair % FILE_ID_VALUES + 1));
  }
  if (options.readerInit) header.push_back(READER_PROGRAMMING);
  if (options.macro == 5) header.push_back(MACRO_05);
  if (options.macro == 6) header.push_back(MACRO_06);
  if (options.gs1) header.push_back(FNC1);
  if (options.eci >= 0) {
    Expected<std::vector<uint8_t>> eci = eciCodewords(options.eci);
    if (!eci) return eci.error();
    header.insert(header.end(), eci->begin(), eci->end());
  }
  return header;
}

}  // namespace dexmora
