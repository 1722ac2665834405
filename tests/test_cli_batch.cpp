// dexmora-cli --batch: many files in one run, failures counted, not fatal.
#include <ZXing/ReadBarcode.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "symbol_scan.h"
#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {

std::optional<std::string> scannedBytes(const std::string& path) {
  const std::optional<ZXing::Result> result = scanPngFile(path);
  if (!result) return std::nullopt;
  return resultBytes(*result);
}

// Line i (from 1) of a generated list: 12 characters that differ per line.
std::string generatedText(std::size_t i) {
  std::string text = "LOT" + std::to_string(i * 7919 % 1000003);
  text.resize(12, 'Z');
  return text;
}

std::string generatedList(std::size_t count) {
  std::string list;
  for (std::size_t i = 1; i <= count; ++i) list += generatedText(i) + "\n";
  return list;
}

std::string paddedNumber(std::size_t n) {
  std::string digits = std::to_string(n);
  return std::string(digits.size() < 5 ? 5 - digits.size() : 0, '0') + digits + ".png";
}

TEST(CliBatch, TenThousandLinesScanAndDoNotDependOnThreads) {
  constexpr std::size_t kLines = 10000;
  const std::string list = generatedList(kLines);
  TempDir one, two;
  const CliRun single = runCli({"--batch", "--module", "3", "-j", "1"}, list, one.path());
  const CliRun pair = runCli({"--batch", "--module", "3", "-j", "2"}, list, two.path());
  ASSERT_EQ(single.status, 0) << single.err;
  ASSERT_EQ(pair.status, 0) << pair.err;
  EXPECT_EQ(pair.err, "dexmora-cli: 10000 written, 0 failed\n");  // not a terminal: no progress bar
  const std::vector<std::string> names = one.entries();
  ASSERT_EQ(names.size(), kLines);
  ASSERT_EQ(two.entries(), names);
  for (std::size_t i = 1; i <= kLines; ++i) {
    const std::string name = paddedNumber(i);
    ASSERT_EQ(readFileBytes(one.file(name)), readFileBytes(two.file(name))) << name;
    if (i % 200 == 1) {
      EXPECT_EQ(scannedBytes(two.file(name)), generatedText(i)) << name;
    }
  }
}

// Line numbers count empty lines; "\r" before "\n" and zero bytes are handled as bytes.
TEST(CliBatch, NumbersEveryLineAndKeepsAnyBytes) {
  TempDir dir;
  const std::string zero("A\0B", 3);
  const CliRun run = runCli({"--batch", "--quiet", "-o", "s{n:03}.png"}, "ONE\r\n\n" + zero + "\n\r\n", dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "dexmora-cli: 2 written, 2 empty lines skipped, 0 failed\n");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"s001.png", "s003.png"}));
  EXPECT_EQ(scannedBytes(dir.file("s001.png")), "ONE");
  EXPECT_EQ(scannedBytes(dir.file("s003.png")), zero);
}

struct BatchCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::vector<std::string> errors;  // every stderr line, summary last
  int status;
  std::vector<std::string> files;   // what the directory holds afterwards ("taken" exists before)
};

void PrintTo(const BatchCase& c, std::ostream* out) { *out << c.name; }

class CliBatchOutcome : public ::testing::TestWithParam<BatchCase> {};

TEST_P(CliBatchOutcome, ReportsExactlyTheFailedLines) {
  const BatchCase& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.path() / "taken");
  const CliRun run = runCli(c.args, c.input, dir.path());
  // Threads report in any order; the summary comes last.
  std::vector<std::string> said;
  std::istringstream lines(run.err);
  for (std::string line; std::getline(lines, line);) said.push_back(line);
  std::vector<std::string> expected;
  for (const std::string& line : c.errors) expected.push_back("dexmora-cli: " + line);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back(), expected.back());
  std::sort(said.begin(), said.end() - 1);
  std::sort(expected.begin(), expected.end() - 1);
  EXPECT_EQ(said, expected);
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(dir.entries(), c.files);
}

const std::string kLongLine(std::size_t{1} << 20 | 1, 'A');

INSTANTIATE_TEST_SUITE_P(
    Cli, CliBatchOutcome,
    ::testing::Values(
        BatchCase{"TsvNamesAndUnwritableTarget",
                  {"--batch", "--tsv"},
                  "a.png\tA\nb\tB\n../up\tC\n.\tD\n\tE\nnotab\ntaken\tF\nc\t\n",
                  {"line 3: the name '../up' contains '/'", "line 4: the name '.' is not a file name",
                   "line 5: the name is empty", "line 6: no TAB between the name and the text",
                   "line 7 (taken): cannot write 'taken': Is a directory", "line 8 (c): the text is empty",
                   "2 written, 6 failed"},
                  73,
                  {"a.png", "b", "taken"}},
        BatchCase{"RefusedLinesAre65",
                  {"--batch", "-o", "{n}.svg", "-e", "x12"},
                  "AB1\nab\n" + kLongLine + "\n",
                  {"line 2: X12 mode cannot carry byte 97 at position 1",
                   "line 3: the line is longer than 1048576 bytes", "1 written, 2 failed"},
                  65,
                  {"1.svg", "taken"}},
        BatchCase{"TemplateWithoutField", {"--batch", "-o", "x.png"}, "A\n\nB\n",
                  {"lines 1 and 3 both name the file 'x.png': put {n} in the -o template; nothing was written"},
                  64, {"taken"}},
        BatchCase{"DuplicateTsvName", {"--batch", "--tsv", "-o", "{name}.png"}, "a\tA\nb\tB\na\tC\n",
                  {"lines 1 and 3 both name the file 'a.png'; nothing was written"}, 64, {"taken"}},
        BatchCase{"NameAndNumberCollide", {"--batch", "--tsv", "-o", "{name}{n}"}, "a1\tA\n" + std::string(9, '\n') + "a\tB\n",
                  {"lines 1 and 11 both name the file 'a11'; nothing was written"}, 64, {"taken"}},
        BatchCase{"NameWithoutTsv", {"--batch", "-o", "{name}.png"}, "A\n",
                  {"bad name template '{name}.png': {name} needs --tsv"}, 64, {"taken"}},
        BatchCase{"MissingDirectoryIsSaidOnce", {"--batch", "-o", "no/such/{n}.png"}, "A\nB\n",
                  {"cannot write files in 'no/such': No such file or directory; nothing was written"}, 73,
                  {"taken"}},
        BatchCase{"UnknownField", {"--batch", "-o", "{x}.png"}, "A\n",
                  {"bad name template '{x}.png': use {n}, {n:0W} or {name}"}, 64, {"taken"}}),
    caseName<BatchCase>);

// Starts dexmora-cli in `dir` with `listPath` as standard input, without waiting.
pid_t startCli(const std::vector<std::string>& args, const std::string& listPath, const fs::path& dir) {
  std::vector<std::string> all{DEXMORA_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int in = open(listPath.c_str(), O_RDONLY);
    const int err = open("/dev/null", O_WRONLY);
    if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(err, 2) < 0 || chdir(dir.c_str()) != 0) _exit(125);
    execv(argv[0], argv.data());
    _exit(126);
  }
  return child;
}

TEST(CliBatch, InterruptLeavesOnlyCompleteFiles) {
  TempDir io, out;
  const std::string list = io.file("list");
  writeFileBytes(list, [] {
    const std::string text = generatedList(50000);
    return std::vector<uint8_t>(text.begin(), text.end());
  }());
  const pid_t child = startCli({"--batch", "-j", "2"}, list, out.path());
  ASSERT_GT(child, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (out.entries().size() < 20 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGINT);
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  // It dies of the signal once the files in flight are done, so a calling
  // shell sees 130 and stops too.
  ASSERT_TRUE(WIFSIGNALED(wstatus)) << wstatus;
  EXPECT_EQ(WTERMSIG(wstatus), SIGINT);
  const std::vector<std::string> names = out.entries();
  EXPECT_GE(names.size(), 20u);
  EXPECT_LT(names.size(), 50000u);
  for (const std::string& name : names) {
    ASSERT_NE(name.front(), '.') << "temporary left: " << name;
    ASSERT_TRUE(readPng(out.file(name))) << name;
  }
  const std::string last = names.back();
  EXPECT_EQ(scannedBytes(out.file(last)), generatedText(std::stoul(last)));
}

}  // namespace
