#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "classic/encode_job.h"
#include "classic/symbol_tables.h"
#include <dexmora/encode.h>
#include "core/placement.h"
#include "symbol_fixture.h"
#include "test_files.h"

namespace {

// The entry passes the size on through requestedSize, the automatic 0 for a
// negative, odd or too large one.
TEST(EncodeJob, RequestedSizeNormalisation) {
  const std::pair<int32_t, int32_t> cases[] = {{11, 0}, {146, 0}, {-2, 0}, {-1, 0}, {145, 0},
                                               {144, 144}, {10, 10}, {30, 30}, {0, 0}, {100, 100}};
  TempDir dir;
  const std::string path = dir.file("output.png");
  for (const auto& [requested, passed] : cases) {
    requestedSize = -7;
    EXPECT_EQ(dmEncodeToFile(requested, "A", path.c_str()), 0) << requested;
    EXPECT_EQ(requestedSize, passed) << requested;
  }
  requestedSize = 0;
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
    buildClassicSymbol(&encoder->symbol, reinterpret_cast<const uint8_t*>(c.text),
                       static_cast<int32_t>(std::char_traits<char>::length(c.text)));
    EXPECT_EQ(SymbolAttributes[encoder->symbol.sizeIndex].symbolSize, c.size) << c.text;
    EXPECT_NE(encoder->symbol.moduleGrid, nullptr);
    dmFreeSymbol(&encoder->symbol);
    dmDestroyEncoder(&encoder);
  }
}

// The classic pipeline is a shell around the core: for any text and any
// requested size both give the same size, codewords and modules.
TEST(EncodeJob, ClassicStepsMatchTheCore) {
  std::mt19937 rng(16022);
  for (int trial = 0; trial < 1000; ++trial) {
    std::string text(1 + rng() % 40, '\0');  // the dialog never passes an empty text
    const unsigned kind = rng() % 3;
    for (char& c : text) c = static_cast<char>(kind == 0 ? '0' + rng() % 10 : kind == 1 ? rng() % 128 : rng() % 256);
    const int side = trial % 25 == 0 ? 0 : SelectableSizes[trial % 25 - 1];
    SCOPED_TRACE(testing::PrintToString(text) + " at " + std::to_string(side));

    requestedSize = side;
    DmSymbol classic{};
    buildClassicSymbol(&classic, reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
    requestedSize = 0;
    dexmora::EncodeOptions options;
    options.setSize(side, side);
    const dexmora::Expected<dexmora::Symbol> core = dexmora::encode(text, options);
    ASSERT_TRUE(core.ok()) << core.error().message();
    ASSERT_EQ(core->sizeIndex(), classic.sizeIndex);
    EXPECT_EQ(core->codewords(), std::vector<uint8_t>(classic.codewords, classic.codewords + classic.totalCodewords));
    EXPECT_EQ(core->modules(), dexmora::frameModules(core->size(), classic.moduleGrid));
    dmFreeSymbol(&classic);
  }
}

}  // namespace
