// No wrong label, ever: dexmora-cli's batch and file writer under races,
// kills, stop signals, closed descriptors, limits and endless input.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli_child.h"
#include "png_reader.h"
#include "symbol_scan.h"
#include "test_files.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DEXMORA_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DEXMORA_TEST_SANITIZED 1
#endif
#endif

namespace fs = std::filesystem;

namespace {

std::optional<std::string> scanned(const std::string& path) {
  const std::optional<ZXing::Result> result = scanPngFile(path);
  if (!result) return std::nullopt;
  return resultBytes(*result);
}

std::string padded(int n) {
  std::string digits = std::to_string(n);
  return std::string(digits.size() < 5 ? 5 - digits.size() : 0, '0') + digits;
}

void putText(const fs::path& path, const std::string& text) {
  writeFileBytes(path.string(), std::vector<uint8_t>(text.begin(), text.end()));
}

// Writes `dir`/list with the lines PREFIX1 to PREFIX`count`, and an empty
// `dir`/`out` folder for the files.
void putNumberedList(const fs::path& dir, const std::string& prefix, int count, const std::string& out = "out") {
  std::string list;
  for (int i = 1; i <= count; ++i) list += prefix + std::to_string(i) + "\n";
  putText(dir / "list", list);
  fs::create_directory(dir / out);
}

std::vector<std::string> hiddenEntries(const fs::path& dir) {
  std::vector<std::string> hidden;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string()[0] == '.') hidden.push_back(entry.path().filename().string());
  return hidden;
}

// Waits up to `seconds` for `ready`; false when it never came.
template <typename Ready>
bool waitFor(Ready ready, int seconds = 20) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::size_t pngCount(const fs::path& dir) {
  std::size_t count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) count += entry.path().extension() == ".png";
  return count;
}

// Long names that share their first 200 bytes, each file holding its own
// line's text, written twice over on four threads: the second run replaces
// every file while the others do the same beside it.
TEST(CliBatchSafety, LongNamesOnSeveralThreadsNeverSwapLabels) {
  TempDir dir;
  fs::create_directory(dir.path() / "race");
  const std::string prefix(200, 'P');
  std::string list;
  constexpr int kLines = 300;
  for (int i = 1; i <= kLines; ++i) list += prefix + padded(i) + ".png\tITEM-" + padded(i) + "\n";
  putText(dir.path() / "long.tsv", list);
  for (int run = 0; run < 2; ++run) {
    std::string err;
    EXPECT_EQ(runChild({"--batch", "--tsv", "long.tsv", "-o", "race/{name}", "-j", "4", "--module", "3"}, dir.path(),
                       &err),
              0)
        << err;
    EXPECT_EQ(err, "dexmora-cli: 300 written, 0 failed\n");
  }
  EXPECT_EQ(hiddenEntries(dir.path() / "race"), std::vector<std::string>{});
  for (int i = 1; i <= kLines; ++i) {
    ASSERT_EQ(scanned(dir.file("race/" + prefix + padded(i) + ".png")), "ITEM-" + padded(i)) << i;
  }
}

// Like `>`: many writers of one file all succeed, and one of them is last.
TEST(CliBatchSafety, ParallelRunsOverOneFileAllSucceed) {
  TempDir dir;
  ASSERT_EQ(runChild({"-o", "t.png", "W0"}, dir.path()), 0);
  std::vector<std::unique_ptr<CliChild>> runs;
  for (int i = 1; i <= 24; ++i) runs.push_back(std::make_unique<CliChild>(std::vector<std::string>{"-o", "t.png", "W" + std::to_string(i)}, dir.path()));
  for (auto& run : runs) EXPECT_EQ(run->wait(), 0) << run->err();
  const std::optional<std::string> text = scanned(dir.file("t.png"));
  ASSERT_TRUE(text);
  EXPECT_EQ(text->front(), 'W');
  EXPECT_NE(*text, "W0");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.png"});
}

// A closed standard descriptor is never where a file or message goes: the
// first file opened would otherwise get it.
TEST(CliBatchSafety, ClosedStandardDescriptorsHoldNoFileOrMessage) {
  TempDir dir;
  std::string list;
  for (int i = 1; i <= 60; ++i) list += (i % 2 ? "AB" + std::to_string(i) : std::string("lower")) + "\n";
  putText(dir.path() / "list", list);
  fs::create_directory(dir.path() / "out");
  EXPECT_EQ(runChild({"--batch", "list", "-o", "out/{n}.png", "-e", "x12", "-j", "2"}, dir.path(), nullptr,
                     [] { close(2); }),
            65);
  EXPECT_EQ(pngCount(dir.path() / "out"), 30u);
  for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
    const std::string bytes = readFileString(entry.path());
    EXPECT_EQ(bytes.find("dexmora-cli"), std::string::npos) << entry.path();
    EXPECT_TRUE(readPng(entry.path().string())) << entry.path();
  }
  putText(dir.path() / "existing.png", "old");
  EXPECT_EQ(runChild({"-o", "existing.png", "hi"}, dir.path(), nullptr, [] { close(1); }), 0);
  EXPECT_EQ(scanned(dir.file("existing.png")), "hi");
  std::string err;
  EXPECT_EQ(runChild({"-o", "-", "hi"}, dir.path(), &err, [] { close(1); }), 74);
  EXPECT_NE(err.find("cannot write standard output"), std::string::npos) << err;
}

// With standard output closed, every name that leads to it fails as `-o -`
// does, links and chains of links included, while /dev/null itself, by name
// or by link, is still written.
struct ClosedStdoutCase {
  const char* name;
  const char* output;  // "l" is the link below, "l2" a link to it
  const char* link;    // what l points to
  int status;
};

class CliClosedStdout : public ::testing::TestWithParam<ClosedStdoutCase> {};

TEST_P(CliClosedStdout, NamesLeadingToItFailLikeTheDash) {
  const ClosedStdoutCase& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.path() / "d");
  fs::create_symlink(c.link, dir.path() / "d" / "l");
  fs::create_symlink("l", dir.path() / "d" / "l2");
  fs::create_directory_symlink("/dev/fd", dir.path() / "d" / "fd");
  std::string err;
  EXPECT_EQ(runChild({"-o", c.output, "X"}, dir.path() / "d", &err, [] { close(1); }), c.status) << err;
  if (c.status != 0) {
    EXPECT_NE(err.find("Bad file descriptor"), std::string::npos) << err;
  }
  EXPECT_EQ(hiddenEntries(dir.path() / "d"), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Names, CliClosedStdout,
    ::testing::Values(ClosedStdoutCase{"Dash", "-", "/dev/null", 74},
                      ClosedStdoutCase{"DevStdout", "/dev/stdout", "/dev/null", 74},
                      ClosedStdoutCase{"LinkToProcSelfFd", "l", "/proc/self/fd/1", 74},
                      ClosedStdoutCase{"LinkToLinkToDevFd", "l2", "/dev/fd/1", 74},
                      ClosedStdoutCase{"ThroughLinkedFdDirectory", "fd/1", "/dev/null", 74},
                      ClosedStdoutCase{"DevNull", "/dev/null", "/dev/null", 0},
                      ClosedStdoutCase{"LinkToDevNull", "l", "/dev/null", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliBatchSafety, FewerDescriptorsMeanFewerThreadsNotFailedLines) {
  TempDir dir;
  putNumberedList(dir.path(), "N", 300);
  std::string err;
  EXPECT_EQ(runChild({"--batch", "list", "-o", "out/{n}.png", "-j", "8"}, dir.path(), &err,
                     [] {
                       const rlimit limit{16, 16};
                       setrlimit(RLIMIT_NOFILE, &limit);
                     }),
            0)
      << err;
  EXPECT_EQ(err, "dexmora-cli: 300 written, 0 failed\n");
  EXPECT_EQ(pngCount(dir.path() / "out"), 300u);
}

// An address-space limit stops most of 64 threads from starting; the batch
// goes on with those that did. (The sanitizers reserve more address space
// than the limit allows.)
TEST(CliBatchSafety, ThreadsThatCannotStartLeaveTheWorkToOthers) {
#ifdef DEXMORA_TEST_SANITIZED
  GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
  TempDir dir;
  putNumberedList(dir.path(), "T", 200, "jj");
  std::string err;
  const int status = runChild({"--batch", "list", "-o", "jj/{n}.png", "-j", "64"}, dir.path(), &err, [] {
    const rlimit limit{100000 * 1024, 100000 * 1024};
    setrlimit(RLIMIT_AS, &limit);
  });
  EXPECT_EQ(status, 0) << err;
  EXPECT_NE(err.find("dexmora-cli: 200 written, 0 failed\n"), std::string::npos) << err;
  EXPECT_EQ(pngCount(dir.path() / "jj"), 200u);
}

// A file-size limit fails the files over it, "File too large", and nothing else.
TEST(CliBatchSafety, FileSizeLimitFailsOnlyTheLargeFiles) {
  TempDir dir;
  const auto limited = [] {
    const rlimit limit{2000, 2000};
    setrlimit(RLIMIT_FSIZE, &limit);
  };
  fs::create_directory(dir.path() / "y");
  std::string err;
  EXPECT_EQ(runChild({"-o", "y/s.png", "--module", "30", "-s", "144", "X"}, dir.path(), &err, limited), 73);
  EXPECT_NE(err.find("File too large"), std::string::npos) << err;
  EXPECT_EQ(fs::is_empty(dir.path() / "y"), true);
  putText(dir.path() / "list", "A\n" + std::string(1200, 'Z') + "\nB\n");
  EXPECT_EQ(runChild({"--batch", "list", "-o", "y/{n}.png", "--module", "4"}, dir.path(), &err, limited), 73);
  EXPECT_NE(err.find("dexmora-cli: line 2: cannot write 'y/2.png': File too large\n"), std::string::npos) << err;
  EXPECT_NE(err.find("dexmora-cli: 2 written, 1 failed\n"), std::string::npos) << err;
  EXPECT_EQ(scanned(dir.file("y/3.png")), "B");
}

struct StopCase {
  const char* name;
  int signo;
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class CliBatchStopSignal : public ::testing::TestWithParam<StopCase> {};

// Stops taking lines (here a pipe that stays open), finishes the files in
// flight, says the summary, then dies of the signal: status 128+N.
TEST_P(CliBatchStopSignal, FinishesTheFilesInFlightThenDiesOfTheSignal) {
  TempDir dir;
  CliChild batch({"--batch", "-o", "{n}.png", "-j", "2"}, dir.path(), CliChild::Input::Pipe, [] {
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
  });
  std::string lines;
  for (int i = 1; i <= 40; ++i) lines += "S" + std::to_string(i) + "\n";
  ASSERT_TRUE(batch.feed(lines));
  ASSERT_TRUE(waitFor([&] { return pngCount(dir.path()) >= 40; }));
  kill(batch.pid(), GetParam().signo);
  EXPECT_EQ(batch.wait(), 128 + GetParam().signo) << batch.err();
  EXPECT_TRUE(batch.signaled());
  EXPECT_NE(batch.err().find("dexmora-cli: 40 written, 0 failed (interrupted)\n"), std::string::npos) << batch.err();
  EXPECT_EQ(hiddenEntries(dir.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Signals, CliBatchStopSignal,
                         ::testing::Values(StopCase{"Hangup", SIGHUP}, StopCase{"Interrupt", SIGINT},
                                           StopCase{"Quit", SIGQUIT}, StopCase{"Terminate", SIGTERM}),
                         [](const auto& info) { return std::string(info.param.name); });

// Replacing files, a batch is stopped by SIGINT and at once by SIGTERM, or
// killed: an interrupted one leaves no temporary, a killed one at most one
// per thread, and the next run removes those.
TEST(CliBatchSafety, KillsLeaveNoTemporaryOrOnlyOnePerThreadUntilTheNextRun) {
  TempDir dir;
  putNumberedList(dir.path(), "K", 1500);
  const std::vector<std::string> args{"--batch", "list", "-o", "out/{n}.png", "-j", "2", "--module", "12"};
  ASSERT_EQ(runChild(args, dir.path()), 0);
  std::mt19937 random(4711);
  std::size_t left = 0;
  for (int round = 0; round < 9; ++round) {
    const bool twoSignals = round % 3 == 0;
    CliChild batch(args, dir.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 80));
    if (twoSignals) {
      kill(batch.pid(), SIGINT);
      kill(batch.pid(), SIGTERM);
    } else {
      kill(batch.pid(), SIGKILL);
    }
    const int status = batch.wait();
    EXPECT_TRUE(batch.signaled()) << status;
    const std::size_t hidden = hiddenEntries(dir.path() / "out").size();
    // Two signals add none (the run may already have removed some leftovers).
    if (twoSignals) {
      EXPECT_LE(hidden, left) << "round " << round;
    }
    EXPECT_LE(hidden, left + 2) << "round " << round;
    left = hidden;
  }
  ASSERT_EQ(runChild(args, dir.path()), 0);
  EXPECT_EQ(hiddenEntries(dir.path() / "out"), std::vector<std::string>{});
  EXPECT_EQ(pngCount(dir.path() / "out"), 1500u);
}

// A pipe is taken as it comes: files appear before the input ends, memory
// stays flat, and a name given twice is the later line's error.
TEST(CliBatchSafety, PipeIsWrittenAsItComes) {
  TempDir dir;
  CliChild batch({"--batch", "--tsv", "-o", "{name}.png"}, dir.path(), CliChild::Input::Pipe);
  ASSERT_TRUE(batch.feed("a\tFIRST\nb\tB\n"));
  ASSERT_TRUE(waitFor([&] { return fs::exists(dir.path() / "b.png"); })) << "nothing written before the input ended";
  ASSERT_TRUE(batch.feed("a\tSECOND\n"));
  batch.closeInput();
  EXPECT_EQ(batch.wait(), 65);
  EXPECT_EQ(batch.err(),
            "dexmora-cli: line 3 (a): line 1 already names the file 'a.png'; the first file is kept\n"
            "dexmora-cli: 2 written, 1 failed\n");
  EXPECT_EQ(scanned(dir.file("a.png")), "FIRST");
}

TEST(CliBatchSafety, MemoryStaysFlatForPipesAndFiles) {
#ifdef DEXMORA_TEST_SANITIZED
  GTEST_SKIP() << "the sanitizers' own memory hides the figure";
#endif
  TempDir dir;
  const std::string tooLong(std::size_t{1} << 20 | 5, 'L');
  std::string block;
  for (int i = 0; i < 4; ++i) block += tooLong + "\nOK\n";
  constexpr int kBlocks = 10;  // 40 MiB in all
  CliChild piped({"--batch", "-o", "p{n}.png", "-j", "1"}, dir.path(), CliChild::Input::Pipe);
  for (int i = 0; i < kBlocks; ++i) ASSERT_TRUE(piped.feed(block));
  piped.closeInput();
  EXPECT_EQ(piped.wait(), 65);
  EXPECT_LT(piped.maxRssKilobytes(), 24 * 1024);
  {
    std::string whole;
    for (int i = 0; i < kBlocks; ++i) whole += block;
    putText(dir.path() / "list", whole);
  }
  CliChild read({"--batch", "list", "-o", "f{n}.png", "-j", "1"}, dir.path());
  EXPECT_EQ(read.wait(), 65);
  EXPECT_LT(read.maxRssKilobytes(), 24 * 1024);
  EXPECT_NE(read.err().find("dexmora-cli: 40 written, 40 failed\n"), std::string::npos) << read.err().substr(0, 300);
}

// The output directory is opened once: swapped for a link elsewhere
// mid-run, the batch still writes every file into the directory it began in.
TEST(CliBatchSafety, OutputDirectorySwappedMidRunKeepsTheBatchTogether) {
  TempDir dir;
  fs::create_directory(dir.path() / "out");
  fs::create_directory(dir.path() / "elsewhere");
  CliChild batch({"--batch", "-o", "out/{n}.png"}, dir.path(), CliChild::Input::Pipe);
  ASSERT_TRUE(batch.feed("ONE\n"));
  ASSERT_TRUE(waitFor([&] { return fs::exists(dir.path() / "out/1.png"); }));
  fs::rename(dir.path() / "out", dir.path() / "out.old");
  fs::create_directory_symlink("elsewhere", dir.path() / "out");
  ASSERT_TRUE(batch.feed("TWO\nTHREE\n"));
  batch.closeInput();
  EXPECT_EQ(batch.wait(), 0) << batch.err();
  EXPECT_EQ(pngCount(dir.path() / "out.old"), 3u);
  EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere"));
}

}  // namespace
