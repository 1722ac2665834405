// Runs the built dexmora-cli as a child process: exit statuses, messages,
// written pictures, argument and standard-input text, and failed writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {

struct RefusalCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string message;  // expected within standard error
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class CliRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CliRefusal, ExitsWithStatusAndMessageAndWritesNothing) {
  const RefusalCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli(c.args, c.input, dir.path());
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(run.err.rfind("dexmora-cli: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliRefusal,
    ::testing::Values(
        RefusalCase{"UnknownLongOption", {"--colour", "A"}, "", 64, "unknown option '--colour'"},
        RefusalCase{"UnknownShortOption", {"-x", "A"}, "", 64, "unknown option '-x'"},
        RefusalCase{"TextStartingWithDash", {"-5"}, "", 64, "put -- before"},
        RefusalCase{"OddSize", {"-s", "11", "A"}, "", 64, "bad size '11'"},
        RefusalCase{"EvenSizeOfNoSymbol", {"--size", "28", "A"}, "", 64, "bad size '28'"},
        RefusalCase{"SizeAboveLargest", {"--size=146", "A"}, "", 64, "bad size '146'"},
        RefusalCase{"NegativeSize", {"-s", "-2", "A"}, "", 64, "bad size '-2'"},
        RefusalCase{"SizeWithTrailingJunk", {"-s10x", "A"}, "", 64, "bad size '10x'"},
        RefusalCase{"EmptySize", {"--size=", "A"}, "", 64, "bad size ''"},
        RefusalCase{"SizeWithoutValue", {"A", "-s"}, "", 64, "needs a size"},
        RefusalCase{"OutputWithoutValue", {"A", "--output"}, "", 64, "needs a path"},
        RefusalCase{"EmptyOutputPath", {"-o", "", "A"}, "", 64, "output path is empty"},
        RefusalCase{"TwoTexts", {"A", "B"}, "", 64, "more than one TEXT"},
        RefusalCase{"DumpAndCodewords", {"--dump", "--codewords", "A"}, "", 64, "exclude each other"},
        RefusalCase{"OutputWithDump", {"--dump", "-o", "x.png", "A"}, "", 64, "write no file"},
        RefusalCase{"EmptyArgument", {""}, "", 64, "the text is empty"},
        RefusalCase{"EmptyStdin", {}, "", 64, "the text is empty"},
        RefusalCase{"StdinOnlyNewline", {"-"}, "\n", 64, "the text is empty"},
        RefusalCase{"StdinOnlyCrLf", {}, "\r\n", 64, "the text is empty"},
        RefusalCase{"OneLetterTooMany", {std::string(1559, 'A')}, "", 64, "needs 1559 codewords"},
        RefusalCase{"OneDigitTooMany", {std::string(3117, '7')}, "", 64,
                    "needs 1559 codewords, and the largest symbol (144x144) holds 1558"},
        RefusalCase{"StdinBeyondReadBound", {"--dump"}, std::string((1u << 20) + 10, 'B'), 64, "too long"},
        RefusalCase{"MissingDirectory", {"-o", "no/such/dir/x.png", "A"}, "", 73,
                    "cannot write 'no/such/dir/x.png': the directory 'no/such/dir' does not exist"}),
    caseName<RefusalCase>);

TEST(Cli, VersionAndHelpPrintToStandardOutput) {
  TempDir dir;
  CliRun version = runCli({"--version"}, "", dir.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "dexmora-cli 1.0\n");
  EXPECT_TRUE(version.err.empty());

  CliRun help = runCli({"--help"}, "", dir.path());
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.err.empty());
  for (const char* needle : {"--size N", "--output PATH", "--dump", "--codewords", "--version", "standard input",
                             "\"\\n\"", "\"\\r\\n\"", "auto or 0", "10 12 14", "120 132 144", "1558", "  64 ",
                             "  73 ", "  74 ", "  2 ", "16x48", "26x64", "--shape", "--dmre", "--dm144",
                             "--encodation", "--gs1", "--eci", "--format", "--xdim", "--verify"}) {
    EXPECT_NE(help.out.find(needle), std::string::npos) << needle;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

struct WriteCase {
  const char* name;
  std::vector<std::string> args;
  const char* file;      // the picture expected, the only entry left in the working directory
  const char* err;       // standard error, exactly
  std::size_t symbolSize;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class CliWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(CliWrite, WritesOnlyThePictureOfTheChosenSize) {
  const WriteCase& c = GetParam();
  TempDir dir;
  CliRun run = runCli(c.args, "", dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{c.file});
  const std::optional<PngPicture> picture = readPng(dir.file(c.file));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, pictureSide(c.symbolSize));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliWrite,
    ::testing::Values(
        WriteCase{"DefaultOutputInWorkingDirectory", {"Hello"}, "output.png", "", 12},
        WriteCase{"ShortOptionsFirst", {"-o", "a.png", "-s", "12", "123456"}, "a.png", "", 12},
        WriteCase{"LongOptionsAfterText", {"123456", "--output", "a.png", "--size", "12"}, "a.png", "", 12},
        WriteCase{"LongOptionsWithEquals", {"--output=a.png", "--size=12", "123456"}, "a.png", "", 12},
        WriteCase{"AttachedValuesAndDoubleDash", {"-oa.png", "-s12", "--", "123456"}, "a.png", "", 12},
        WriteCase{"AutoSizeIsTheSmallestThatHolds", {"-s", "auto", "123456789012"}, "output.png", "", 14},
        WriteCase{"ZeroSizeIsAuto", {"-s", "0", "123456789012"}, "output.png", "", 14},
        WriteCase{"TooSmallSizeWarnsOnceAndUsesTheLargerSize", {"-s", "10", "ABCD"}, "output.png",
                  TOO_SMALL_WARNING, 12}),
    caseName<WriteCase>);

TEST(Cli, OutputPathThatIsADirectoryIsRefused) {
  TempDir dir;
  fs::create_directory(dir.path() / "pictures");
  CliRun run = runCli({"-o", "pictures", "A"}, "", dir.path());
  EXPECT_EQ(run.status, 73);
  EXPECT_EQ(run.err.rfind("dexmora-cli: cannot write 'pictures': ", 0), 0u) << run.err;
  EXPECT_TRUE(fs::is_empty(dir.path() / "pictures"));
}

TEST(Cli, FailedWriteKeepsThePreviousPicture) {
  TempDir dir;
  ASSERT_EQ(runCli({"previous"}, "", dir.path()).status, 0);
  std::string previous = readFileString(dir.path() / "output.png");
  // The file-size limit lets the error message through to the stderr file but
  // stops the picture, so the write itself fails.
  CliRun run = runCli(CliCall{{std::string(200, 'N')}, "", dir.path(), "", 160});
  EXPECT_EQ(run.status, 73);
  EXPECT_NE(run.err.find("cannot write 'output.png': File too large"), std::string::npos) << run.err;
  EXPECT_EQ(readFileString(dir.path() / "output.png"), previous);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"output.png"});
}

TEST(Cli, FullStandardOutputIsAnError) {
  TempDir dir;
  const std::vector<std::vector<std::string>> calls = {
      {"--version"}, {"--help"}, {"--dump", "A"}, {"--codewords", "A"}};
  for (const auto& args : calls) {
    CliRun run = runCli(CliCall{args, "", dir.path(), "/dev/full", -1});
    EXPECT_EQ(run.status, 74) << args.front();
    EXPECT_NE(run.err.find("dexmora-cli: cannot write standard output: No space left on device"), std::string::npos)
        << run.err;
  }
}

struct InputCase {
  const char* name;
  std::string input;     // on standard input
  std::string argument;  // the argument that must encode the same
};

void PrintTo(const InputCase& c, std::ostream* out) { *out << c.name; }

class CliStandardInput : public ::testing::TestWithParam<InputCase> {};

// Standard input alone and "-" with standard input encode as the argument
// does, after dropping exactly one trailing "\n" or "\r\n" from the input.
TEST_P(CliStandardInput, EncodesAsTheArgument) {
  const InputCase& c = GetParam();
  TempDir dir;
  CliRun fromArgument = runCli({"--codewords", c.argument}, "", dir.path());
  CliRun fromDash = runCli({"--codewords", "-"}, c.input, dir.path());
  CliRun fromStdin = runCli({"--codewords"}, c.input, dir.path());
  ASSERT_EQ(fromArgument.status, 0) << fromArgument.err;
  ASSERT_EQ(fromDash.status, 0) << fromDash.err;
  ASSERT_EQ(fromStdin.status, 0) << fromStdin.err;
  EXPECT_EQ(fromDash.out, fromArgument.out);
  EXPECT_EQ(fromStdin.out, fromArgument.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliStandardInput,
    ::testing::Values(InputCase{"Digits", "123456", "123456"},
                      InputCase{"HighBytes", highBytes(), highBytes()},
                      InputCase{"MixedUtf8AndHighBytes", "caf\xC3\xA9 " + highBytes() + " 42",
                                "caf\xC3\xA9 " + highBytes() + " 42"},
                      InputCase{"InnerNewlineKept", "line one\nline two", "line one\nline two"},
                      InputCase{"LoneCrKept", "ends in CR\r", "ends in CR\r"},
                      InputCase{"LfDropped", "123456\n", "123456"},
                      InputCase{"CrLfDropped", "123456\r\n", "123456"},
                      InputCase{"OnlyOneLfDropped", "123456\n\n", "123456\n"},
                      InputCase{"OnlyOneCrLfDropped", "AB\r\n\r\n", "AB\r\n"}),
    caseName<InputCase>);

}  // namespace
