// --verify's reader as a loadable module: what it reads through the C
// boundary, how the loader names each failure, and dexmora-cli finding it
// (or saying why not) only when --verify asks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <new>
#include <optional>
#include <ostream>
#include <thread>
#include <vector>

#include <dexmora/encode.h>
#include <dexmora/verify.h>

#include "cli/reader_loader.h"
#include "test_cli_support.h"
#include "test_render_support.h"

namespace fs = std::filesystem;
using namespace dexmora;

namespace {

const Reader& moduleReader() {
  static const LoadedReader loaded = loadReaderModule(READER_MODULE_PATH);
  if (!loaded.reader) throw std::runtime_error(loaded.error);
  return *loaded.reader;
}

// The default picture of `text`, as the reader gets it.
GreyPicture pictureOf(const std::string& text, const EncodeOptions& options) {
  const Symbol symbol = encode(text, options).value();
  return decodePngGrey(renderOutput(symbol, OutputFormat::Png, {}, true).value()).value();
}

struct ReadCase {
  const char* name;
  std::string text;
  EncodeOptions options;
  const char* identifier;  // nullptr: not compared
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

EncodeOptions optionsOf(int rows, int cols, bool gs1, std::optional<int> eci) {
  EncodeOptions options;
  options.setSize(rows, cols);
  options.setGs1(gs1);
  options.setEci(eci);
  return options;
}

class ReaderModuleReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReaderModuleReads, WhatTheLibraryWrote) {
  const ReadCase& c = GetParam();
  const GreyPicture picture = pictureOf(c.text, c.options);
  const std::optional<Reading> reading = moduleReader().read(picture.grey.data(), picture.width, picture.height);
  ASSERT_TRUE(reading.has_value());
  EXPECT_EQ(reading->bytes, expectationFor(c.text, c.options).bytes.value());
  if (c.identifier) {
    EXPECT_EQ(reading->symbologyIdentifier, c.identifier);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Module, ReaderModuleReads,
    ::testing::Values(ReadCase{"Digits", "123456", {}, "]d1"},
                      ReadCase{"Gs1", "[01]09521234543213[17]271231[10]AB-123", optionsOf(0, 0, true, {}), "]d2"},
                      ReadCase{"EciUtf8", "Gr\xC3\xBC\xC3\x9F" "e", optionsOf(0, 0, false, 26), nullptr},
                      ReadCase{"BytesWithNul", std::string("a\0b\xFF", 4), {}, "]d1"},
                      ReadCase{"Rectangle", "rectangular symbol", optionsOf(16, 48, false, {}), "]d1"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(ReaderModule, FindsNothingInABlankPicture) {
  const std::vector<uint8_t> blank(200 * 200, 255);
  EXPECT_FALSE(moduleReader().read(blank.data(), 200, 200).has_value());
}

// Batch verification reads on every worker at once.
TEST(ReaderModule, ServesSeveralThreadsAtOnce) {
  const GreyPicture picture = pictureOf("threads", {});
  std::vector<int> good(4, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < good.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        const std::optional<Reading> reading = moduleReader().read(picture.grey.data(), picture.width, picture.height);
        good[t] += reading && reading->bytes == "threads";
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(good, std::vector<int>(4, 25));
}

TEST(ReaderModule, ItsOutOfMemoryIsThrownOnTheProgramsSide) {
  const LoadedReader loaded = loadReaderModule(FAKE_OUT_OF_MEMORY_PATH);
  ASSERT_TRUE(loaded.reader) << loaded.error;
  const uint8_t pixel = 255;
  EXPECT_THROW(loaded.reader->read(&pixel, 1, 1), std::bad_alloc);
}

struct LoadFailure {
  const char* name;
  std::string path;  // "@TEXT" for a text file written by the test
  const char* reason;
};

void PrintTo(const LoadFailure& c, std::ostream* out) { *out << c.name; }

class ReaderModuleLoad : public ::testing::TestWithParam<LoadFailure> {};

TEST_P(ReaderModuleLoad, FailureNamesThePathAndTheCause) {
  const LoadFailure& c = GetParam();
  TempDir dir;
  std::string path = c.path;
  if (path == "@TEXT") {
    path = dir.file("reader.so");
    std::ofstream(path) << std::string(200, 'x');  // longer than an ELF header
  }
  const LoadedReader loaded = loadReaderModule(path);
  EXPECT_FALSE(loaded.reader);
  EXPECT_EQ(loaded.error, "--verify needs zxing-cpp's reader: " + path + " cannot be loaded: " + c.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Module, ReaderModuleLoad,
    ::testing::Values(
        LoadFailure{"Missing", "/nonexistent/dexmora-zxing-reader.so",
                    "cannot open shared object file: No such file or directory"},
        LoadFailure{"NotASharedObject", "@TEXT", "invalid ELF header"},
        LoadFailure{"WithoutTheEntryPoints", FAKE_NO_ENTRIES_PATH, "it is not a dexmora reader module"},
        LoadFailure{"ForAnotherVersion", FAKE_WRONG_ABI_PATH,
                    "it was built for another version of dexmora-cli (interface 1001, this one needs 1)"}),
    [](const ::testing::TestParamInfo<LoadFailure>& info) { return std::string(info.param.name); });

// DEXMORA_READER_MODULE for the children of one test, restored after it.
class ModuleOverride {
 public:
  explicit ModuleOverride(const std::string& path) { setenv("DEXMORA_READER_MODULE", path.c_str(), 1); }
  ~ModuleOverride() { unsetenv("DEXMORA_READER_MODULE"); }
  ModuleOverride(const ModuleOverride&) = delete;
  ModuleOverride& operator=(const ModuleOverride&) = delete;
};

TEST(CliReaderModule, VerifyFindsTheModuleInTheBuildTree) {
  TempDir dir;
  const CliRun run = runCli({"--verify", "-o", "a.png", "found"}, "", dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(fs::exists(dir.path() / "a.png"));
}

// Unavailable, not a mismatch: 69, one line, and the file already there kept.
TEST(CliReaderModule, MissingModuleIsExit69AndWritesNothing) {
  TempDir dir;
  const std::string missing = dir.file("none.so");
  const ModuleOverride override(missing);
  std::ofstream(dir.file("a.png")) << "before";
  const CliRun run = runCli({"--verify", "-o", "a.png", "hello"}, "", dir.path());
  EXPECT_EQ(run.status, 69);
  EXPECT_EQ(run.err, "dexmora-cli: --verify needs zxing-cpp's reader: " + missing +
                         " cannot be loaded: cannot open shared object file: No such file or directory\n");
  EXPECT_EQ(readFileString(dir.file("a.png")), "before");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.png"});
}

// A batch says it once, before any line, and writes nothing.
TEST(CliReaderModule, MissingModuleStopsABatchBeforeItsFirstLine) {
  TempDir dir;
  const std::string missing = dir.file("none.so");
  const ModuleOverride override(missing);
  const CliRun run = runCli({"--batch", "--verify", "-o", "{n}.png"}, "one\ntwo\nthree\n", dir.path());
  EXPECT_EQ(run.status, 69);
  EXPECT_EQ(run.err, "dexmora-cli: --verify needs zxing-cpp's reader: " + missing +
                         " cannot be loaded: cannot open shared object file: No such file or directory\n");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

TEST(CliReaderModule, WithoutVerifyTheModuleIsNeverLoaded) {
  TempDir dir;
  const ModuleOverride override(dir.file("none.so"));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-o", "a.png", "hello"}, {"-o", "a.pdf", "hello"}, {"--version"}}) {
    const CliRun run = runCli(args, "", dir.path());
    EXPECT_EQ(run.status, 0) << args[0] << ": " << run.err;
  }
}

}  // namespace
