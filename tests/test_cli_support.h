#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh directory under the system's temporary directory, removed with
// everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

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

std::string readFileBytes(const std::filesystem::path& path);

// An RGB raster read back from a PNG file.
struct PngPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgb;
};

// Reads `path` as 8-bit RGB; returns false when it is not a readable PNG.
bool readPng(const std::filesystem::path& path, PngPicture& picture);
