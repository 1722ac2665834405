// What dexmora-cli prints and writes: the --dump and --codewords printouts
// against known symbols, capacity limits, and pictures read back by a decoder.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "test_cli_support.h"

#include <ZXing/ReadBarcode.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct PrintoutCase {
  const char* name;
  std::vector<std::string> args;
  const char* out;  // standard output, exactly
  const char* err;  // standard error, exactly
};

void PrintTo(const PrintoutCase& c, std::ostream* out) { *out << c.name; }

class CliPrintout : public ::testing::TestWithParam<PrintoutCase> {};

TEST_P(CliPrintout, PrintsTheSymbolAndWritesNoFile) {
  const PrintoutCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli(c.args, "", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, c.err);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// Codewords: data (pads included), then error codewords.
INSTANTIATE_TEST_SUITE_P(
    Cli, CliPrintout,
    ::testing::Values(
        // Alternating top edge, solid left and bottom edges, alternating right
        // edge (dark on even rows) around the 8x8 placement of 142 164 186 114 25 5 88 102.
        PrintoutCase{"Dump10x10Of123456", {"--dump", "123456"},
                     "1010101010\n"
                     "1100101101\n"
                     "1100000100\n"
                     "1100011101\n"
                     "1100001000\n"
                     "1000001111\n"
                     "1110110000\n"
                     "1111011001\n"
                     "1001110100\n"
                     "1111111111\n",
                     ""},
        PrintoutCase{"Codewords10x10", {"--codewords", "123456"}, "142 164 186 114 25 5 88 102\n", ""},
        PrintoutCase{"Codewords10x10Requested", {"--codewords", "-s", "10", "123456"},
                     "142 164 186 114 25 5 88 102\n", ""},
        PrintoutCase{"Codewords12x12Requested", {"--codewords", "-s", "12", "A1"},
                     "66 50 129 220 115 243 44 233 79 0 159 38\n", ""},
        PrintoutCase{"CodewordsBase256In12x12", {"--codewords", "\xC4\xE3"},
                     "231 46 133 58 129 119 73 169 154 159 253 101\n", ""},
        PrintoutCase{"CodewordsTooSmallSizeWarnsAndUsesTheLarger", {"--codewords", "-s", "10", "ABCD"},
                     "66 67 68 69 129 94 0 197 99 58 104 254\n",
                     TOO_SMALL_WARNING},
        // The argument's trailing newline is text (codeword 11), not dropped.
        PrintoutCase{"ArgumentKeepsItsTrailingNewline", {"--codewords", "123456\n"},
                     "142 164 186 11 129 27 230 231 54 71 95 167\n", ""},
        // "-" after "--" is the one-byte text "-" (codeword 46), not standard input.
        PrintoutCase{"DashAfterDoubleDashIsTheText", {"--codewords", "--", "-"}, "46 129 70 246 163 235 125 243\n",
                     ""}),
    caseName<PrintoutCase>);

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

struct CapacityCase {
  const char* name;
  std::string text;
  std::size_t symbolSize;
};

void PrintTo(const CapacityCase& c, std::ostream* out) { *out << c.name; }

class CliCapacity : public ::testing::TestWithParam<CapacityCase> {};

// Texts far beyond the dialog's 12 bytes are encoded whole, up to the largest
// capacity: printed from the argument, written from standard input.
TEST_P(CliCapacity, LongTextIsEncodedWhole) {
  TempDir dir;
  CliRun dump = runCli({"--dump", GetParam().text}, "", dir.path());
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(splitLines(dump.out).size(), GetParam().symbolSize);
  CliRun write = runCli({}, GetParam().text, dir.path());
  ASSERT_EQ(write.status, 0) << write.err;
  const std::optional<PngPicture> picture = readPng(dir.file("output.png"));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, pictureSide(GetParam().symbolSize));
}

INSTANTIATE_TEST_SUITE_P(Cli, CliCapacity,
                         ::testing::Values(CapacityCase{"Text1000Bytes", letters(1000), 120},
                                           CapacityCase{"Letters1558FillLargest", letters(1558), 144},
                                           CapacityCase{"Digits3116FillLargest", std::string(3116, '9'), 144}),
                         caseName<CapacityCase>);

// Decodes the picture dexmora-cli wrote and returns the symbol's bytes.
std::string decodePicture(const fs::path& path) {
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
  const std::vector<std::vector<std::string>> calls = {
      {"Hello"}, {"123456"}, {"-s", "132", "A"}, {"-s", "32", "ABCD"}, {highBytes()},
      {"caf\xC3\xA9 12 \xE4\xBD\xA0\xE5\xA5\xBD"}, {letters(1000)}, {std::string(2600, '9')}};
  for (const auto& args : calls) {
    CliRun run = runCli(args, "", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(decodePicture(dir.path() / "output.png"), args.back()) << args.back().substr(0, 40);
  }
}

}  // namespace
