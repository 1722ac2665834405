#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "png_reader.h"
#include "test_files.h"

struct CliRun {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;
  std::string err;
};

struct CliCall {
  std::vector<std::string> args;
  std::string input;                        // bytes fed to standard input
  std::filesystem::path workDir;            // working directory of the child
  std::string stdoutPath;                   // when set, standard output goes to this file instead
  long fileSizeLimit = -1;                  // RLIMIT_FSIZE in bytes for the child, -1 for none
  enum class Stdout { Truncate, Append, Closed } stdoutMode = Stdout::Truncate;  // how stdoutPath is opened
};

// The program the tests run: the build's dexmora-cli, or the one named by
// DEXMORA_CLI_UNDER_TEST (an installed or older build, to see which tests it fails).
std::string cliPath();

// Runs the built dexmora-cli with `call` and waits for it.
CliRun runCli(const CliCall& call);
CliRun runCli(const std::vector<std::string>& args, const std::string& input, const std::filesystem::path& workDir);

// The bytes 0x80 to 0xFF in order.
std::string highBytes();
// `count` letters A, B, ... Z, A, B, ...
std::string letters(std::size_t count);
// Side of the square picture of a `symbolSize` symbol: 5 pixels a module plus 20 of light margin.
inline std::size_t pictureSide(std::size_t symbolSize) { return 5 * symbolSize + 20; }

// The warning for a text that does not fit the requested 10x10 and gets 12x12.
inline constexpr const char* TOO_SMALL_WARNING = "dexmora-cli: warning: the text does not fit 10x10; using 12x12\n";

// Test name of a parameter case: its `name` field.
template <typename Case>
std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}
