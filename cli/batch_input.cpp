#include "cli/batch_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/text_input.h"
#include <dexmora/error.h>

namespace dexmora {

namespace {

// Appends everything `fd` holds to `out`; 0 or the errno of a failed read.
int readAll(int fd, std::string& out) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  for (;;) {
    const std::size_t used = out.size();
    out.resize(used + kChunk);
    const ssize_t got = read(fd, out.data() + used, kChunk);
    out.resize(used + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got == 0) return 0;
    if (got < 0 && errno != EINTR) return errno;
  }
}

}  // namespace

BatchInput readBatchInput(const std::string& path) {
  BatchInput input;
  if (path.empty() || path == "-") {
    announceTerminalInput(stdin);
    if (const int err = readAll(STDIN_FILENO, input.bytes); err != 0) {
      input.error = std::string("cannot read standard input: ") + std::strerror(err);
    }
    return input;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int err = fd < 0 ? errno : readAll(fd, input.bytes);
  if (fd >= 0) close(fd);
  if (err != 0) input.error = "cannot read '" + escapeControlBytes(path) + "': " + std::strerror(err);
  return input;
}

bool LineSplitter::next(BatchLine& line) {
  if (m_rest.empty()) return false;
  const std::size_t end = m_rest.find('\n');
  std::string_view bytes = m_rest.substr(0, end);
  m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
  if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
  line.number = ++m_number;
  line.bytes = bytes;
  return true;
}

bool SharedLines::next(BatchLine& line) {
  std::lock_guard<std::mutex> lock(m_mutex);
  while (m_lines.next(line)) {
    if (!line.bytes.empty()) return true;
  }
  return false;
}

TsvFields splitTsv(std::string_view line) {
  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos) return {};
  return TsvFields{true, line.substr(0, tab), line.substr(tab + 1)};
}

std::string tsvNameProblem(std::string_view name) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name '" + std::string(name) + "' is not a file name";
  if (name.find('/') != std::string_view::npos) return "the name '" + escapeControlBytes(name) + "' contains '/'";
  if (name.find('\0') != std::string_view::npos) return "the name '" + escapeControlBytes(name) + "' contains a zero byte";
  return {};
}

}  // namespace dexmora
