// What dexmora-cli tells a newcomer: refusals that name the fix (and the fix
// then works), --exact-size, warnings for options that change nothing in the
// output (checked against the output itself), formats, and --verbose.
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

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

struct FixCase {
  const char* name;
  std::vector<std::string> args;
  int status;
  std::string message;  // expected within the one line on standard error
};

void PrintTo(const FixCase& c, std::ostream* out) { *out << c.name; }

class CliNamesTheFix : public ::testing::TestWithParam<FixCase> {};

TEST_P(CliNamesTheFix, RefusesWithOneLineThatSaysWhatToDo) {
  const FixCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli(c.args, "", dir.path());
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  EXPECT_EQ(lineCount(run.err), 1u) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliNamesTheFix,
    ::testing::Values(
        FixCase{"TooLongUnderBasicNamesMinimal", {std::string(1600, 'A')}, 64,
                "holds 1558; --encodation minimal needs 1069 and fits 132x132"},
        FixCase{"TooLongForX12NamesMinimal", {"-e", "x12", std::string(1200, 'A') + std::string(1200, '7')}, 64,
                "--encodation minimal needs"},
        FixCase{"TooLongEvenForMinimalNamesNothing", {std::string(1600, '\xE9')}, 64, "holds 1558\n"},
        FixCase{"ExactSizeNamesSizeNeedAndFallback", {"--exact-size", "-s", "10", "this is far too long for ten"}, 64,
                "too long for 10x10: it needs 28 codewords, and 10x10 holds 3; without --exact-size it gets 22x22"},
        FixCase{"ExactSizeOfARectangle", {"--exact-size", "-s", "8x18", "ABCDEFGHIJKLMNOPQRST"}, 64,
                "too long for 8x18: it needs 20 codewords, and 8x18 holds 5; without --exact-size it gets 12x36"},
        FixCase{"ExactSizeNamesMinimalWhenItFits", {"--exact-size", "-s", "16", "ABCDEFGHIJKLMNO"}, 64,
                "--encodation minimal needs 11 and fits 16x16; without --exact-size it gets 18x18"},
        FixCase{"ExactSizeNeedsASize", {"--exact-size", "A"}, 64, "--exact-size needs a size: add --size"},
        FixCase{"ParenthesesUnderGs1NameGs1Parens", {"--gs1", "(01)09521234543213"}, 64, "add --gs1-parens"},
        FixCase{"Gs1GsWithoutGs1", {"--gs1-gs", "A"}, 64, "--gs1-gs needs GS1 input: add --gs1"},
        FixCase{"Gs1NoCheckWithoutGs1", {"--gs1-nocheck", "A"}, 64, "add --gs1"},
        FixCase{"MistypedLibraryOption", {"--sise", "10", "A"}, 64, "unknown option '--sise' (did you mean --size?)"},
        FixCase{"MistypedNewOption", {"--exact-sise", "A"}, 64, "(did you mean --exact-size?)"},
        FixCase{"MistypedOwnOption", {"--verbos", "A"}, 64, "(did you mean --verbose?)"},
        FixCase{"MistypedWithValue", {"--formt=svg", "A"}, 64, "unknown option '--formt' (did you mean --format?)"},
        FixCase{"MistypedInCapitals", {"--Size", "10", "A"}, 64, "(did you mean --size?)"},
        FixCase{"FarFromAnyOptionNamesNone", {"--frobnicate", "A"}, 64, "(put -- before a TEXT that begins with -)"},
        FixCase{"SwappedRectangle", {"-s", "18x8", "A"}, 64, "(did you mean 8x18?)"},
        FixCase{"UnwrittenFormat", {"-o", "d.jpg", "A"}, 64, ".jpg is a picture format this library does not write"},
        FixCase{"ExtensionAgainstFormat", {"--format", "pdf", "-o", "d.png", "A"}, 64, "--format asks for pdf"},
        FixCase{"TsvHeaderWithoutTsv", {"--batch", "--tsv-header"}, 64, "--tsv-header skips the header"},
        FixCase{"TsvHeaderWithoutBatch", {"--tsv-header", "A"}, 64, "go with --batch only"},
        FixCase{"MissingDirectoryNamed", {"-o", "no/such/a.png", "A"}, 73,
                "cannot write 'no/such/a.png': the directory 'no/such' does not exist"}),
    caseName<FixCase>);

TEST(CliNamesTheFix, AFileWhereADirectoryShouldBeIsNamed) {
  TempDir dir;
  writeFileBytes(dir.file("plain"), {'x'});
  CliRun run = runCli({"-o", "plain/sub/a.png", "A"}, "", dir.path());
  EXPECT_EQ(run.status, 73);
  EXPECT_NE(run.err.find("cannot write 'plain/sub/a.png': 'plain' is not a directory"), std::string::npos) << run.err;
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"plain"});
}

// The fix a message names works: what it promises is what the run gives.
TEST(CliNamesTheFix, TheNamedFixesWork) {
  TempDir dir;
  CliRun minimal = runCli({"-v", "-e", "minimal", std::string(1600, 'A')}, "", dir.path());
  EXPECT_EQ(minimal.status, 0) << minimal.err;
  EXPECT_NE(minimal.err.find("size=132x132 shape=square encodation=minimal data_length=1069 "), std::string::npos)
      << minimal.err;

  CliRun fallback = runCli({"-v", "-s", "10", "this is far too long for ten"}, "", dir.path());
  EXPECT_EQ(fallback.status, 0) << fallback.err;
  EXPECT_NE(fallback.err.find("size=22x22 "), std::string::npos) << fallback.err;

  CliRun exact = runCli({"-v", "--exact-size", "-s", "16", "-e", "minimal", "ABCDEFGHIJKLMNO"}, "", dir.path());
  EXPECT_EQ(exact.status, 0) << exact.err;
  EXPECT_NE(exact.err.find("size=16x16 shape=square encodation=minimal data_length=11 capacity=12"),
            std::string::npos)
      << exact.err;

  CliRun rectangle = runCli({"--exact-size", "-s", "8x18", "-o", "r.png", "SHORT"}, "", dir.path());
  EXPECT_EQ(rectangle.status, 0) << rectangle.err;
  EXPECT_TRUE(rectangle.err.empty()) << rectangle.err;
  const std::optional<PngPicture> picture = readPng(dir.file("r.png"));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 5u * 18 + 20);
}

struct Gs1ParensCase {
  const char* name;
  std::string text;
  std::string bytes;  // what a reader recovers
};

void PrintTo(const Gs1ParensCase& c, std::ostream* out) { *out << c.name; }

class CliGs1Parens : public ::testing::TestWithParam<Gs1ParensCase> {};

// --gs1-parens alone implies --gs1: the reader sees a GS1 symbol.
TEST_P(CliGs1Parens, ScansAsTheBracketForm) {
  const Gs1ParensCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli({"--gs1-parens", "-o", "g.png", c.text}, "", dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  const std::optional<ZXing::Result> result = scanPngFile(dir.file("g.png"));
  ASSERT_TRUE(result);
  EXPECT_EQ(resultBytes(*result), c.bytes);
  EXPECT_EQ(result->symbologyIdentifier(), "]d2");
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliGs1Parens,
    ::testing::Values(Gs1ParensCase{"Gtin", "(01)09521234543213", "0109521234543213"},
                      Gs1ParensCase{"VariableThenFixed", "(10)AB-123(17)271231", "10AB-123\x1d" "17271231"},
                      Gs1ParensCase{"EscapedParentheses", "(10)AB\\(1\\)", "10AB(1)"}),
    caseName<Gs1ParensCase>);

TEST(CliLengths, AnyCaseAndASpaceBeforeTheUnitMeanTheSame) {
  TempDir dir;
  CliRun plain = runCli({"--xdim", "0.5mm", "-o", "-", "--format", "pdf", "LOT"}, "", dir.path());
  ASSERT_EQ(plain.status, 0) << plain.err;
  for (const char* length : {"0.5MM", "0.5 mm", "0.5 Mm", "19.685 MIL"}) {
    CliRun run = runCli({"--xdim", length, "-o", "-", "--format", "pdf", "LOT"}, "", dir.path());
    EXPECT_EQ(run.status, 0) << length << ": " << run.err;
    if (std::string(length) != "19.685 MIL") {
      EXPECT_EQ(run.out, plain.out) << length;
    }
  }
}

// The output of a run: the file it wrote, or standard output.
std::string outputOf(const std::vector<std::string>& args, const fs::path& dir, CliRun& run) {
  run = runCli(args, "", dir);
  const auto at = std::find(args.begin(), args.end(), "-o");
  if (at == args.end() || at + 1 == args.end() || *(at + 1) == "-") return run.out;
  return readFileString(dir / *(at + 1));
}

struct EffectCase {
  const char* name;
  std::vector<std::string> base;    // a run of one format (or printout)
  std::vector<std::string> option;  // added to it
  std::string text = "LOT 4711";
};

void PrintTo(const EffectCase& c, std::ostream* out) { *out << c.name; }

class CliOptionEffect : public ::testing::TestWithParam<EffectCase> {};

// An option is warned about exactly when the output is the same without it:
// one warning line, never a refusal; an option that changes the output is
// taken silently.
TEST_P(CliOptionEffect, WarnedExactlyWhenTheOutputIsUnchanged) {
  const EffectCase& c = GetParam();
  TempDir dir;
  std::vector<std::string> base = c.base;
  base.push_back(c.text);
  std::vector<std::string> with = c.base;
  with.insert(with.end(), c.option.begin(), c.option.end());
  with.push_back(c.text);
  CliRun baseRun, withRun;
  const std::string baseOutput = outputOf(base, dir.path(), baseRun);
  const std::string withOutput = outputOf(with, dir.path(), withRun);
  ASSERT_EQ(baseRun.status, 0) << baseRun.err;
  ASSERT_EQ(withRun.status, 0) << withRun.err;
  ASSERT_FALSE(withOutput.empty());
  const bool unchanged = withOutput == baseOutput;
  // Besides what the run without the option says (a size fallback, say).
  EXPECT_EQ(lineCount(withRun.err), lineCount(baseRun.err) + (unchanged ? 1 : 0)) << withRun.err;
  EXPECT_EQ(occurrences(withRun.err, "no effect"), unchanged ? 1u : 0u) << withRun.err;
  if (unchanged) {
    EXPECT_NE(withRun.err.find("dexmora-cli: warning: " + c.option.front() + " "), std::string::npos) << withRun.err;
  }
}

// Every picture option with every format and printout.
std::vector<EffectCase> effectCases() {
  const std::vector<std::pair<const char*, std::vector<std::string>>> outputs = {
      {"Png", {"-o", "a.png"}},          {"Svg", {"-o", "a.svg"}},
      {"SvgAtXdim", {"--xdim", "0.3mm", "-o", "a.svg"}},
      {"Pdf", {"-o", "a.pdf"}},          {"Eps", {"-o", "a.eps"}},
      {"Txt", {"--format", "txt"}},      {"Dump", {"--dump"}},
      {"Codewords", {"--codewords"}}};
  const std::vector<std::pair<const char*, std::vector<std::string>>> options = {
      {"Module", {"--module", "7"}},     {"Xdim", {"--xdim", "1mm"}},     {"Dpi", {"--dpi", "300"}},
      {"QuietZone", {"--quiet-zone", "4"}}, {"Fg", {"--fg", "123456"}},  {"Bg", {"--bg", "ffffcc"}},
      {"Invert", {"--invert"}}};
  static std::vector<std::string> names;
  std::vector<EffectCase> cases;
  for (const auto& [outputName, output] : outputs) {
    for (const auto& [optionName, option] : options) {
      names.push_back(std::string(outputName) + optionName);
      cases.push_back({nullptr, output, option});
    }
  }
  cases.push_back({nullptr, {"--dump"}, {"--format", "svg"}});
  names.push_back("DumpFormat");
  cases.push_back({nullptr, {"-s", "24", "-o", "a.png"}, {"--shape", "rectangle"}});
  names.push_back("ShapeWithSize");
  cases.push_back({nullptr, {"-s", "24", "-o", "a.png"}, {"--dmre"}, letters(200)});  // falls back to 52x52
  names.push_back("DmreWithSquareSize");
  // 17 codewords: 12x36 without DMRE, the smaller 8x48 with it.
  cases.push_back({nullptr, {"-s", "8x18", "-o", "a.png"}, {"--dmre"}, letters(17)});
  names.push_back("DmreWithRectangleSize");
  for (std::size_t i = 0; i < cases.size(); ++i) cases[i].name = names[i].c_str();
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cli, CliOptionEffect, ::testing::ValuesIn(effectCases()), caseName<EffectCase>);

// A batch may write several formats: an option one of them ignores is said
// once for the whole run, and every file is written.
TEST(CliOptionEffect, BatchOfMixedFormatsWarnsOnce) {
  TempDir dir;
  CliRun run = runCli({"--batch", "--tsv", "-o", "{name}", "--dpi", "300"},
                      "a.png\tone\nb.svg\ttwo\nc.svg\tthree\nd.png\tfour\n", dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(occurrences(run.err, "--dpi has no effect on SVG output"), 1u) << run.err;
  EXPECT_EQ(occurrences(run.err, "warning"), 1u) << run.err;
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png", "b.svg", "c.svg", "d.png"}));
}

struct FormatCase {
  const char* name;
  std::vector<std::string> args;
  const char* file;      // the only entry left in the working directory, or "" for none
  std::string start;     // what the output starts with
};

void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.name; }

class CliFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(CliFormat, ContentMatchesItsName) {
  const FormatCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli(c.args, "", dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.empty()) << run.err;
  if (std::string(c.file).empty()) {
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(run.out.rfind(c.start, 0), 0u) << run.out;
    return;
  }
  EXPECT_EQ(dir.entries(), std::vector<std::string>{c.file});
  EXPECT_EQ(readFileString(dir.path() / c.file).rfind(c.start, 0), 0u);
}

const std::string PNG_SIGNATURE = "\x89PNG\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, CliFormat,
    ::testing::Values(FormatCase{"TxtWithoutOutputPrints", {"--format", "txt", "Hello"}, "", "\u2588\u2588"},
                      FormatCase{"SvgWithoutOutputNamesTheFile", {"--format", "svg", "Hello"}, "output.svg", "<?xml"},
                      FormatCase{"PdfWithoutOutputNamesTheFile", {"--format", "PDF", "Hello"}, "output.pdf", "%PDF"},
                      FormatCase{"ExtensionInCapitals", {"-o", "a.SVG", "Hello"}, "a.SVG", "<?xml"},
                      FormatCase{"MktempNameIsPng", {"-o", "tmp.XXXXXX", "Hello"}, "tmp.XXXXXX", PNG_SIGNATURE},
                      FormatCase{"NameWithoutExtensionIsPng", {"-o", "label", "Hello"}, "label", PNG_SIGNATURE},
                      FormatCase{"FormatAndItsExtension", {"--format", "eps", "-o", "a.eps", "Hello"}, "a.eps",
                                 "%!PS-Adobe"}),
    caseName<FormatCase>);

// Each field of a --verbose line, read back as key=value.
std::string field(const std::string& line, const std::string& key) {
  std::istringstream words(line);
  for (std::string word; words >> word;) {
    if (word.rfind(key + "=", 0) == 0) return word.substr(key.size() + 1);
  }
  return {};
}

TEST(CliVerbose, OneLineInTheLibrarysWords) {
  TempDir dir;
  CliRun run = runCli({"-v", "Hello"}, "", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "dexmora-cli: size=12x12 shape=square encodation=basic data_length=5 capacity=5 format=png "
            "output='output.png'\n");
  CliRun toStdout = runCli({"--verbose", "-o", "-", "--format", "svg", "Hello"}, "", dir.path());
  EXPECT_EQ(toStdout.status, 0);
  EXPECT_NE(toStdout.err.find(" format=svg output=-\n"), std::string::npos) << toStdout.err;
  CliRun dump = runCli({"-v", "--dump", "Hello"}, "", dir.path());
  EXPECT_EQ(dump.err, "dexmora-cli: size=12x12 shape=square encodation=basic data_length=5 capacity=5\n");
  CliRun silent = runCli({"Hello"}, "", dir.path());
  EXPECT_TRUE(silent.err.empty()) << silent.err;
  CliRun refused = runCli({"-v", std::string(1600, 'A')}, "", dir.path());
  EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
  EXPECT_EQ(refused.err.find("size="), std::string::npos) << refused.err;
}

// What --verbose says is what the symbol is: its size is the --dump's, its
// capacity the size's, and its data_length where the pads begin.
TEST(CliVerbose, FiguresMatchTheSymbol) {
  TempDir dir;
  const std::vector<std::vector<std::string>> runs = {
      {"A"}, {letters(40)}, {"-s", "16x48", "RECTANGLE"}, {"--dmre", letters(60)},
      {"--shape", "rectangle", "123456789012345678"}, {"-s", "144", "big"}};
  for (const std::vector<std::string>& args : runs) {
    std::vector<std::string> verbose = args;
    verbose.insert(verbose.begin(), {"-v", "--codewords"});
    CliRun run = runCli(verbose, "", dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> dumpArgs = args;
    dumpArgs.insert(dumpArgs.begin(), "--dump");
    const std::string dump = runCli(dumpArgs, "", dir.path()).out;
    const std::size_t rows = lineCount(dump);
    const std::size_t cols = dump.find('\n');
    EXPECT_EQ(field(run.err, "size"), std::to_string(rows) + "x" + std::to_string(cols)) << run.err;
    const dexmora::SymbolSize* size = dexmora::findSymbolSize(static_cast<int>(rows), static_cast<int>(cols));
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(field(run.err, "capacity"), std::to_string(size->dataCodewords));
    EXPECT_EQ(field(run.err, "shape"), size->kind == dexmora::SizeKind::Square      ? "square"
                                       : size->kind == dexmora::SizeKind::Rectangle ? "rectangle"
                                                                                    : "dmre");
    // Basic encodation of letters and digits never makes the pad codeword 129.
    std::istringstream codewords(run.out);
    int dataLength = 0;
    for (int codeword; codewords >> codeword && codeword != 129;) ++dataLength;
    EXPECT_EQ(field(run.err, "data_length"), std::to_string(std::min<int>(dataLength, size->dataCodewords)));
  }
}

TEST(CliVerbose, BatchSaysOneLinePerFileWritten) {
  TempDir dir;
  CliRun run = runCli({"--batch", "-v", "-j", "2", "-o", "{n}.svg"}, "one\n\ntoo long? no\n" + letters(1600) + "\n",
                      dir.path());
  EXPECT_EQ(run.status, 65) << run.err;
  EXPECT_EQ(occurrences(run.err, " size="), 2u) << run.err;
  EXPECT_NE(run.err.find("dexmora-cli: line 1: size=10x10 shape=square encodation=basic data_length=3 capacity=3 "
                         "format=svg output='1.svg'\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("dexmora-cli: line 3: size="), std::string::npos) << run.err;
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"1.svg", "3.svg"}));
}

}  // namespace
