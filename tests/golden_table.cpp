#include "golden_table.h"

#include <fstream>
#include <sstream>

#include "test_files.h"

const std::filesystem::path& goldenTablePath() {
  static const std::filesystem::path path = DEXMORA_GOLDEN_FILE;
  return path;
}

std::vector<Golden> readGoldens() {
  std::ifstream in(goldenTablePath());
  std::vector<Golden> goldens;
  std::string line;
  // The first line names the columns.
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string hex;
    Golden golden;
    fields >> hex >> golden.size >> golden.pngHash >> golden.codewordsHash;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) golden.text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    goldens.push_back(golden);
  }
  return goldens;
}

std::string sha256Hex(const std::string& bytes) {
  TempDir dir;
  const std::string path = dir.file("bytes");
  writeFileBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return commandOutput("sha256sum < '" + path + "'").substr(0, 64);
}
