#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "classic/encode_job.h"
#include "classic/symbol_steps.h"
#include "classic/symbol_tables.h"
#include "core/encodation.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Runs data encodation and padding on a heap copy of exactly the text's
// bytes, so reading one byte past the end is caught under AddressSanitizer.
struct Encoded {
  DmSymbol symbol{};
  explicit Encoded(const Bytes& text, int32_t requested = 0) {
    requestedSize = requested;
    std::unique_ptr<uint8_t[]> copy(new uint8_t[text.size() + (text.empty() ? 1 : 0)]);
    if (!text.empty()) std::memcpy(copy.get(), text.data(), text.size());
    dmEncodeData(&symbol, copy.get(), static_cast<int32_t>(text.size()));
    dmAddPadding(&symbol);
    requestedSize = 0;
  }
  ~Encoded() { dmFreeSymbol(&symbol); }
  Encoded(const Encoded&) = delete;
  Encoded& operator=(const Encoded&) = delete;

  int dataCount() const { return SymbolAttributes[symbol.sizeIndex].dataCodewords; }
  Bytes data() const { return Bytes(symbol.codewords, symbol.codewords + dataCount()); }
  int size() const { return SymbolAttributes[symbol.sizeIndex].symbolSize; }
};

struct DataCase {
  Bytes text;
  int32_t requested;
  int size;
  int padCount;
  uint32_t total;
  Bytes data;
};

class DataEncodation : public testing::TestWithParam<DataCase> {};

TEST_P(DataEncodation, ProducesTheStandardCodewords) {
  const DataCase& c = GetParam();
  Encoded e(c.text, c.requested);
  EXPECT_EQ(e.size(), c.size);
  EXPECT_EQ(e.symbol.padCount, c.padCount);
  EXPECT_EQ(e.symbol.totalCodewords, c.total);
  EXPECT_EQ(e.data(), c.data);
  // The error codeword area stays zero until Reed-Solomon fills it.
  for (uint32_t i = static_cast<uint32_t>(e.dataCount()); i < e.symbol.totalCodewords; ++i) {
    ASSERT_EQ(e.symbol.codewords[i], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, DataEncodation,
    testing::Values(DataCase{bytes("123456"), 0, 10, 0, 8, {142, 164, 186}},
                    DataCase{bytes("123456"), 10, 10, 0, 8, {142, 164, 186}},
                    DataCase{bytes("A1"), 0, 10, 1, 8, {66, 50, 129}},
                    DataCase{bytes("A1"), 12, 12, 3, 12, {66, 50, 129, 220, 115}},
                    DataCase{bytes("A"), 0, 10, 2, 8, {66, 129, 70}},
                    DataCase{bytes("12345"), 0, 10, 0, 8, {142, 164, 54}},
                    DataCase{bytes("1A"), 0, 10, 1, 8, {50, 66, 129}},
                    DataCase{bytes("ABCD"), 10, 12, 1, 12, {66, 67, 68, 69, 129}},
                    DataCase{bytes("ABCD"), 28, 12, 1, 12, {66, 67, 68, 69, 129}},
                    DataCase{{0xC4, 0xE3}, 0, 12, 1, 12, {231, 46, 133, 58, 129}},
                    DataCase{{'A', 0xC4, '1', '2'}, 0, 12, 0, 12, {66, 231, 194, 27, 142}},
                    DataCase{{'A', 'B', 0xFF}, 0, 12, 0, 12, {66, 67, 231, 88, 235}},
                    DataCase{{'1', '2', 0x80, '3', '4'}, 0, 12, 0, 12, {142, 231, 194, 215, 164}},
                    DataCase{bytes("123456789012"), 0, 14, 2, 18, {142, 164, 186, 208, 220, 142, 129, 56}},
                    DataCase{{0x7E}, 0, 10, 2, 8, {127, 129, 70}},
                    DataCase{{0x7F}, 0, 10, 2, 8, {128, 129, 70}},
                    // A requested size that names no row is the automatic choice.
                    DataCase{bytes("ABCD"), 30, 12, 1, 12, {66, 67, 68, 69, 129}},
                    // A larger requested size is honoured, pads fill it.
                    DataCase{bytes("A"), 16, 16, 11, 24, {66, 129, 70, 220, 115, 11, 161, 56, 206, 101, 251, 147}}));

TEST(DataEncodation, LongestTwelveByteStream) {
  Bytes text;
  for (int i = 0; i < 6; ++i) {
    text.push_back(0x80);
    text.push_back('A');
  }
  Encoded e(text);
  EXPECT_EQ(e.size(), 22);
  EXPECT_EQ(e.symbol.padCount, 6);
  EXPECT_EQ(e.symbol.totalCodewords, 50u);
  EXPECT_EQ(e.symbol.gridRows, 20);
  EXPECT_EQ(e.symbol.gridCols, 20);
  const Bytes expected = {231, 45,  65, 66, 231, 131, 152, 66, 231, 217, 238, 66, 231, 48,  68,
                          66,  231, 134, 155, 66, 231, 220, 241, 66, 129, 209, 104, 254, 150, 45};
  EXPECT_EQ(e.data(), expected);
}

TEST(DataEncodation, SingleLetterInTheLargestSymbol) {
  Encoded e(bytes("A"), 144);
  EXPECT_EQ(e.symbol.sizeIndex, 23);
  EXPECT_EQ(e.symbol.padCount, 1557);
  EXPECT_EQ(e.symbol.totalCodewords, 2178u);
  EXPECT_EQ(e.symbol.gridRows, 132);
  const Bytes data = e.data();
  EXPECT_EQ(Bytes(data.begin(), data.begin() + 8), (Bytes{66, 129, 70, 220, 115, 11, 161, 56}));
  EXPECT_EQ(Bytes(data.end() - 3, data.end()), (Bytes{226, 121, 17}));
}

TEST(DataEncodation, ReadsOnlyTheGivenLength) {
  const Bytes longer = bytes("12345678901234");
  requestedSize = 0;
  DmSymbol symbol{};
  dmEncodeData(&symbol, longer.data(), 12);
  dmAddPadding(&symbol);
  Encoded twelve(bytes("123456789012"));
  EXPECT_EQ(Bytes(symbol.codewords, symbol.codewords + 8), twelve.data());
  dmFreeSymbol(&symbol);
}

// The library refuses what it cannot encode (no text, or more than the
// largest symbol holds): it says why, and the symbol stays clear for the
// later steps to pass over.
TEST(DataEncodation, RefusedTextsLeaveTheSymbolClear) {
  const struct {
    const char* name;
    Bytes text;
    const char* reason;
  } cases[] = {
      {"empty", {}, "dmEncodeData: the text is empty\n"},
      {"high bytes", Bytes(6000, 0xFF), "dmEncodeData: "},
      {"digits", Bytes(9000, '7'), "dmEncodeData: "},
      {"one letter over", Bytes(DM_MAX_DATA_CODEWORDS + 1, 'a'), "dmEncodeData: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStderr();
    errno = 0;
    Encoded e(c.text, 144);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(printed.rfind(c.reason, 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    const DmSymbol clear{};
    EXPECT_EQ(std::memcmp(&e.symbol, &clear, sizeof clear), 0);
  }
}

struct LengthCase {
  int runBytes;
  Bytes lengthCodewords;
};

constexpr size_t kUnbounded = SIZE_MAX;

TEST(Base256, LengthValuesAreRandomisedByPosition) {
  for (const LengthCase& c : {LengthCase{249, {37}}, LengthCase{250, {38, 193}}, LengthCase{300, {38, 243}}}) {
    SCOPED_TRACE(c.runBytes);
    const Bytes run(static_cast<size_t>(c.runBytes), 0x80);
    Bytes stream;
    dexmora::appendBasic(stream, run.data(), run.size(), kUnbounded);
    // The whole run went into one field: latch, length value(s), the bytes.
    EXPECT_EQ(stream.size(), 1 + c.lengthCodewords.size() + run.size());
    EXPECT_EQ(dexmora::basicLength(run.data(), run.size()), stream.size());
    EXPECT_EQ(stream[0], 231);
    EXPECT_EQ(Bytes(stream.begin() + 1, stream.begin() + 1 + static_cast<long>(c.lengthCodewords.size())),
              c.lengthCodewords);
  }
}

TEST(Base256, RandomisingAddendsForTheFirstPositions) {
  // A byte randomises to itself plus its position's addend, modulo 256. The
  // latch takes the field's first position, the length value the next, the
  // bytes the rest; an ASCII codeword in front moves them all one on.
  const Bytes addends = {150, 44, 193, 87, 236, 130, 24, 173, 67, 216};  // positions 1..10
  for (const Bytes& prefix : {Bytes{}, bytes("A")}) {
    SCOPED_TRACE(prefix.size());
    Bytes text = prefix;
    text.insert(text.end(), 7, 0x80);
    Bytes stream;
    dexmora::appendBasic(stream, text.data(), text.size(), kUnbounded);
    const size_t latch = prefix.size();
    ASSERT_EQ(stream.size(), latch + 9);
    EXPECT_EQ(stream[latch], 231);
    EXPECT_EQ(stream[latch + 1], static_cast<uint8_t>(7 + addends[latch + 1]));
    for (size_t i = latch + 2; i < stream.size(); ++i) {
      EXPECT_EQ(stream[i], static_cast<uint8_t>(0x80 + addends[i])) << "position " << i + 1;
    }
  }
}

TEST(DataEncodation, StreamLongerThanAnySymbolIsCutSafely) {
  // Thousands of high bytes would make far more codewords than any symbol
  // holds; the scan stops within twice the bound.
  for (const Bytes& text : {Bytes(6000, 0xFF), Bytes(9000, '7'), bytes(std::string(4000, 'x'))}) {
    Bytes stream;
    dexmora::appendBasic(stream, text.data(), text.size(), DM_MAX_DATA_CODEWORDS);
    EXPECT_GT(stream.size(), size_t{DM_MAX_DATA_CODEWORDS});
    EXPECT_LE(stream.size(), size_t{2 * DM_MAX_DATA_CODEWORDS + 1});
    EXPECT_GT(dexmora::basicLength(text.data(), text.size()), size_t{DM_MAX_DATA_CODEWORDS});
  }
  Bytes high;
  dexmora::appendBasic(high, Bytes(6000, 0xFF).data(), 6000, DM_MAX_DATA_CODEWORDS);
  EXPECT_EQ(high[0], 231);
  // A field holds at most 1555 bytes: length value 249 + 6, then 1555 mod 250.
  EXPECT_EQ(high[1], static_cast<uint8_t>((255 + 44) - 256));
  EXPECT_EQ(high[2], static_cast<uint8_t>(55 + 193));
  Bytes digits;
  dexmora::appendBasic(digits, Bytes(9000, '7').data(), 9000, DM_MAX_DATA_CODEWORDS);
  EXPECT_EQ(digits[1557], 130 + 77);
}

TEST(DataEncodation, ExactCapacityFitsWithoutPad) {
  const Bytes text(DM_MAX_DATA_CODEWORDS, 'a');
  Encoded fits(text);
  EXPECT_EQ(fits.symbol.sizeIndex, 23);
  EXPECT_EQ(fits.symbol.padCount, 0);
  const Bytes data = fits.data();
  ASSERT_EQ(data.size(), size_t{DM_MAX_DATA_CODEWORDS});
  EXPECT_EQ(data.back(), 'a' + 1);
}

TEST(StreamLength, MatchesTheEncodedStream) {
  struct Case {
    Bytes text;
    int64_t length;
  };
  const Case cases[] = {
      {bytes("123456"), 3},
      {{'A', 0xC4, '1', '2'}, 5},
      {bytes("12345"), 3},
      {Bytes(249, 0x90), 251},
      {Bytes(250, 0x90), 253},
      {Bytes(1000, 'z'), 1000},
      {Bytes(1000, '5'), 500},
      // Split into fields of at most 1555 bytes: three full ones and the rest.
      {Bytes(5000, 0xFF), 3 * (3 + 1555) + (3 + 335)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dexmora::basicLength(c.text.data(), c.text.size()), static_cast<size_t>(c.length));
  }
  for (const Case& c : cases) {
    if (c.length > DM_MAX_DATA_CODEWORDS) continue;
    Encoded e(c.text);
    EXPECT_EQ(e.dataCount() - e.symbol.padCount, c.length);
  }
}

}  // namespace
