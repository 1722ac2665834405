#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <dexmora/options.h>

#include "core/gs1.h"
#include "core/option_parsers.h"
#include "core/header_codewords.h"

namespace {

using dexmora::FNC1_UNIT;

// `text` as units, '^' standing for FNC1 ('^' is outside GS1 set 82, so never data).
std::vector<uint16_t> units(const std::string& text) {
  std::vector<uint16_t> out;
  for (const char c : text) out.push_back(c == '^' ? FNC1_UNIT : static_cast<uint8_t>(c));
  return out;
}

dexmora::Expected<std::vector<uint16_t>> parse(const std::string& text, bool groupSeparator = false,
                                               bool noCheck = false) {
  return dexmora::parseGs1(reinterpret_cast<const uint8_t*>(text.data()), text.size(), {groupSeparator, noCheck, false});
}

struct Valid {
  const char* input;
  const char* expected;
  bool groupSeparator = false;
  bool noCheck = false;
};

class Gs1Valid : public testing::TestWithParam<Valid> {};

TEST_P(Gs1Valid, GivesUnitsWithSeparatorsOnlyAfterVariableFields) {
  const Valid& c = GetParam();
  const auto result = parse(c.input, c.groupSeparator, c.noCheck);
  ASSERT_TRUE(result.ok()) << result.error().message();
  EXPECT_EQ(*result, units(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Gs1Valid,
    testing::Values(Valid{"[01]09521234543213[17]271231[10]AB-123", "010952123454321317271231" "10AB-123"},
                    Valid{"[10]AB-123[17]271231", "10AB-123^17271231"},
                    Valid{"[10]AB-123[17]271231", "10AB-123\x1d" "17271231", true},
                    Valid{"[21]A1[22]B2[10]C3", "21A1\x1d" "22B2\x1d" "10C3", true},
                    Valid{"[00]106141411234567897[400]PO-1[91]x", "00106141411234567897400PO-1^91x"},
                    Valid{"[3103]001234[3922]12345[30]7", "3103001234392212345^307"},
                    Valid{"[11]250100[17]240229[7006]240229", "1125010017240229" "7006240229"},
                    Valid{"[8008]22010112[8008]2201011230", "800822010112^80082201011230"},
                    Valid{"[4330]001234-[4324]2512312359", "4330001234-^43242512312359"},
                    Valid{"[8003]0952123454321300AB", "80030952123454321300AB"},
                    Valid{"[8006]095212345432130102", "8006095212345432130102"},
                    Valid{"[8013]1987654Ad4X4bL5ttr2310c2K", "80131987654Ad4X4bL5ttr2310c2K"},
                    Valid{"[8007]GB82WEST12345698765432", "8007GB82WEST12345698765432"},
                    Valid{"[3910]978123[422]276[7030]999AB", "3910978123^422276^7030999AB"},
                    Valid{"[4307]DE[4300]A%20B[7258]1/2", "4307DE^4300A%20B^72581/2"},
                    Valid{"[8010]AB-1/#[8030]AZaz09-_==", "8010AB-1/#^8030AZaz09-_=="},
                    Valid{"[4309]18000000003600000000", "430918000000003600000000"},
                    Valid{"[234]ABC[10]X", "234ABC^10X", false, true},
                    Valid{"[2345]A[01]09521234543213", "2345A\x1d" "0109521234543213", true, true}));

struct Invalid {
  const char* input;
  const char* message;
  bool noCheck = false;
};

class Gs1Invalid : public testing::TestWithParam<Invalid> {};

TEST_P(Gs1Invalid, IsRefusedWithAMessageNamingTheAiAndTheProblem) {
  const Invalid& c = GetParam();
  const auto result = parse(c.input, false, c.noCheck);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().code(), dexmora::ErrorCode::BadGs1);
  EXPECT_EQ(result.error().message(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Brackets, Gs1Invalid,
    testing::Values(Invalid{"", "GS1: no element strings"},
                    Invalid{"01]09521234543213", "GS1: '01]09521234543213' does not start with an AI in brackets"},
                    Invalid{"[01", "GS1: '[' at position 1 has no closing ']'"},
                    Invalid{"[10]A[17", "GS1: '[' at position 6 has no closing ']'"},
                    Invalid{"[[10]A", "GS1: '[' at position 1 has no closing ']'"},
                    Invalid{"[10]A]B", "GS1: ']' at position 6 has no opening '['"},
                    Invalid{"[]123", "GS1: empty brackets at position 1"},
                    Invalid{"[10]A[]1", "GS1: empty brackets at position 6", true},
                    Invalid{"[1A]12", "GS1: AI [1A] at position 1 is not 2 to 4 digits", true},
                    Invalid{"[1\n]12", "GS1: AI [1\\n] at position 1 is not 2 to 4 digits"},
                    Invalid{"[10]", "GS1: AI (10) has no data"},
                    Invalid{"[10]A[21]", "GS1: AI (21) has no data", true},
                    Invalid{"[99999]1", "GS1: unknown AI (99999)"},
                    Invalid{"[99999]1", "GS1: AI (99999) is not 2 to 4 digits", true},
                    Invalid{"[9]1", "GS1: AI (9) is not 2 to 4 digits", true},
                    Invalid{"[234]ABC", "GS1: unknown AI (234)"},
                    Invalid{"[3106]000001", "GS1: unknown AI (3106)"},
                    Invalid{"[234]AB\x01", "GS1: AI (234) data 'AB\\x01' holds a character outside the GS1 set at "
                                           "position 3", true}));

INSTANTIATE_TEST_SUITE_P(
    Fields, Gs1Invalid,
    testing::Values(
        Invalid{"[01]09521234543214", "GS1: AI (01) check digit is 4, expected 3 in '09521234543214'"},
        Invalid{"[00]106141411234567890", "GS1: AI (00) check digit is 0, expected 7 in '106141411234567890'"},
        Invalid{"[01]0952123454321", "GS1: AI (01) data '0952123454321' is too short (13 characters, expected 14)"},
        Invalid{"[10]ABCDEFGHIJKLMNOPQRSTU",
                "GS1: AI (10) data 'ABCDEFGHIJKLMNOPQRSTU' is too long (21 characters, expected 1 to 20)"},
        Invalid{"[01]0952123454321A", "GS1: AI (01) data '0952123454321A' holds a non-digit at position 14"},
        Invalid{"[10]AB\x01", "GS1: AI (10) data 'AB\\x01' holds a character outside the GS1 set at position 3"},
        Invalid{"[10]A B", "GS1: AI (10) data 'A B' holds a character outside the GS1 set at position 2"},
        Invalid{"[8010]ab", "GS1: AI (8010) data 'ab' holds a character outside GS1 set 39 at position 1"},
        Invalid{"[8030]AB=C", "GS1: AI (8030) data 'AB=C' holds a character outside GS1 set 64 (base64url) at "
                              "position 4"},
        Invalid{"[17]271332", "GS1: AI (17) '271332' is not a date (month 13)"},
        Invalid{"[17]270230", "GS1: AI (17) '270230' is not a date (day 30)"},
        Invalid{"[17]250229", "GS1: AI (17) '250229' is not a date (day 29)"},
        Invalid{"[7006]250100", "GS1: AI (7006) '250100' is not a date (day 0)"},
        Invalid{"[7250]19000229", "GS1: AI (7250) '19000229' is not a date (day 29)"},
        Invalid{"[4324]2501011260", "GS1: AI (4324) '1260' is not a time (minute 60)"},
        Invalid{"[8008]25010124", "GS1: AI (8008) '24' is not a time (hour 24)"},
        Invalid{"[8008]220101123", "GS1: AI (8008) data '220101123' ends inside a 2-character field at position 9"},
        Invalid{"[422]999", "GS1: AI (422) '999' is not an ISO 3166 country code"},
        Invalid{"[4307]XX", "GS1: AI (4307) 'XX' is not an ISO 3166 alpha-2 country code"},
        Invalid{"[3910]000123", "GS1: AI (3910) '000' is not an ISO 4217 currency code"},
        Invalid{"[4300]A%2G", "GS1: AI (4300) 'A%2G' has a '%' without two hex digits at position 2"},
        Invalid{"[8006]095212345432130302", "GS1: AI (8006) '0302' is not a piece of a total (piece 3 of 2)"},
        Invalid{"[8013]1987654Ad4X4bL5ttr2310c2L",
                "GS1: AI (8013) check characters are '2L', expected '2K' in '1987654Ad4X4bL5ttr2310c2L'"},
        Invalid{"[8007]GB82WEST12345698765433", "GS1: AI (8007) 'GB82WEST12345698765433' is not an IBAN"},
        Invalid{"[4321]2", "GS1: AI (4321) '2' is not 0 or 1"},
        Invalid{"[8011]0123", "GS1: AI (8011) '0123' must not start with 0"},
        Invalid{"[8014]10069", "GS1: AI (8014) '10069' must hold a character other than a digit"},
        Invalid{"[4309]18000000013600000000",
                "GS1: AI (4309) '1800000001' is not a latitude (above 1800000000)"},
        Invalid{"[7258]3/2", "GS1: AI (7258) '3/2' is not a position in a sequence such as '1/2'"},
        Invalid{"[01]09521234543213[17]271231[10]AB[11]250132",
                "GS1: AI (11) '250132' is not a date (day 32)"}));

// Real GTIN-8/12/13/14, ISBN and SSCC numbers with their printed check digits.
class CheckDigit : public testing::TestWithParam<const char*> {};

TEST_P(CheckDigit, MatchesAndEverySingleDigitChangeIsCaught) {
  std::string number = GetParam();
  const auto* digits = reinterpret_cast<const uint8_t*>(number.data());
  EXPECT_EQ(dexmora::gs1CheckDigit(digits, number.size() - 1), number.back() - '0');
  for (size_t i = 0; i + 1 < number.size(); ++i) {
    const char original = number[i];
    for (char d = '0'; d <= '9'; ++d) {
      if (d == original) continue;
      number[i] = d;
      EXPECT_NE(dexmora::gs1CheckDigit(digits, number.size() - 1), number.back() - '0') << number;
    }
    number[i] = original;
  }
}

INSTANTIATE_TEST_SUITE_P(Numbers, CheckDigit,
                         testing::Values("96385074", "036000291452", "4006381333931", "9780306406157",
                                         "09521234543213", "106141411234567897", "376123450000010008"));

// Thousands of random GTIN-14s: the right check digit is accepted, any other refused.
TEST(Gs1Property, RandomGtinsPassOnlyWithTheirCheckDigit) {
  std::mt19937 rng(2024);
  for (int n = 0; n < 5000; ++n) {
    std::string gtin;
    for (int i = 0; i < 13; ++i) gtin += static_cast<char>('0' + rng() % 10);
    const int check = dexmora::gs1CheckDigit(reinterpret_cast<const uint8_t*>(gtin.data()), 13);
    const char wrong = static_cast<char>('0' + (check + 1 + rng() % 9) % 10);
    EXPECT_TRUE(parse("[01]" + gtin + static_cast<char>('0' + check)).ok()) << gtin;
    EXPECT_FALSE(parse("[01]" + gtin + wrong).ok()) << gtin;
  }
}

struct Eci {
  int value;
  std::vector<uint8_t> codewords;  // empty: refused
};

class EciDesignator : public testing::TestWithParam<Eci> {};

TEST_P(EciDesignator, UsesTheRangeOfItsValue) {
  const Eci& c = GetParam();
  // The parser and the option check refuse what has no codewords.
  const auto parsed = dexmora::parseEci(std::to_string(c.value));
  dexmora::EncodeOptions options;
  options.setEci(c.value);
  const auto checked = dexmora::checkEncodeOptions(options);
  if (c.codewords.empty()) {
    ASSERT_FALSE(parsed.ok());
    EXPECT_EQ(parsed.error().code(), dexmora::ErrorCode::BadOption);
    ASSERT_FALSE(checked.ok());
    EXPECT_EQ(checked.error().message(), "ECI " + std::to_string(c.value) + " is outside 0..999999");
    EXPECT_EQ(parsed.error().message(), checked.error().message()) << "one range check, one message";
  } else {
    ASSERT_TRUE(parsed.ok());
    EXPECT_TRUE(checked.ok());
    EXPECT_EQ(dexmora::eciCodewords(*parsed), c.codewords);
  }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, EciDesignator,
                         testing::Values(Eci{0, {241, 1}}, Eci{3, {241, 4}}, Eci{126, {241, 127}},
                                         Eci{127, {241, 128, 1}}, Eci{380, {241, 128, 254}},
                                         Eci{381, {241, 129, 1}}, Eci{16382, {241, 191, 254}},
                                         Eci{16383, {241, 192, 1, 1}}, Eci{999999, {241, 207, 63, 129}},
                                         Eci{-1, {}}, Eci{1000000, {}}));

}  // namespace
