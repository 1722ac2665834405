#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/encodation.h"
#include "core/minimal_encodation.h"

using namespace dexmora;

namespace {

std::vector<uint16_t> bytesOf(const std::string& text) {
  std::vector<uint16_t> units;
  for (unsigned char byte : text) units.push_back(byte);
  return units;
}

std::vector<uint8_t> emitted(Encodation encodation, const std::string& text, int capacity) {
  const std::vector<uint16_t> units = bytesOf(text);
  std::vector<uint8_t> stream;
  emitPlan(planEncodation(units, 0, encodation), units, capacity, stream);
  return stream;
}

struct Vector {
  const char* name;
  Encodation encodation;
  std::string text;
  int capacity;
  std::vector<uint8_t> codewords;
};

// Derived by hand: triplets pack as 1600 v1 + 40 v2 + v3 + 1, EDIFACT values
// are six bits, Base 256 codewords add (149 p mod 255) + 1 at position p.
const Vector VECTORS[] = {
    {"c40_full_triplet_exact", Encodation::C40, "AIM", 3, {230, 91, 11}},
    {"c40_one_room_left_no_unlatch", Encodation::C40, "AIM", 4, {230, 91, 11}},
    {"c40_two_room_left_unlatch", Encodation::C40, "AIM", 5, {230, 91, 11, 254}},
    {"c40_two_values_shift1_pad", Encodation::C40, "AB", 3, {230, 89, 217}},
    {"c40_two_values_pad_then_unlatch", Encodation::C40, "AB", 5, {230, 89, 217, 254}},
    {"c40_one_value_last_codeword_ascii", Encodation::C40, "ABCD", 4, {230, 89, 233, 69}},
    {"c40_one_value_unlatch_ascii", Encodation::C40, "ABCD", 6, {230, 89, 233, 254, 69}},
    {"c40_upper_shift", Encodation::C40, "\xC1", 3, {230, 10, 255}},
    {"c40_shift3_lower", Encodation::C40, "abc", 7, {230, 12, 171, 12, 212, 254}},
    {"text_lower_basic_set", Encodation::Text, "aim", 3, {239, 91, 11}},
    {"x12_triplet_exact", Encodation::X12, "ABC", 3, {238, 89, 233}},
    {"x12_one_left_last_codeword", Encodation::X12, "ABCD", 4, {238, 89, 233, 69}},
    {"x12_one_left_unlatch", Encodation::X12, "ABCD", 6, {238, 89, 233, 254, 69}},
    {"x12_two_left_unlatch", Encodation::X12, "ABCDE", 7, {238, 89, 233, 254, 69, 70}},
    {"x12_cr_star_gt_space", Encodation::X12, "\r*> ", 8, {238, 0, 43, 254, 33}},
    {"edifact_quad_exact", Encodation::Edifact, "ABCD", 4, {240, 4, 32, 196}},
    {"edifact_two_room_no_unlatch", Encodation::Edifact, "ABCD", 6, {240, 4, 32, 196}},
    {"edifact_three_room_unlatch", Encodation::Edifact, "ABCD", 7, {240, 4, 32, 196, 124}},
    {"edifact_tail_ascii_implied", Encodation::Edifact, "ABCDE", 6, {240, 4, 32, 196, 70}},
    {"edifact_tail_ascii_unlatch", Encodation::Edifact, "ABCDE", 7, {240, 4, 32, 196, 124, 70}},
    {"edifact_three_values_unlatch", Encodation::Edifact, "ABCDEFG", 7, {240, 4, 32, 196, 20, 97, 223}},
    {"ascii_upper_shift_and_pairs", Encodation::Ascii, "\xC1" "1234", 4, {235, 66, 142, 164}},
    {"base256_short_field", Encodation::Base256, "\x80\x81", 4, {231, 46, 65, 216}},
    {"minimal_digits_pairs", Encodation::Minimal, "123456", 3, {142, 164, 186}},
};

class EncodationVectors : public testing::TestWithParam<Vector> {};

TEST_P(EncodationVectors, EmitsTheStandardCodewords) {
  const Vector& vector = GetParam();
  EXPECT_EQ(emitted(vector.encodation, vector.text, vector.capacity), vector.codewords);
}

INSTANTIATE_TEST_SUITE_P(Modes, EncodationVectors, testing::ValuesIn(VECTORS),
                         [](const testing::TestParamInfo<Vector>& info) { return std::string(info.param.name); });

TEST(Base256, LengthZeroOnlyWhenTheFieldFillsTheSymbol) {
  const std::string text(250, '\x80');
  const std::vector<uint8_t> exact = emitted(Encodation::Base256, text, 252);
  ASSERT_EQ(exact.size(), 252u);
  EXPECT_EQ(exact[1], 44);  // length 0 at position 2
  const std::vector<uint8_t> roomy = emitted(Encodation::Base256, text, 253);
  ASSERT_EQ(roomy.size(), 253u);
  EXPECT_EQ(roomy[1], 38);   // 249 + 250 / 250 = 250 at position 2
  EXPECT_EQ(roomy[2], 193);  // 250 % 250 = 0 at position 3
}

TEST(EncodeData, FullLargestSymbolOfHighBytes) {
  const std::string text(1556, '\xE9');
  int squares[SQUARE_SIZE_COUNT];
  for (int i = 0; i < SQUARE_SIZE_COUNT; ++i) squares[i] = i;
  DataOptions options;
  options.encodation = Encodation::Minimal;
  const auto data = encodeData(reinterpret_cast<const uint8_t*>(text.data()), text.size(), options, squares,
                               SQUARE_SIZE_COUNT);
  ASSERT_TRUE(data.ok()) << data.error().message();
  EXPECT_EQ(data->sizeIndex, SQUARE_SIZE_COUNT - 1);
  EXPECT_EQ(data->codewords.size(), 1558u);
}

struct HeaderCase {
  const char* name;
  DataOptions options;
  std::string text;
  std::vector<uint8_t> codewords;
};

DataOptions ascii() {
  DataOptions options;
  options.encodation = Encodation::Ascii;
  return options;
}

DataOptions with(void (*change)(DataOptions&)) {
  DataOptions options = ascii();
  change(options);
  return options;
}

const HeaderCase HEADERS[] = {
    {"structured_append", with([](DataOptions& o) { o.structuredAppend = {2, 3, 2}; }), "A", {233, 30, 1, 2, 66}},
    {"structured_append_second_pair", with([](DataOptions& o) { o.structuredAppend = {2, 3, 256}; }), "A",
     {233, 30, 2, 2, 66}},
    {"structured_append_no_id", with([](DataOptions& o) { o.structuredAppend = {2, 3, 0}; }), "A",
     {233, 30, 1, 1, 66}},
    {"reader_programming", with([](DataOptions& o) { o.readerInit = true; }), "A", {234, 66}},
    {"macro_06", with([](DataOptions& o) { o.macro = 6; }), "A", {237, 66}},
    {"gs1_fnc1_first", with([](DataOptions& o) { o.gs1 = true; }), "[10]AB", {232, 140, 66, 67}},
    {"eci", with([](DataOptions& o) { o.eci = 3; }), "A", {241, 4, 66}},
    {"append_then_eci", with([](DataOptions& o) { o.structuredAppend = {1, 16, 64516}, o.eci = 3; }), "A",
     {233, 1, 254, 254, 241, 4, 66}},
    {"basic_after_headers", [] { DataOptions o; o.macro = 5; return o; }(), "12", {236, 142}},
};

class Headers : public testing::TestWithParam<HeaderCase> {};

TEST_P(Headers, PrecedeTheData) {
  const HeaderCase& header = GetParam();
  int all[SIZE_COUNT];
  for (int i = 0; i < SIZE_COUNT; ++i) all[i] = i;
  const auto data = encodeData(reinterpret_cast<const uint8_t*>(header.text.data()), header.text.size(),
                               header.options, all, SIZE_COUNT);
  ASSERT_TRUE(data.ok()) << data.error().message();
  EXPECT_EQ(data->codewords, header.codewords);
}

INSTANTIATE_TEST_SUITE_P(Options, Headers, testing::ValuesIn(HEADERS),
                         [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

struct BadCase {
  const char* name;
  DataOptions options;
};

const BadCase BAD_OPTIONS[] = {
    {"reader_with_append", with([](DataOptions& o) { o.readerInit = true, o.structuredAppend = {1, 2, 0x0101}; })},
    {"reader_with_gs1", with([](DataOptions& o) { o.readerInit = true, o.gs1 = true; })},
    {"macro_with_gs1", with([](DataOptions& o) { o.macro = 5, o.gs1 = true; })},
    {"macro_with_append", with([](DataOptions& o) { o.macro = 6, o.structuredAppend = {1, 2, 0x0101}; })},
    {"macro_value", with([](DataOptions& o) { o.macro = 7; })},
    {"eci_range", with([](DataOptions& o) { o.eci = 1000000; })},
    {"append_count", with([](DataOptions& o) { o.structuredAppend = {1, 17, 0x0101}; })},
    {"append_position", with([](DataOptions& o) { o.structuredAppend = {4, 3, 0x0101}; })},
    {"file_id_past_the_last_pair", with([](DataOptions& o) { o.structuredAppend = {1, 2, 64517}; })},
    {"file_id_without_append", with([](DataOptions& o) { o.structuredAppend.fileId = 0x0101; })},
    {"separator_without_gs1", with([](DataOptions& o) { o.gs1GroupSeparator = true; })},
    {"no_check_without_gs1", with([](DataOptions& o) { o.gs1NoCheck = true; })},
};

class BadOptions : public testing::TestWithParam<BadCase> {};

TEST_P(BadOptions, AreRefusedWithAReason) {
  EncodeOptions options;
  settingsOf(options).data = GetParam().options;
  const Expected<void> checked = checkEncodeOptions(options);
  ASSERT_FALSE(checked.ok());
  EXPECT_EQ(checked.error().code(), ErrorCode::BadOption);
  EXPECT_FALSE(checked.error().message().empty());
}

INSTANTIATE_TEST_SUITE_P(Options, BadOptions, testing::ValuesIn(BAD_OPTIONS),
                         [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

Expected<DataStream> encodeSquares(const std::string& text, Encodation encodation) {
  int squares[SQUARE_SIZE_COUNT];
  for (int i = 0; i < SQUARE_SIZE_COUNT; ++i) squares[i] = i;
  DataOptions options;
  options.encodation = encodation;
  return encodeData(reinterpret_cast<const uint8_t*>(text.data()), text.size(), options, squares, SQUARE_SIZE_COUNT);
}

TEST(EncodeData, ForcedModeNamesTheByteItCannotCarry) {
  const auto x12 = encodeSquares("AB\xE9", Encodation::X12);
  ASSERT_FALSE(x12.ok());
  EXPECT_EQ(x12.error().code(), ErrorCode::NotEncodable);
  EXPECT_EQ(x12.error().message(), "X12 mode cannot carry byte 233 at position 3");
  const auto edifact = encodeSquares("a", Encodation::Edifact);
  ASSERT_FALSE(edifact.ok());
  EXPECT_EQ(edifact.error().message(), "EDIFACT mode cannot carry byte 97 at position 1");
}

TEST(EncodeData, TooLongNamesTheLargestSymbol) {
  const auto basic = encodeSquares(std::string(1600, 'A'), Encodation::Basic);
  ASSERT_FALSE(basic.ok());
  EXPECT_EQ(basic.error().code(), ErrorCode::TooLong);
  EXPECT_EQ(basic.error().message(),
            "the text is too long: it needs 1600 codewords, and the largest symbol (144x144) holds 1558");
  const auto minimal = encodeSquares(std::string(3000, 'A'), Encodation::Minimal);
  ASSERT_FALSE(minimal.ok());
  EXPECT_EQ(minimal.error().message(),
            "the text is too long: it needs 2001 codewords, and the largest symbol (144x144) holds 1558");
}

}  // namespace
