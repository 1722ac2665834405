#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dexmora {

// One line of the list: its 1-based number among all lines (empty ones
// included) and its bytes without the "\n" and one trailing "\r".
struct BatchLine {
  std::size_t number = 0;
  std::string bytes;
  bool tooLong = false;  // over the 1 MiB a line may hold; `bytes` is then empty
};

// The list a batch reads, a line at a time in a bounded buffer: a regular
// file (standard input included) can be read a second time from where it
// started; a pipe or terminal is read once, as it comes.
class BatchSource {
 public:
  BatchSource() = default;
  ~BatchSource();
  BatchSource(const BatchSource&) = delete;
  BatchSource& operator=(const BatchSource&) = delete;

  // Opens `path` ("" or "-" for standard input); "" or "cannot read ...: reason".
  std::string open(const std::string& path);
  bool rereadable() const { return m_rereadable; }
  // Back to the first line for the second reading; "" or why not.
  std::string rewind();
  // The next line, or false at the end or on a read error (then error() says why).
  bool next(BatchLine& line);
  const std::string& error() const { return m_error; }
  // Whether next() has a whole line without reading (and so without waiting).
  bool lineBuffered() const { return m_buffer.find('\n', m_used) != std::string::npos; }
  // A pipe may keep a reader waiting for its next line: with `stop` set, the
  // wait ends (as the list's end) once `stop()` is true.
  void stopWhen(bool (*stop)()) { m_stop = stop; }

 private:
  bool fill();

  int m_fd = -1;
  bool m_owned = false;
  bool m_rereadable = false;
  long long m_start = 0;  // offset of the first line
  std::string m_shownName;
  std::string m_buffer;
  std::size_t m_used = 0;  // bytes of m_buffer already handed out
  bool m_end = false;
  std::size_t m_number = 0;
  std::string m_error;
  bool (*m_stop)() = nullptr;
};

// A TSV line split at its TABs; `valid` is false when it has none, and
// `extra` is true when a second TAB starts a third column.
struct TsvFields {
  bool valid = false;
  bool extra = false;
  std::string_view name;
  std::string_view text;
};
TsvFields splitTsv(std::string_view line);

// Why `name` cannot be a file name in the output directory, or "". Control
// bytes, invalid UTF-8 and the bidirectional controls are refused unless
// `anyBytes`: a file name no terminal or file manager shows as it is.
std::string tsvNameProblem(std::string_view name, bool anyBytes);

}  // namespace dexmora
