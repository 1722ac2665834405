// What dexmora-cli tells a newcomer: refusals that name the fix (and the fix
// then works), --exact-size, formats, warnings for options that change
// nothing (held against the output itself), and --verbose.
#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <dexmora/sizes.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "symbol_scan.h"
#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

struct FixCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::string message;  // within the one line on standard error
};

void PrintTo(const FixCase& c, std::ostream* out) { *out << c.name; }

class CliNamesTheFix : public ::testing::TestWithParam<FixCase> {};

TEST_P(CliNamesTheFix, RefusesWithOneLineThatSaysWhatToDo) {
  const FixCase& c = GetParam();
  TempDir dir;
  writeFileBytes(dir.file("plain"), {'x'});
  CliRun run = runCli(c.args, "", dir.path());
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  EXPECT_EQ(count(run.err, "\n"), 1u) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"plain"});
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliNamesTheFix,
    ::testing::Values(
        FixCase{"TooLongUnderBasic", {std::string(1600, 'A')}, 64,
                "holds 1558; --encodation minimal needs 1069 and fits 132x132"},
        FixCase{"TooLongForX12", {"-e", "x12", std::string(1200, 'A') + std::string(1200, '7')}, 64,
                "--encodation minimal needs"},
        FixCase{"ExactSize", {"--exact-size", "-s", "10", "this is far too long for ten"}, 64,
                "too long for 10x10: it needs 28 codewords, and 10x10 holds 3; without --exact-size it gets 22x22"},
        FixCase{"ExactRectangle", {"--exact-size", "-s", "8x18", "ABCDEFGHIJKLMNOPQRST"}, 64,
                "too long for 8x18: it needs 20 codewords, and 8x18 holds 5; without --exact-size it gets 12x36"},
        FixCase{"ExactSizeMinimalFits", {"--exact-size", "-s", "16", "ABCDEFGHIJKLMNO"}, 64,
                "--encodation minimal needs 11 and fits 16x16; without --exact-size it gets 18x18"},
        FixCase{"ParenthesesUnderGs1", {"--gs1", "(01)09521234543213"}, 64, "add --gs1-parens"},
        FixCase{"Gs1GsWithoutGs1", {"--gs1-gs", "A"}, 64, "--gs1-gs needs GS1 input: add --gs1"},
        FixCase{"MistypedLibraryOption", {"--sise", "10", "A"}, 64, "unknown option '--sise' (did you mean --size?)"},
        FixCase{"MistypedNewOption", {"--exact-sise", "A"}, 64, "(did you mean --exact-size?)"},
        FixCase{"MistypedOwnOption", {"--verbos", "A"}, 64, "(did you mean --verbose?)"},
        FixCase{"MistypedWithValue", {"--formt=svg", "A"}, 64, "unknown option '--formt' (did you mean --format?)"},
        FixCase{"SwappedRectangle", {"-s", "18x8", "A"}, 64, "(did you mean 8x18?)"},
        FixCase{"UnwrittenFormat", {"-o", "d.jpg", "A"}, 64, ".jpg is a picture format this library does not write"},
        FixCase{"ExtensionAgainstFormat", {"--format", "pdf", "-o", "d.png", "A"}, 64, "--format asks for pdf"},
        FixCase{"TsvHeaderWithoutTsv", {"--batch", "--tsv-header"}, 64, "--tsv-header and --tsv-any-name go with --tsv"},
        FixCase{"MissingDirectory", {"-o", "no/such/a.png", "A"}, 73,
                "cannot write 'no/such/a.png': the directory 'no/such' does not exist"},
        FixCase{"FileForADirectory", {"-o", "plain/sub/a.png", "A"}, 73,
                "cannot write 'plain/sub/a.png': 'plain' is not a directory"}),
    caseName<FixCase>);

// What a message promises is what the run then gives.
TEST(CliNamesTheFix, TheNamedFixesWork) {
  TempDir dir;
  const struct {
    std::vector<std::string> args;
    const char* verbose;
  } fixes[] = {{{"-e", "minimal", std::string(1600, 'A')}, "size=132x132 shape=square encodation=minimal data_length=1069 "},
               {{"-s", "10", "this is far too long for ten"}, "size=22x22 "},
               {{"--exact-size", "-s", "16", "-e", "minimal", "ABCDEFGHIJKLMNO"}, "size=16x16 "},
               {{"--exact-size", "-s", "8x18", "SHORT"}, "size=8x18 "}};
  for (const auto& fix : fixes) {
    std::vector<std::string> args = fix.args;
    args.insert(args.begin(), "-v");
    CliRun run = runCli(args, "", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(fix.verbose), std::string::npos) << run.err;
  }
  // --gs1-parens alone implies --gs1, and \( is a parenthesis in the data.
  for (const auto& [text, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"(01)09521234543213", "0109521234543213"}, {"(10)AB\\(1\\)(17)271231", "10AB(1)\x1d" "17271231"}}) {
    ASSERT_EQ(runCli({"--gs1-parens", "-o", "g.png", text}, "", dir.path()).status, 0) << text;
    const std::optional<ZXing::Result> result = scanPngFile(dir.file("g.png"));
    ASSERT_TRUE(result) << text;
    EXPECT_EQ(resultBytes(*result), bytes);
    EXPECT_EQ(result->symbologyIdentifier(), "]d2");
  }
  // Lengths in any case, with a space before the unit.
  const std::string plain = runCli({"--xdim", "0.5mm", "--format", "pdf", "-o", "-", "X"}, "", dir.path()).out;
  for (const char* length : {"0.5MM", "0.5 mm", "0.5 Mm"}) {
    EXPECT_EQ(runCli({"--xdim", length, "--format", "pdf", "-o", "-", "X"}, "", dir.path()).out, plain) << length;
  }
}

TEST(CliFormat, WhatIsWrittenMatchesItsName) {
  const struct {
    std::vector<std::string> args;
    const char* file;  // the one file written, or "" when standard output gets it
    std::string start;
  } cases[] = {{{"--format", "txt"}, "", "\u2588\u2588"},
               {{"--format", "svg"}, "output.svg", "<?xml"},
               {{"--format", "PDF"}, "output.pdf", "%PDF"},
               {{"-o", "a.SVG"}, "a.SVG", "<?xml"},
               {{"-o", "tmp.XXXXXX"}, "tmp.XXXXXX", "\x89PNG\r\n"},
               {{"--format", "eps", "-o", "a.eps"}, "a.eps", "%!PS-Adobe"}};
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> args = c.args;
    args.push_back("Hello");
    CliRun run = runCli(args, "", dir.path());
    ASSERT_EQ(run.status, 0) << c.file << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    const bool toStdout = std::string(c.file).empty();
    EXPECT_EQ(dir.entries(), toStdout ? std::vector<std::string>{} : std::vector<std::string>{c.file});
    EXPECT_EQ((toStdout ? run.out : readFileString(dir.path() / c.file)).rfind(c.start, 0), 0u) << c.file;
  }
}

struct EffectCase {
  std::string name;
  std::vector<std::string> base;    // one format or printout
  std::vector<std::string> option;  // added to it
  std::string text = "LOT 4711";
};

void PrintTo(const EffectCase& c, std::ostream* out) { *out << c.name; }

class CliOptionEffect : public ::testing::TestWithParam<EffectCase> {};

// An option is warned about, in one line and never refused, exactly when the
// output is the same without it; an option that changes the output is taken silently.
TEST_P(CliOptionEffect, WarnedExactlyWhenTheOutputIsUnchanged) {
  const EffectCase& c = GetParam();
  TempDir dir;
  const auto output = [&](std::vector<std::string> args, CliRun& run) {
    args.push_back(c.text);
    run = runCli(args, "", dir.path());
    const auto at = std::find(args.begin(), args.end(), "-o");
    return at == args.end() ? run.out : readFileString(dir.path() / *(at + 1));
  };
  std::vector<std::string> with = c.base;
  with.insert(with.end(), c.option.begin(), c.option.end());
  CliRun baseRun, withRun;
  const std::string before = output(c.base, baseRun);
  const std::string after = output(with, withRun);
  ASSERT_EQ(baseRun.status, 0) << baseRun.err;
  ASSERT_EQ(withRun.status, 0) << withRun.err;
  ASSERT_FALSE(after.empty());
  const bool unchanged = after == before;
  // Besides what the run without the option says (a size fallback, say).
  EXPECT_EQ(count(withRun.err, "\n"), count(baseRun.err, "\n") + (unchanged ? 1 : 0)) << withRun.err;
  EXPECT_EQ(count(withRun.err, "dexmora-cli: warning: " + c.option.front() + " has no effect"), unchanged ? 1u : 0u)
      << withRun.err;
}

// Every picture option with every format and printout, and the size options.
std::vector<EffectCase> effectCases() {
  const std::vector<std::pair<std::string, std::vector<std::string>>> outputs = {
      {"Png", {"-o", "a.png"}}, {"Svg", {"-o", "a.svg"}}, {"SvgAtXdim", {"--xdim", "0.3mm", "-o", "a.svg"}},
      {"Pdf", {"-o", "a.pdf"}}, {"Eps", {"-o", "a.eps"}}, {"Txt", {"--format", "txt"}},
      {"Dump", {"--dump"}},     {"Codewords", {"--codewords"}}};
  const std::vector<std::pair<std::string, std::vector<std::string>>> options = {
      {"Module", {"--module", "7"}}, {"Xdim", {"--xdim", "1mm"}}, {"Dpi", {"--dpi", "300"}},
      {"QuietZone", {"--quiet-zone", "4"}}, {"Fg", {"--fg", "123456"}}, {"Bg", {"--bg", "ffffcc"}},
      {"Invert", {"--invert"}}};
  std::vector<EffectCase> cases;
  for (const auto& [outputName, output] : outputs) {
    for (const auto& [optionName, option] : options) cases.push_back({outputName + optionName, output, option});
  }
  cases.push_back({"DumpFormat", {"--dump"}, {"--format", "svg"}});
  cases.push_back({"ShapeWithSize", {"-s", "24", "-o", "a.png"}, {"--shape", "rectangle"}});
  cases.push_back({"DmreWithSquareSize", {"-s", "24", "-o", "a.png"}, {"--dmre"}, letters(200)});
  // 17 codewords: 12x36 without DMRE, the smaller 8x48 with it.
  cases.push_back({"DmreWithRectangleSize", {"-s", "8x18", "-o", "a.png"}, {"--dmre"}, letters(17)});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliOptionEffect, ::testing::ValuesIn(effectCases()), caseName<EffectCase>);

// A batch may write several formats: what one of them ignores is said once.
TEST(CliOptionEffect, BatchOfMixedFormatsWarnsOnce) {
  TempDir dir;
  CliRun dpi = runCli({"--batch", "--tsv", "-o", "{name}", "--dpi", "300"},
                      "a.png\tone\nb.svg\ttwo\nc.svg\tthree\nd.png\tfour\n", dir.path());
  EXPECT_EQ(dpi.status, 0) << dpi.err;
  EXPECT_EQ(count(dpi.err, "warning: --dpi has no effect on SVG output"), 1u) << dpi.err;
  EXPECT_EQ(count(dpi.err, "warning"), 1u) << dpi.err;
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png", "b.svg", "c.svg", "d.png"}));
  CliRun verify = runCli({"--batch", "--tsv", "-o", "{name}", "--verify"}, "e.png\tfive\nf.pdf\tsix\n", dir.path());
  EXPECT_EQ(verify.status, 0) << verify.err;
  EXPECT_EQ(count(verify.err, "--verify has no effect on PDF output"), 1u) << verify.err;
}

// A --verbose field, read back from key=value.
std::string field(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  return at == std::string::npos ? "" : line.substr(at + key.size() + 2, line.find_first_of(" \n", at + 1 + key.size()) - at - key.size() - 2);
}

TEST(CliVerbose, OneLineInTheLibrarysWordsAndSilenceWithout) {
  TempDir dir;
  const std::string figures = "dexmora-cli: size=12x12 shape=square encodation=basic data_length=5 capacity=5";
  EXPECT_EQ(runCli({"-v", "Hello"}, "", dir.path()).err, figures + " format=png output='output.png'\n");
  EXPECT_EQ(runCli({"--verbose", "--format", "svg", "-o", "-", "Hello"}, "", dir.path()).err,
            figures + " format=svg output=-\n");
  EXPECT_EQ(runCli({"-v", "--dump", "Hello"}, "", dir.path()).err, figures + "\n");
  EXPECT_TRUE(runCli({"Hello"}, "", dir.path()).err.empty());
  EXPECT_EQ(count(runCli({"-v", std::string(1600, 'A')}, "", dir.path()).err, "size="), 0u);
}

// The figures are the symbol's: its size the --dump's, its capacity the
// size's, its data_length where the pads (129) begin.
TEST(CliVerbose, FiguresMatchTheSymbol) {
  TempDir dir;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"A"}, {letters(40)}, {"-s", "16x48", "RECTANGLE"}, {"--dmre", letters(60)}, {"-s", "144", "big"},
           {"--shape", "rectangle", "123456789012345678"}}) {
    std::vector<std::string> verbose = args, dump = args;
    verbose.insert(verbose.begin(), {"-v", "--codewords"});
    dump.insert(dump.begin(), "--dump");
    CliRun run = runCli(verbose, "", dir.path());
    const std::string modules = runCli(dump, "", dir.path()).out;
    const int rows = static_cast<int>(count(modules, "\n"));
    const int cols = static_cast<int>(modules.find('\n'));
    EXPECT_EQ(field(run.err, "size"), std::to_string(rows) + "x" + std::to_string(cols)) << run.err;
    const dexmora::SymbolSize* size = dexmora::findSymbolSize(rows, cols);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(field(run.err, "capacity"), std::to_string(size->dataCodewords));
    EXPECT_EQ(field(run.err, "shape"), size->kind == dexmora::SizeKind::Square      ? "square"
                                       : size->kind == dexmora::SizeKind::Rectangle ? "rectangle"
                                                                                    : "dmre");
    std::istringstream codewords(run.out);
    int dataLength = 0;
    for (int codeword; codewords >> codeword && codeword != 129;) ++dataLength;
    EXPECT_EQ(field(run.err, "data_length"), std::to_string(std::min<int>(dataLength, size->dataCodewords)));
  }
}

TEST(CliVerbose, BatchSaysOneLinePerFileWritten) {
  TempDir dir;
  CliRun run = runCli({"--batch", "-v", "-j", "2", "-o", "{n}.svg"}, "one\n\nthree\n" + letters(1600) + "\n",
                      dir.path());
  EXPECT_EQ(run.status, 65) << run.err;
  EXPECT_EQ(count(run.err, " size="), 2u) << run.err;
  EXPECT_EQ(count(run.err, "dexmora-cli: line 1: size=10x10 shape=square encodation=basic data_length=3 "
                           "capacity=3 format=svg output='1.svg'\n"), 1u) << run.err;
  EXPECT_EQ(count(run.err, "dexmora-cli: line 3: size="), 1u) << run.err;
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"1.svg", "3.svg"}));
}

}  // namespace
