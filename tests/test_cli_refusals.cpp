// The audit's commands that must be refused (64, or a batch line's 65) before
// any work, and TSV lists read the way the help says: each case is the
// command that once passed silently, wrote the wrong format, drew a
// 148,000-pixel square or said "mismatch" for a picture it could not read.
#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include <dexmora/render.h>

#include "cli_child.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {

void putText(const fs::path& path, const std::string& text) {
  writeFileBytes(path.string(), std::vector<uint8_t>(text.begin(), text.end()));
}

std::string fileStart(const fs::path& path) { return readFileString(path).substr(0, 5); }

struct Refusal {
  const char* name;
  std::vector<std::string> args;
  const char* says;  // part of the message
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class CliRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(CliRefusal, IsExit64WithNothingWritten) {
  const Refusal& c = GetParam();
  TempDir dir;
  std::string err;
  EXPECT_EQ(runChild(c.args, dir.path(), &err), 64) << err;
  EXPECT_NE(err.find(c.says), std::string::npos) << err;
  EXPECT_TRUE(fs::is_empty(dir.path())) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Audit, CliRefusal,
    ::testing::Values(
        Refusal{"DpiOverTheModuleCap", {"--xdim", "25.4mm", "--dpi", "1000", "-s", "144", "-o", "big.png", "X"},
                "at most 100 are drawn"},
        Refusal{"DpiWithHugeQuietZone", {"--dpi", "10000", "--quiet-zone", "100", "-o", "q.png", "X"},
                "at most 100 are drawn"},
        Refusal{"VerifyOfATooLargePicture",
                {"--verify", "--module", "100", "--quiet-zone", "100", "-s", "144", "TEXT"}, "too large"},
        Refusal{"NegativeEci", {"--eci", "-1", "X"}, "ECI"},
        Refusal{"EmptyEci", {"--eci=", "X"}, "ECI"},
        Refusal{"EmptyColour", {"--fg=", "X"}, "colour"},
        Refusal{"StructuredAppendIdZero", {"--structured-append", "1,16,0", "X"}, "64516"},
        Refusal{"NegativeQuietZone", {"--quiet-zone", "-5", "X"}, "quiet zone"},
        Refusal{"ModuleOverTheCap", {"--module", "101", "X"}, "101"},
        Refusal{"FormatWeDoNotWrite", {"-o", "d.jpg", "X"}, ".jpg"},
        Refusal{"FormatAgainstExtension", {"--format", "svg", "-o", "x.png", "X"}, "--format asks for svg"},
        Refusal{"BidiControlEscaped", {"-o", "\u202Egnp.exe", "--fg=", "X"}, "colour"},
        Refusal{"TemporaryFileName", {"-o", ".a.png.0.dexmora-tmp", "X"}, "are temporary files"}),
    [](const auto& info) { return std::string(info.param.name); });

// U+202E would turn the rest of the line around in a terminal.
TEST(CliRefusalMessages, BidiAndControlBytesAreEscaped) {
  TempDir dir;
  std::string err;
  EXPECT_EQ(runChild({"-o", "no/such\u202E\x1b[2J/x.png", "X"}, dir.path(), &err), 73);
  EXPECT_EQ(err.find("\u202E"), std::string::npos) << err;
  EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
  EXPECT_NE(err.find("\\xe2\\x80\\xae"), std::string::npos) << err;
}

// One rule for the format of every file: each expanded name follows it.
TEST(CliBatchFormats, EveryTsvNamePicksItsFormat) {
  TempDir dir;
  fs::create_directory(dir.path() / "out");
  putText(dir.path() / "list", "first.svg\tHello\nsecond.pdf\tWorld\nthird.EPS\tX\nfourth\tY\nfifth.jpg\tZ\n");
  std::string err;
  EXPECT_EQ(runChild({"--batch", "--tsv", "list", "-o", "out/{name}"}, dir.path(), &err), 65);
  EXPECT_NE(err.find("dexmora-cli: line 5 (fifth.jpg): "), std::string::npos) << err;
  EXPECT_NE(err.find("4 written, 1 failed"), std::string::npos) << err;
  EXPECT_EQ(fileStart(dir.path() / "out/first.svg").substr(0, 1), "<");
  EXPECT_EQ(fileStart(dir.path() / "out/second.pdf"), "%PDF-");
  EXPECT_EQ(fileStart(dir.path() / "out/third.EPS"), "%!PS-");
  EXPECT_EQ(fileStart(dir.path() / "out/fourth").substr(1, 3), "PNG");
  EXPECT_FALSE(fs::exists(dir.path() / "out/fifth.jpg"));
}

TEST(CliBatchFormats, DefaultTemplateTakesTheFormatsExtension) {
  TempDir dir;
  putText(dir.path() / "list", "A\nB\n");
  EXPECT_EQ(runChild({"--batch", "list", "--format", "svg"}, dir.path()), 0);
  EXPECT_EQ(fileStart(dir.path() / "00002.svg").substr(0, 1), "<");
  std::string err;
  EXPECT_EQ(runChild({"--batch", "list", "--format", "pdf", "-o", "{n}.png"}, dir.path(), &err), 65);
  EXPECT_NE(err.find("line 1: '1.png' names a .png file but --format asks for pdf"), std::string::npos) << err;
  EXPECT_EQ(runChild({"--batch", "list", "--xdim", "25.4mm", "--dpi", "1000", "-o", "big{n}.png"}, dir.path(), &err),
            65);
  EXPECT_NE(err.find("line 2: at 1000 dpi"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir.path() / "big1.png"));
}

// A file named like a temporary would be removed by the next write of the
// target it seems to belong to: the line is refused, whether the name comes
// from the list or from the template, and the other lines are written.
TEST(CliBatchNames, TemporaryFormRefusedFromListsAndTemplates) {
  TempDir dir;
  putText(dir.path() / "list.tsv", ".a.png.0.dexmora-tmp\tFIRST\na.png\tSECOND\n");
  std::string err;
  EXPECT_EQ(runChild({"--batch", "--tsv", "list.tsv", "-j", "1"}, dir.path(), &err), 65);
  EXPECT_NE(err.find("dexmora-cli: line 1 (.a.png.0.dexmora-tmp): cannot write '.a.png.0.dexmora-tmp': names of "
                     "the form .NAME.N.dexmora-tmp are temporary files"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("1 written, 1 failed"), std::string::npos) << err;
  putText(dir.path() / "list", "X\nY\n");
  EXPECT_EQ(runChild({"--batch", "list", "-o", ".{n}.png.{n}.dexmora-tmp"}, dir.path(), &err), 65);
  EXPECT_NE(err.find("0 written, 2 failed"), std::string::npos) << err;
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.png", "list", "list.tsv"}));
}

struct TsvCase {
  const char* name;
  std::vector<std::string> options;
  std::string list;
  int status;
  std::string err;
  std::vector<std::string> files;
};

void PrintTo(const TsvCase& c, std::ostream* out) { *out << c.name; }

class CliTsv : public ::testing::TestWithParam<TsvCase> {};

TEST_P(CliTsv, ReadsTheListAsTheHelpSays) {
  const TsvCase& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.path() / "out");
  putText(dir.path() / "list", c.list);
  std::vector<std::string> args{"--batch", "--tsv", "list", "-o", "out/{name}", "-j", "1"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  std::string err;
  EXPECT_EQ(runChild(args, dir.path(), &err), c.status) << err;
  EXPECT_EQ(err, c.err);
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(dir.path() / "out")) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, c.files);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CliTsv,
    ::testing::Values(
        TsvCase{"HeaderRowSkipped", {"--tsv-header"}, "name\ttext\na.png\tA\n", 0,
                "dexmora-cli: 1 written, 0 failed\n", {"a.png"}},
        TsvCase{"HeaderIsALabelWithoutTheOption", {}, "name\ttext\na.png\tA\n", 0,
                "dexmora-cli: 2 written, 0 failed\n", {"a.png", "name"}},
        TsvCase{"ThirdColumnRefused", {}, "a.png\tA\textra\nb.png\tB\n", 65,
                "dexmora-cli: line 1 (a.png): a third column: a --tsv line is NAME<TAB>TEXT, and its text may hold "
                "no TAB\ndexmora-cli: 1 written, 1 failed\n",
                {"b.png"}},
        TsvCase{"FailedLineNamedByNumberAndName", {"-e", "x12"}, "ok.png\tAB\nfirst.svg\tab\n", 65,
                "dexmora-cli: line 2 (first.svg): X12 mode cannot carry byte 97 at position 1\n"
                "dexmora-cli: 1 written, 1 failed\n",
                {"ok.png"}},
        TsvCase{"ControlBytesInNamesRefused", {}, "e\x1b[31m.png\tA\nc\r.png\tB\nbad\xff.png\tC\nok\\.png\tD\n", 65,
                "dexmora-cli: line 1: the name 'e\\x1b[31m.png' holds control characters or invalid UTF-8 "
                "(--tsv-any-name allows them)\n"
                "dexmora-cli: line 2: the name 'c\\r.png' holds control characters or invalid UTF-8 "
                "(--tsv-any-name allows them)\n"
                "dexmora-cli: line 3: the name 'bad\\xff.png' holds control characters or invalid UTF-8 "
                "(--tsv-any-name allows them)\n"
                "dexmora-cli: 1 written, 3 failed\n",
                {"ok\\.png"}},
        TsvCase{"ControlBytesAllowedOnRequest", {"--tsv-any-name"}, "e\x1b.png\tA\n", 0,
                "dexmora-cli: 1 written, 0 failed\n", {"e\x1b.png"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The library checks every number of RenderSettings itself: a front end that
// skipped the option parsers gets an error, never a heap overflow or a
// request for hundreds of gigabytes.
TEST(RenderSettingsHostile, RefusedBeforeAnyWork) {
  const dexmora::Symbol symbol = *dexmora::encode("HOSTILE");
  const auto refused = [&](const dexmora::RenderSettings& settings) {
    for (dexmora::OutputFormat format : {dexmora::OutputFormat::Png, dexmora::OutputFormat::Svg,
                                         dexmora::OutputFormat::Pdf, dexmora::OutputFormat::Eps,
                                         dexmora::OutputFormat::Txt}) {
      if (dexmora::render(symbol, format, settings)) return false;
    }
    return true;
  };
  dexmora::RenderSettings settings;
  for (int quiet : {-5, -1, 101, 1 << 30}) {
    settings.setQuietZone(quiet);
    EXPECT_TRUE(refused(settings)) << "quiet zone " << quiet;
  }
  settings.setQuietZone(2);
  for (int pixels : {-3, 0, 101, 1 << 30}) {
    settings.setModulePixels(pixels);
    EXPECT_TRUE(refused(settings)) << "module " << pixels;
  }
  settings = dexmora::RenderSettings();
  for (double xdim : {-1.0, 0.0, 1e9}) {
    settings.setXdimMm(xdim);
    EXPECT_TRUE(refused(settings)) << "xdim " << xdim;
  }
  settings.setXdimMm(0.5);
  for (int dpi : {-300, 0, 1 << 30}) {
    settings.setDpi(dpi);
    EXPECT_TRUE(refused(settings)) << "dpi " << dpi;
  }
}

}  // namespace
