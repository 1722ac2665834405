// Runs the built dexmora-cli as a child process: exit statuses, messages,
// argument and standard-input text, and failed writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {

const char* const PNG_SIGNATURE = "\x89PNG\r\n\x1a\n";

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

std::string repeated(char c, std::size_t count) { return std::string(count, c); }

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
        RefusalCase{"ZeroByte", {}, std::string("AB\0CD", 5), 64, "zero byte (at byte 3)"},
        RefusalCase{"OneLetterTooMany", {repeated('A', 1559)}, "", 64, "needs 1559 codewords"},
        RefusalCase{"OneDigitTooMany", {repeated('7', 3117)}, "", 64, "needs 1559 codewords, and the largest symbol (144x144) holds 1558"},
        RefusalCase{"StdinBeyondReadBound", {"--dump"}, repeated('B', (1u << 20) + 10), 64, "too long"},
        RefusalCase{"MissingDirectory", {"-o", "no/such/dir/x.png", "A"}, "", 73,
                    "cannot write 'no/such/dir/x.png': No such file or directory"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

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
                             "  73 ", "  74 ", "  2, 3, 7 "}) {
    EXPECT_NE(help.out.find(needle), std::string::npos) << needle;
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(Cli, WritesOutputPngSilentlyInWorkingDirectory) {
  TempDir dir;
  CliRun run = runCli({"Hello"}, "", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.empty());
  EXPECT_TRUE(run.err.empty());
  EXPECT_EQ(readFileString(dir.path() / "output.png").substr(0, 8), PNG_SIGNATURE);
  // Only the picture is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(Cli, OptionsAndTextInAnyOrderAndSpelling) {
  TempDir dir;
  const std::vector<std::vector<std::string>> spellings = {
      {"-o", "a.png", "-s", "12", "123456"}, {"123456", "--output", "a.png", "--size", "12"},
      {"--output=a.png", "--size=12", "123456"}, {"-oa.png", "-s12", "--", "123456"}};
  for (const auto& args : spellings) {
    fs::remove(dir.path() / "a.png");
    CliRun run = runCli(args, "", dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    const std::optional<PngPicture> picture = readPng((dir.path() / "a.png").string());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 5u * 12 + 20);
  }
}

TEST(Cli, AutoSizeIsTheSmallestThatHolds) {
  TempDir dir;
  for (const char* size : {"auto", "0"}) {
    CliRun run = runCli({"-s", size, "123456789012"}, "", dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.empty());
    const std::optional<PngPicture> picture = readPng((dir.path() / "output.png").string());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 5u * 14 + 20);
  }
}

TEST(Cli, TooSmallSizeWarnsOnceAndUsesTheLargerSize) {
  TempDir dir;
  CliRun run = runCli({"-s", "10", "ABCD"}, "", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "dexmora-cli: warning: the text does not fit 10x10; using 12x12\n");
  const std::optional<PngPicture> picture = readPng((dir.path() / "output.png").string());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 5u * 12 + 20);
}

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
  CliCall call{{std::string(200, 'N')}, "", dir.path(), "", 160};
  CliRun run = runCli(call);
  EXPECT_EQ(run.status, 73);
  EXPECT_NE(run.err.find("cannot write 'output.png': File too large"), std::string::npos) << run.err;
  EXPECT_EQ(readFileString(dir.path() / "output.png"), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(Cli, FullStandardOutputIsAnError) {
  TempDir dir;
  for (const char* option : {"--version", "--help", "--dump", "--codewords"}) {
    CliCall call{{option, "A"}, "", dir.path(), "/dev/full", -1};
    if (std::string(option) == "--version" || std::string(option) == "--help") call.args.pop_back();
    CliRun run = runCli(call);
    EXPECT_EQ(run.status, 74) << option;
    EXPECT_NE(run.err.find("dexmora-cli: cannot write standard output: No space left on device"), std::string::npos)
        << run.err;
  }
}

// The same text handed over as argument, as "-" with standard input, and on
// standard input alone must encode identically.
TEST(Cli, ArgumentAndStandardInputGiveTheSameSymbol) {
  TempDir dir;
  std::string highBytes;
  for (int b = 0x80; b <= 0xFF; ++b) highBytes += static_cast<char>(b);
  for (const std::string& text : {std::string("123456"), highBytes, "caf\xC3\xA9 " + highBytes + " 42",
                                   std::string("line one\nline two"), std::string("ends in CR\r")}) {
    CliRun fromArgument = runCli({"--codewords", text}, "", dir.path());
    CliRun fromDash = runCli({"--codewords", "-"}, text, dir.path());
    CliRun fromStdin = runCli({"--codewords"}, text, dir.path());
    ASSERT_EQ(fromArgument.status, 0) << fromArgument.err;
    EXPECT_EQ(fromDash.out, fromArgument.out);
    EXPECT_EQ(fromStdin.out, fromArgument.out);
  }
}

struct NewlineCase {
  const char* name;
  std::string input;  // on standard input
  std::string same;   // the argument that must encode the same
};

void PrintTo(const NewlineCase& c, std::ostream* out) { *out << c.name; }

class CliTrailingNewline : public ::testing::TestWithParam<NewlineCase> {};

TEST_P(CliTrailingNewline, DropsExactlyOneNewlineFromStandardInput) {
  TempDir dir;
  CliRun fromStdin = runCli({"--codewords"}, GetParam().input, dir.path());
  CliRun fromArgument = runCli({"--codewords", GetParam().same}, "", dir.path());
  ASSERT_EQ(fromStdin.status, 0) << fromStdin.err;
  ASSERT_EQ(fromArgument.status, 0) << fromArgument.err;
  EXPECT_EQ(fromStdin.out, fromArgument.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliTrailingNewline,
    ::testing::Values(NewlineCase{"Lf", "123456\n", "123456"}, NewlineCase{"CrLf", "123456\r\n", "123456"},
                      NewlineCase{"OnlyOneLf", "123456\n\n", "123456\n"},
                      NewlineCase{"OnlyOneCrLf", "AB\r\n\r\n", "AB\r\n"}, NewlineCase{"LoneCrKept", "AB\r", "AB\r"},
                      NewlineCase{"InnerNewlineKept", "A\nB", "A\nB"}, NewlineCase{"NoNewline", "123456", "123456"}),
    [](const ::testing::TestParamInfo<NewlineCase>& info) { return info.param.name; });

TEST(Cli, ArgumentKeepsItsTrailingNewline) {
  TempDir dir;
  CliRun plain = runCli({"--codewords", "123456"}, "", dir.path());
  CliRun withNewline = runCli({"--codewords", "123456\n"}, "", dir.path());
  EXPECT_EQ(plain.out, "142 164 186 114 25 5 88 102\n");
  EXPECT_EQ(withNewline.out.rfind("142 164 186 11 ", 0), 0u) << withNewline.out;
}

TEST(Cli, DashAfterDoubleDashIsTheText) {
  TempDir dir;
  CliRun run = runCli({"--codewords", "--", "-"}, "ignored", dir.path());
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("46 129 ", 0), 0u) << run.out;
}

}  // namespace
