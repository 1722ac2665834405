#include "core/encodation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/gs1.h"
#include "core/header_codewords.h"
#include "core/minimal_encodation.h"
#include "core/modes.h"

namespace dexmora {
namespace {

const char* modeName(Encodation encodation) {
  switch (encodation) {
    case Encodation::Ascii: return "ASCII";
    case Encodation::C40: return "C40";
    case Encodation::Text: return "Text";
    case Encodation::X12: return "X12";
    case Encodation::Edifact: return "EDIFACT";
    case Encodation::Base256: return "Base 256";
    default: return "this";
  }
}

bool carries(Encodation encodation, uint16_t unit) {
  switch (encodation) {
    case Encodation::X12: return x12Value(unit) >= 0;
    case Encodation::Edifact: return edifactValue(unit) >= 0;
    case Encodation::Base256: return unit != FNC1_UNIT;
    default: return true;
  }
}

std::optional<Error> checkForcedMode(const std::vector<uint16_t>& units, Encodation encodation) {
  for (size_t i = 0; i < units.size(); ++i) {
    if (carries(encodation, units[i])) continue;
    const std::string what = units[i] == FNC1_UNIT ? "FNC1" : "byte " + std::to_string(units[i]);
    return Error{ErrorCode::NotEncodable, std::string(modeName(encodation)) + " mode cannot carry " + what +
                                              " at position " + std::to_string(i + 1)};
  }
  return std::nullopt;
}

Expected<std::vector<uint16_t>> inputUnits(const uint8_t* text, size_t length, const DataOptions& options) {
  if (gs1Input(options)) return parseGs1(text, length, {options.gs1GroupSeparator, options.gs1NoCheck, options.gs1Parens});
  return std::vector<uint16_t>(text, text + length);
}

// Calls piece(bytes) for each run of bytes between FNC1s and fnc1()
// for each FNC1, in order.
template <typename Piece, typename Fnc1>
void forEachPiece(const std::vector<uint16_t>& units, Piece piece, Fnc1 fnc1) {
  std::vector<uint8_t> bytes;
  for (uint16_t unit : units) {
    if (unit != FNC1_UNIT) {
      bytes.push_back(static_cast<uint8_t>(unit));
      continue;
    }
    piece(bytes);
    bytes.clear();
    fnc1();
  }
  piece(bytes);
}

// The first release's encodation after the headers; an FNC1 between GS1
// element strings is its ASCII codeword. Returns the stream's length without
// the bound: the text is counted a second time only when it overflows.
size_t appendBasicUnits(std::vector<uint8_t>& stream, const std::vector<uint16_t>& units, size_t bound) {
  const size_t headerLength = stream.size();
  forEachPiece(
      units, [&](const std::vector<uint8_t>& bytes) {
        if (stream.size() <= bound) appendBasic(stream, bytes.data(), bytes.size(), bound);
      },
      [&] {
        if (stream.size() <= bound) stream.push_back(FNC1);
      });
  if (stream.size() <= bound) return stream.size();
  size_t length = headerLength;
  forEachPiece(
      units, [&](const std::vector<uint8_t>& bytes) { length += basicLength(bytes.data(), bytes.size()); },
      [&] { ++length; });
  return length;
}

Error tooLong(size_t needed, const int* candidates, int candidateCount, const char* atLeast = "") {
  int largest = candidates[0];
  for (int i = 1; i < candidateCount; ++i) {
    if (SYMBOL_SIZES[candidates[i]].dataCodewords > SYMBOL_SIZES[largest].dataCodewords) largest = candidates[i];
  }
  const SymbolSize& size = SYMBOL_SIZES[largest];
  const std::string name = sizeName(size);
  // One candidate is a size asked for exactly: it is named as such, not as the largest.
  const std::string head = candidateCount == 1 ? "the text is too long for " + name + ": it needs "
                                               : std::string("the text is too long: it needs ");
  const std::string holder = candidateCount == 1 ? name : "the largest symbol (" + name + ")";
  return Error{ErrorCode::TooLong, head + atLeast + std::to_string(needed) + " codewords, and " + holder + " holds " +
                                       std::to_string(size.dataCodewords)};
}

// The first candidate that holds `length` codewords, or -1.
int firstHolding(size_t length, const int* candidates, int candidateCount) {
  for (int i = 0; i < candidateCount; ++i) {
    if (static_cast<size_t>(SYMBOL_SIZES[candidates[i]].dataCodewords) >= length) return candidates[i];
  }
  return -1;
}

int largestCapacity(const int* candidates, int candidateCount) {
  int largest = 0;
  for (int i = 0; i < candidateCount; ++i) {
    largest = std::max<int>(largest, SYMBOL_SIZES[candidates[i]].dataCodewords);
  }
  return largest;
}

}  // namespace

Expected<DataStream> encodeData(const uint8_t* text, size_t length, const DataOptions& options,
                                const int* candidates, int candidateCount) {
  if (candidateCount <= 0) return Error(ErrorCode::BadOption, "no symbol size to choose from");
  Expected<std::vector<uint16_t>> units = inputUnits(text, length, options);
  if (!units) return units.error();
  DataStream data;
  data.codewords = headerCodewords(options);
  if (options.encodation == Encodation::Basic) {
    const size_t needed =
        appendBasicUnits(data.codewords, *units, static_cast<size_t>(largestCapacity(candidates, candidateCount)));
    data.sizeIndex = firstHolding(needed, candidates, candidateCount);
    if (data.sizeIndex < 0) return tooLong(needed, candidates, candidateCount);
    return data;
  }

  if (options.encodation != Encodation::Minimal) {
    if (std::optional<Error> error = checkForcedMode(*units, options.encodation)) return *error;
  }
  // No mode packs more than two input units into a codeword (digit pairs),
  // so a longer text is refused before the search spends memory on it.
  const size_t room = static_cast<size_t>(largestCapacity(candidates, candidateCount));
  if (units->size() > 2 * room) {
    return tooLong(data.codewords.size() + (units->size() + 1) / 2, candidates, candidateCount, "at least ");
  }
  const Plan plan = planEncodation(*units, data.codewords.size(), options.encodation);
  data.sizeIndex = firstHolding(plan.length, candidates, candidateCount);
  if (data.sizeIndex < 0) return tooLong(plan.length, candidates, candidateCount);
  emitPlan(plan, *units, SYMBOL_SIZES[data.sizeIndex].dataCodewords, data.codewords);
  return data;
}

}  // namespace dexmora
