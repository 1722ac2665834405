#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include "core/minimal_encodation.h"
#include "symbol_scan.h"

using namespace dexmora;

namespace {

constexpr Encodation ALL_MODES[] = {Encodation::Basic, Encodation::Minimal, Encodation::Ascii,   Encodation::C40,
                                    Encodation::Text,  Encodation::X12,     Encodation::Edifact, Encodation::Base256};

const char* const ALPHABETS[] = {
    "0123456789", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
    "\r*> 0123456789XYZ", " !#,./:;<=>?@ABZ[\\]^", "\x80\xA0\xC1\xE9\xFF", "\x01\x09\x1F\x7F",
};

std::string randomText(std::mt19937& random, size_t maxLength) {
  std::string text;
  const size_t length = random() % (maxLength + 1);
  while (text.size() < length) {
    const std::string alphabet = ALPHABETS[random() % std::size(ALPHABETS)];
    for (size_t run = 1 + random() % 8; run > 0 && text.size() < length; --run) {
      text += alphabet[random() % alphabet.size()];
    }
  }
  return text;
}

// Encodes with `encodation` and reads the symbol back; a text the mode
// refuses is skipped (the refusal itself is tested elsewhere).
void expectRoundTrip(const std::string& text, Encodation encodation) {
  EncodeOptions options;
  options.setShape(Shape::Any);
  options.setEncodation(encodation);
  const Expected<Symbol> symbol = encode(text, options);
  if (!symbol && symbol.error().code() == ErrorCode::EmptyText && text.empty()) return;
  if (!symbol && symbol.error().code() == ErrorCode::NotEncodable) return;
  ASSERT_TRUE(symbol.ok()) << symbol.error().message() << " mode " << static_cast<int>(encodation) << " text "
                           << testing::PrintToString(text);
  if (symbol->rows() == 144) return;  // beyond zxing-cpp 1.4's reader
  const std::optional<std::string> read = scanBytes(*symbol);
  ASSERT_TRUE(read.has_value()) << "mode " << static_cast<int>(encodation) << " text " << testing::PrintToString(text);
  EXPECT_EQ(*read, text) << "mode " << static_cast<int>(encodation) << " size " << symbol->rows() << "x"
                         << symbol->cols();
}

const std::string TEXTS[] = {
    "AIM", "AB", "ABCD", "ABCDE", "abc", "aimaim", "\xC1", "HELLO WORLD 12345", "\r*> ABC\r*> 123",
    "ABCD=EFGH", "ABCDEFG", "0123456789012345678901234567890", "Hello, World!", "\x80\x81\x82 mixed \xFF",
    std::string(300, '\xE9'), std::string(44, 'A'), "A!A!A!A!A!", "!!A!A!A", std::string(1, '\0') + "NUL",
};

class TextTable : public testing::TestWithParam<std::string> {};

TEST_P(TextTable, EveryModeReadsBack) {
  for (Encodation encodation : ALL_MODES) expectRoundTrip(GetParam(), encodation);
}

INSTANTIATE_TEST_SUITE_P(Texts, TextTable, testing::ValuesIn(TEXTS));

TEST(RandomTexts, MinimalAndForcedModesReadBack) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 1500; ++i) {
    const std::string text = randomText(random, 60);
    expectRoundTrip(text, Encodation::Minimal);
    expectRoundTrip(text, ALL_MODES[2 + random() % 6]);
    if (HasFailure()) return;
  }
}

std::vector<uint16_t> unitsOf(const std::string& text) {
  std::vector<uint16_t> units;
  for (unsigned char byte : text) units.push_back(byte);
  return units;
}

bool carriedBy(Encodation encodation, const std::string& text) {
  for (unsigned char byte : text) {
    if (encodation == Encodation::X12 && !(byte == '\r' || byte == '*' || byte == '>' || byte == ' ' ||
                                           (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z'))) {
      return false;
    }
    if (encodation == Encodation::Edifact && (byte < 32 || byte > 94)) return false;
  }
  return true;
}

TEST(RandomTexts, MinimalIsNeverLongerThanBasicOrAForcedMode) {
  std::mt19937 random(7);
  for (int i = 0; i < 5000; ++i) {
    const std::string text = randomText(random, i % 10 == 0 ? 400 : 40);
    const std::vector<uint16_t> units = unitsOf(text);
    const size_t minimal = planEncodation(units, 0, Encodation::Minimal).length;
    ASSERT_LE(minimal, basicLength(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    for (Encodation forced : {Encodation::Ascii, Encodation::C40, Encodation::Text, Encodation::X12,
                              Encodation::Edifact, Encodation::Base256}) {
      if (carriedBy(forced, text)) {
        ASSERT_LE(minimal, planEncodation(units, 0, forced).length) << testing::PrintToString(text);
      }
    }
  }
}

}  // namespace
