#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>

namespace dexmora {

// A batch's -o template: literal text with {n} (the line number), {n:0W} (the
// same, zero-padded to W digits) and {name} (the TSV name) in it.
class NameTemplate {
 public:
  static Expected<NameTemplate> parse(std::string_view text, bool tsv);

  std::string expand(std::size_t lineNumber, std::string_view name) const;
  bool usesNumber() const { return m_usesNumber; }
  bool usesName() const { return m_usesName; }
  // The directory every expanded name lies in: the template up to the last
  // '/' before its first field ("." when there is none).
  const std::string& fixedDirectory() const { return m_fixedDirectory; }
  // An expanded name relative to fixedDirectory().
  std::string relativeName(const std::string& expanded) const { return expanded.substr(m_directoryPrefix); }

 private:
  enum class Kind { Literal, Number, Name };
  struct Piece {
    Kind kind = Kind::Literal;
    std::string text;  // Literal only
    int width = 0;     // Number: zero-padded to this many digits
  };

  std::vector<Piece> m_pieces;
  bool m_usesNumber = false;
  bool m_usesName = false;
  std::string m_fixedDirectory = ".";
  std::size_t m_directoryPrefix = 0;  // bytes of the template before the first name inside fixedDirectory()
};

}  // namespace dexmora
