// What dexmora-cli prints and writes: the --dump and --codewords printouts
// against known symbols, capacity limits, and pictures read back by a decoder.
#include <gtest/gtest.h>

#include <sstream>
#include <ostream>
#include <string>
#include <vector>

#include "test_cli_support.h"

#include <ZXing/ReadBarcode.h>

namespace {

std::vector<int> parseNumbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<int> numbers;
  for (int n; in >> n;) numbers.push_back(n);
  return numbers;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// GF(256) product under the field polynomial 0x12D, by shift and add.
int gfProduct(int a, int b) {
  int product = 0;
  for (; b != 0; b >>= 1) {
    if (b & 1) product ^= a;
    a <<= 1;
    if (a & 0x100) a ^= 0x12D;
  }
  return product;
}

// Remainder of data(x) * x^n divided by (x + 2)(x + 4)...(x + 2^n), highest
// coefficient first: the error codewords of a single-block symbol.
std::vector<int> errorCodewords(const std::vector<int>& data, int n) {
  std::vector<int> generator{1};  // highest coefficient first
  int root = 1;
  for (int i = 1; i <= n; ++i) {
    root = gfProduct(root, 2);
    std::vector<int> next(generator.size() + 1, 0);
    for (std::size_t k = 0; k < generator.size(); ++k) {
      next[k] ^= generator[k];
      next[k + 1] ^= gfProduct(generator[k], root);
    }
    generator = next;
  }
  std::vector<int> remainder(data);
  remainder.resize(data.size() + n, 0);
  for (std::size_t i = 0; i < data.size(); ++i) {
    int factor = remainder[i];
    for (std::size_t k = 0; k < generator.size(); ++k) remainder[i + k] ^= gfProduct(generator[k], factor);
  }
  return std::vector<int>(remainder.end() - n, remainder.end());
}

TEST(CliDump, PrintsTheWhole10x10SymbolOf123456) {
  TempDir dir;
  CliRun run = runCli({"--dump", "123456"}, "", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.err.empty());
  // Alternating top edge, solid left and bottom edges, alternating right edge
  // (dark on even rows) around the 8x8 placement of 142 164 186 114 25 5 88 102.
  EXPECT_EQ(run.out,
            "1010101010\n"
            "1100101101\n"
            "1100000100\n"
            "1100011101\n"
            "1100001000\n"
            "1000001111\n"
            "1110110000\n"
            "1111011001\n"
            "1001110100\n"
            "1111111111\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(CliDump, MultiRegionSymbolHasItsAlignmentPatterns) {
  TempDir dir;
  CliRun run = runCli({"--dump", "-s", "32", "A"}, "", dir.path());
  ASSERT_EQ(run.status, 0);
  std::vector<std::string> rows = splitLines(run.out);
  ASSERT_EQ(rows.size(), 32u);
  for (const std::string& row : rows) ASSERT_EQ(row.size(), 32u);
  // Module row/column 14 closes the upper/left regions, 15 opens the next ones
  // (printed one further down/right for the finder edge at -1).
  EXPECT_EQ(rows[15], std::string(32, '1'));
  EXPECT_EQ(rows[16], std::string("10101010101010101010101010101010"));
  // Column 14 alternates, dark on even module rows (odd printed rows), the
  // light top-edge module included; column 15 is solid from edge to edge.
  for (std::size_t y = 0; y < rows.size(); ++y) {
    EXPECT_EQ(rows[y][15], y % 2 == 1 ? '1' : '0') << "row " << y;
    EXPECT_EQ(rows[y][16], '1') << "row " << y;
  }
}

struct CodewordCase {
  const char* name;
  std::vector<std::string> args;
  std::vector<int> data;  // data codewords, pads included
  int errorCount;
};

void PrintTo(const CodewordCase& c, std::ostream* out) { *out << c.name; }

class CliCodewords : public ::testing::TestWithParam<CodewordCase> {};

TEST_P(CliCodewords, PrintsDataThenErrorCodewords) {
  const CodewordCase& c = GetParam();
  TempDir dir;
  std::vector<std::string> args{"--codewords"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  CliRun run = runCli(args, "", dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.out.back(), '\n');
  EXPECT_EQ(run.out.find("  "), std::string::npos);
  std::vector<int> expected = c.data;
  std::vector<int> error = errorCodewords(c.data, c.errorCount);
  expected.insert(expected.end(), error.begin(), error.end());
  EXPECT_EQ(parseNumbers(run.out), expected);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliCodewords,
    ::testing::Values(CodewordCase{"Digits10x10", {"123456"}, {142, 164, 186}, 5},
                      CodewordCase{"Digits10x10Requested", {"-s", "10", "123456"}, {142, 164, 186}, 5},
                      CodewordCase{"Requested12x12", {"-s", "12", "A1"}, {66, 50, 129, 220, 115}, 7},
                      CodewordCase{"Base256In12x12", {"\xC4\xE3"}, {231, 46, 133, 58, 129}, 7}),
    [](const ::testing::TestParamInfo<CodewordCase>& info) { return info.param.name; });

TEST(CliCodewords, TooSmallSizeWarnsAndPrintsTheLargerSymbol) {
  TempDir dir;
  CliRun run = runCli({"--codewords", "-s", "10", "ABCD"}, "", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "dexmora-cli: warning: the text does not fit 10x10; using 12x12\n");
  std::vector<int> numbers = parseNumbers(run.out);
  ASSERT_EQ(numbers.size(), 12u);
  EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 5), (std::vector<int>{66, 67, 68, 69, 129}));
}

struct CapacityCase {
  const char* name;
  std::string text;
  std::size_t symbolSize;
};

void PrintTo(const CapacityCase& c, std::ostream* out) { *out << c.name; }

class CliCapacity : public ::testing::TestWithParam<CapacityCase> {};

// Texts far beyond the dialog's 12 bytes are encoded whole, up to the largest capacity.
TEST_P(CliCapacity, LongTextIsEncodedWhole) {
  TempDir dir;
  CliRun dump = runCli({"--dump", GetParam().text}, "", dir.path());
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(splitLines(dump.out).size(), GetParam().symbolSize);
  CliRun write = runCli({}, GetParam().text, dir.path());
  ASSERT_EQ(write.status, 0) << write.err;
  const std::optional<PngPicture> picture = readPng((dir.path() / "output.png").string());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 5 * GetParam().symbolSize + 20);
}

std::string letters(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('A' + i % 26);
  return text;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliCapacity,
                         ::testing::Values(CapacityCase{"Text1000Bytes", letters(1000), 120},
                                           CapacityCase{"Letters1558FillLargest", letters(1558), 144},
                                           CapacityCase{"Digits3116FillLargest", std::string(3116, '9'), 144}),
                         [](const ::testing::TestParamInfo<CapacityCase>& info) { return info.param.name; });

// Decodes the picture dexmora-cli wrote and returns the symbol's bytes.
std::string decodePicture(const std::filesystem::path& path) {
  const std::optional<PngPicture> picture = readPng(path.string());
  if (!picture) return "<unreadable png>";
  ZXing::ImageView view(picture->rgb.data(), static_cast<int>(picture->width), static_cast<int>(picture->height),
                        ZXing::ImageFormat::RGB);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::DataMatrix);
  ZXing::Result result = ZXing::ReadBarcode(view, hints);
  if (!result.isValid()) return "<no symbol found>";
  return std::string(result.bytes().begin(), result.bytes().end());
}

TEST(CliRoundTrip, WrittenPicturesDecodeToTheText) {
  TempDir dir;
  std::string highBytes;
  for (int b = 0x80; b <= 0xFF; ++b) highBytes += static_cast<char>(b);
  const std::vector<std::vector<std::string>> calls = {
      {"Hello"}, {"123456"}, {"-s", "132", "A"}, {"-s", "32", "ABCD"}, {highBytes},
      {"caf\xC3\xA9 12 \xE4\xBD\xA0\xE5\xA5\xBD"}, {letters(1000)}, {std::string(2600, '9')}};
  for (const auto& args : calls) {
    CliRun run = runCli(args, "", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(decodePicture(dir.path() / "output.png"), args.back()) << args.back().substr(0, 40);
  }
}

}  // namespace
