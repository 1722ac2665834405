#pragma once

#include <filesystem>
#include <string>
#include <vector>

// One recorded output of the first release's squares: the text, the size
// asked for (0 automatic) and the SHA-256 of the default PNG and of the
// codewords line.
struct Golden {
  std::string text;
  int size = 0;
  std::string pngHash;
  std::string codewordsHash;
};

// The table kept beside the repository (its path comes from the build, since
// -ffile-prefix-map makes __FILE__ relative); empty when there is none.
const std::filesystem::path& goldenTablePath();
std::vector<Golden> readGoldens();

// The SHA-256 of `bytes` as coreutils' sha256sum prints it, as the table was
// recorded.
std::string sha256Hex(const std::string& bytes);
