// dexmora-cli's encodation, shape, output-format and file-writing options,
// run as a child process the way scripts call it.
#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "symbol_scan.h"
#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {


struct RefusalCase {
  const char* name;
  std::vector<std::string> args;
  std::string message;  // expected within standard error
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class CliOptionRefusal : public ::testing::TestWithParam<RefusalCase> {};

// Wrong values and combinations: exit 64, one line that says why, no file.
TEST_P(CliOptionRefusal, Exits64WithOneLineAndWritesNothing) {
  const RefusalCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli(c.args, "", dir.path());
  EXPECT_EQ(run.status, 64) << run.err;
  EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliOptionRefusal,
    ::testing::Values(
        RefusalCase{"SizeOfNoSymbol", {"-s", "16x40", "A"}, "bad size '16x40'"},
        RefusalCase{"BadShape", {"--shape", "round", "A"}, "bad shape 'round'"},
        RefusalCase{"DmreWithSquareShape", {"--dmre", "--shape", "square", "A"}, "--dmre"},
        RefusalCase{"BadDm144", {"--dm144", "rotated", "A"}, "bad --dm144 'rotated'"},
        RefusalCase{"BadEncodation", {"-e", "morse", "A"}, "bad encodation 'morse'"},
        RefusalCase{"ForcedModeCannotCarryText", {"-e", "x12", "abc"}, "X12"},
        RefusalCase{"Gs1WithReaderInit", {"--gs1", "--reader-init", "[01]09521234543213"}, "reader"},
        RefusalCase{"Gs1BadCheckDigit", {"--gs1", "[01]09521234543214"}, "check digit"},
        RefusalCase{"Gs1UnknownAi", {"--gs1", "[99999]1"}, "unknown AI (99999)"},
        RefusalCase{"BadEci", {"--eci", "x", "A"}, "bad ECI 'x'"},
        RefusalCase{"EciOutOfRange", {"--eci", "1000000", "A"}, "ECI"},
        RefusalCase{"BadStructuredAppend", {"--structured-append", "3", "A"}, "bad --structured-append '3'"},
        RefusalCase{"BadFormat", {"--format", "gif", "A"}, "gif"},
        RefusalCase{"LowContrast", {"--fg", "777777", "--bg", "888888", "A"}, "contrast"},
        RefusalCase{"BadColour", {"--fg", "12345", "A"}, "12345"},
        RefusalCase{"BadLength", {"--xdim", "5 parsecs", "A"}, "5 parsecs"},
        RefusalCase{"VerifyWithVectorOutput", {"--verify", "-o", "a.svg", "A"}, "--verify"},
        RefusalCase{"TooLongForMinimal", {"-e", "minimal", std::string(4000, '7')}, "too long"}),
    caseName<RefusalCase>);

struct ScanCase {
  const char* name;
  std::vector<std::string> args;  // written to out.png
  std::string text;
  std::string bytes;       // what the reader must recover
  std::string identifier;  // symbology identifier, empty to skip
};

void PrintTo(const ScanCase& c, std::ostream* out) { *out << c.name; }

class CliScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(CliScan, PictureDecodesToTheText) {
  const ScanCase& c = GetParam();
  TempDir dir;
  std::vector<std::string> args = c.args;
  args.insert(args.end(), {"-o", "out.png", "--verify", "-"});
  CliRun run = runCli(args, c.text, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  const std::optional<ZXing::Result> result = scanPngFile(dir.file("out.png"));
  ASSERT_TRUE(result);
  EXPECT_EQ(resultBytes(*result), c.bytes);
  if (!c.identifier.empty()) {
    EXPECT_EQ(result->symbologyIdentifier(), c.identifier);
  }
}

const std::string GS = "\x1d";

INSTANTIATE_TEST_SUITE_P(
    Cli, CliScan,
    ::testing::Values(
        ScanCase{"ZeroByteIsEncoded", {}, std::string("AB\0CD", 5), std::string("AB\0CD", 5), ""},
        ScanCase{"Minimal", {"-e", "minimal"}, "HELLO WORLD 123 hello", "HELLO WORLD 123 hello", ""},
        ScanCase{"ForcedC40", {"-e", "c40"}, "ABC123XYZ", "ABC123XYZ", ""},
        ScanCase{"ForcedEdifact", {"-e", "edifact"}, "ABC:DEF/123", "ABC:DEF/123", ""},
        ScanCase{"Gs1", {"--gs1"}, "[01]09521234543213[10]AB-123[17]271231",
                 "0109521234543213" "10AB-123" + GS + "17271231", "]d2"},
        ScanCase{"Gs1WithGroupSeparator", {"--gs1", "--gs1-gs"}, "[10]AB[21]X", "10AB" + GS + "21X", "]d2"},
        ScanCase{"Utf8", {"--utf8"}, "na\xC3\xAFve", "na\xC3\xAFve", ""},
        ScanCase{"Rectangle", {"-s", "16x48"}, "RECTANGLE", "RECTANGLE", ""},
        ScanCase{"AnyShapeModule3", {"--shape", "any", "--module", "3"}, "shape", "shape", ""},
        ScanCase{"ColoursAndQuietZone", {"--fg", "003366", "--bg", "ffffcc", "--quiet-zone", "4"}, "colours",
                 "colours", ""},
        ScanCase{"Defacto144", {"-s", "144", "--dm144", "defacto"}, "big", "big", ""}),
    caseName<ScanCase>);

TEST(CliOutput, StandardOutputGetsTheSameBytesAsTheFile) {
  TempDir dir;
  for (const std::vector<std::string>& format :
       {std::vector<std::string>{}, {"--format", "svg"}, {"--format", "pdf"}, {"--module", "2"}}) {
    std::vector<std::string> toFile = format;
    toFile.insert(toFile.end(), {"-o", "file.out", "same"});
    std::vector<std::string> toStdout = format;
    toStdout.insert(toStdout.end(), {"-o", "-", "same"});
    ASSERT_EQ(runCli(toFile, "", dir.path()).status, 0);
    CliRun run = runCli(toStdout, "", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, readFileString(dir.path() / "file.out"));
  }
}

// /dev/stdout is written through the descriptor the shell opened: a log
// opened for appending keeps what it held.
TEST(CliOutput, DevStdoutAppendsToARedirectedLog) {
  TempDir dir;
  const std::string log = dir.file("log");
  writeFileBytes(log, {'l', 'o', 'g', '\n'});
  CliCall call{{"-o", "/dev/stdout", "X"}, "", dir.path(), log, -1};
  call.stdoutMode = CliCall::Stdout::Append;
  CliRun run = runCli(call);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string bytes = readFileString(log);
  EXPECT_EQ(bytes.substr(0, 4), "log\n");
  EXPECT_EQ(bytes.compare(4, 4, "\x89PNG"), 0);
}

TEST(CliOutput, ClosedStandardOutputIsExit74AndCreatesNothing) {
  TempDir dir;
  for (const char* target : {"-", "/dev/stdout"}) {
    CliCall call{{"-o", target, "X"}, "", dir.path(), dir.file("unused"), -1};
    call.stdoutMode = CliCall::Stdout::Closed;
    CliRun run = runCli(call);
    EXPECT_EQ(run.status, 74) << target << ": " << run.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"unused"});
  }
}

TEST(CliOutput, FifoWithoutReaderFailsAtOnce) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  CliRun run = runCli({"-o", "pipe", "X"}, "", dir.path());
  EXPECT_EQ(run.status, 73) << run.err;
  EXPECT_NE(run.err.find("pipe"), std::string::npos) << run.err;
  // A guard against hanging, not a timing claim.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(CliOutput, ControlBytesInAPathNeverReachTheTerminal) {
  TempDir dir;
  CliRun run = runCli({"-o", "no/such\n\x1b[31mdir/x.png", "X"}, "", dir.path());
  EXPECT_EQ(run.status, 73);
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("\\x1b[31m"), std::string::npos) << run.err;
}

TEST(CliOutput, VerifyOf144x144ComparesModulesAndSaysSo) {
  TempDir dir;
  CliRun run = runCli({"-s", "144", "--verify", "big"}, "", dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("144x144"), std::string::npos) << run.err;
  EXPECT_TRUE(readPng(dir.file("output.png")));
}

TEST(CliOutput, ReadOnlyDirectoryIsNamedInTheMessage) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories; the writer's own tests cover it";
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  CliRun run = runCli({"X"}, "", dir.path());
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(run.status, 73);
  EXPECT_NE(run.err.find("directory"), std::string::npos) << run.err;
}

}  // namespace

namespace {

TEST(CliScanExtras, StructuredAppendSymbolsReportTheirPlace) {
  TempDir dir;
  for (int position = 1; position <= 3; ++position) {
    const std::string place = std::to_string(position) + ",3,77";
    CliRun run = runCli({"--structured-append", place, "-o", "part.png", "PART" + std::to_string(position)}, "",
                        dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::optional<ZXing::Result> result = scanPngFile(dir.file("part.png"));
    ASSERT_TRUE(result) << place;
    EXPECT_EQ(result->sequenceIndex(), position - 1);
    EXPECT_EQ(result->sequenceSize(), 3);
    EXPECT_EQ(resultBytes(*result), "PART" + std::to_string(position));
  }
}

// Every format writes through the same writer: a write that fails half-way
// leaves the file that was there and no temporary beside it.
TEST(CliOutput, FailedWriteOfEveryFormatKeepsThePreviousFile) {
  for (const char* name : {"out.png", "out.svg", "out.pdf", "out.eps", "out.txt"}) {
    TempDir dir;
    writeFileBytes(dir.file(name), {'o', 'l', 'd'});
    CliRun run = runCli(CliCall{{"-o", name, "--module", "9", std::string(300, 'W')}, "", dir.path(), "", 200});
    EXPECT_EQ(run.status, 73) << name << ": " << run.err;
    EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
    EXPECT_EQ(readFileString(dir.path() / name), "old") << name;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{name});
  }
}

}  // namespace
