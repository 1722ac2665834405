#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace dexmora {

// The whole list a batch reads, or why it could not be read.
struct BatchInput {
  std::string bytes;
  std::string error;  // "cannot read ...: reason" when the read failed
};

// Reads `path` ("" or "-" for standard input) to its end.
BatchInput readBatchInput(const std::string& path);

// One line of the list: its 1-based number among all lines (empty ones
// included) and its bytes without the "\n" and one trailing "\r".
struct BatchLine {
  std::size_t number = 0;
  std::string_view bytes;
};

// Steps through the lines of `bytes`, which must outlive it; a final line
// without "\n" counts, an empty tail after the last "\n" does not.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view bytes) : m_rest(bytes) {}
  bool next(BatchLine& line);

 private:
  std::string_view m_rest;
  std::size_t m_number = 0;
};

// The non-empty lines handed to worker threads one at a time, in order.
class SharedLines {
 public:
  explicit SharedLines(std::string_view bytes) : m_lines(bytes) {}
  bool next(BatchLine& line);

 private:
  std::mutex m_mutex;
  LineSplitter m_lines;
};

// A TSV line split at its first TAB; `valid` is false when it has none.
struct TsvFields {
  bool valid = false;
  std::string_view name;
  std::string_view text;
};
TsvFields splitTsv(std::string_view line);

// Why `name` cannot be a file name in the output directory, or "".
std::string tsvNameProblem(std::string_view name);

}  // namespace dexmora
