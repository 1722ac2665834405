#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::string file(const std::string& name) const { return (m_path / name).string(); }
  // Names of the entries in the directory, sorted.
  std::vector<std::string> entries() const;

 private:
  std::filesystem::path m_path;
};

std::optional<std::vector<uint8_t>> readFileBytes(const std::string& path);
// The file's bytes as a string; empty when it cannot be read.
std::string readFileString(const std::filesystem::path& path);
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// What a shell command prints on its standard output.
std::string commandOutput(const std::string& command);
