#pragma once

#include <cstdint>
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
};

// Runs the built dexmora-cli with `call` and waits for it.
CliRun runCli(const CliCall& call);
CliRun runCli(const std::vector<std::string>& args, const std::string& input, const std::filesystem::path& workDir);
