#include <gtest/gtest.h>

#include "classic/encode_job.h"
#include "classic/symbol_tables.h"

namespace {

TEST(EncodeJob, RequestedSizeNormalisation) {
  const std::pair<int32_t, int32_t> cases[] = {{11, 0}, {146, 0}, {-2, 0}, {-1, 0}, {145, 0},
                                               {144, 144}, {10, 10}, {30, 30}, {0, 0}, {100, 100}};
  for (const auto& [requested, passed] : cases) EXPECT_EQ(dmNormalizeRequestedSize(requested), passed) << requested;
}

TEST(EncodeJob, CreateSetsTheFixedSettings) {
  DmEncoder* encoder = dmCreateEncoder(26);
  ASSERT_NE(encoder, nullptr);
  EXPECT_EQ(encoder->moduleSize, 5);
  EXPECT_EQ(encoder->quietZone, 10);
  EXPECT_EQ(requestedSize, 26);
  EXPECT_EQ(encoder->image.pixels, nullptr);
  EXPECT_EQ(encoder->symbol.codewords, nullptr);
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(encoder->transform.m[i], identity[i]);
  dmDestroyEncoder(&encoder);
  EXPECT_EQ(encoder, nullptr);
  dmDestroyEncoder(&encoder);
  dmDestroyEncoder(nullptr);
}

// The requested size is honoured where the text fits, else the smallest
// size that holds it; a size that names no row is the automatic choice.
TEST(EncodeJob, BuildSymbolHonoursTheRequestedSize) {
  struct Case {
    int32_t requested;
    const char* text;
    int size;
  };
  const Case cases[] = {{0, "123456", 10}, {144, "A", 144}, {30, "A", 10}, {10, "ABCD", 12}, {52, "Hi", 52}};
  for (const Case& c : cases) {
    DmEncoder* encoder = dmCreateEncoder(c.requested);
    dmBuildSymbol(&encoder->symbol, reinterpret_cast<const uint8_t*>(c.text),
                  static_cast<int32_t>(std::char_traits<char>::length(c.text)));
    EXPECT_EQ(SymbolAttributes[encoder->symbol.sizeIndex].symbolSize, c.size) << c.text;
    EXPECT_NE(encoder->symbol.moduleGrid, nullptr);
    dmFreeSymbol(&encoder->symbol);
    dmDestroyEncoder(&encoder);
  }
}

}  // namespace
