#include "dexmora_text/quoting.h"

#include "cli/batch_input.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/text_input.h"
#include <dexmora/error.h>

namespace dexmora {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;

}  // namespace

BatchSource::~BatchSource() {
  if (m_owned && m_fd >= 0) close(m_fd);
}

std::string BatchSource::open(const std::string& path) {
  if (path.empty() || path == "-") {
    announceTerminalInput(stdin);
    m_fd = STDIN_FILENO;
    m_shownName = "standard input";
  } else {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    m_shownName = dexmora::quoted(path);
    if (m_fd < 0) return "cannot read " + m_shownName + ": " + std::strerror(errno);
    m_owned = true;
  }
  struct stat st;
  m_start = lseek(m_fd, 0, SEEK_CUR);
  m_rereadable = fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) && m_start >= 0;
  return {};
}

std::string BatchSource::rewind() {
  if (!m_rereadable || lseek(m_fd, m_start, SEEK_SET) != m_start)
    return "cannot read " + m_shownName + " again: " + std::strerror(m_rereadable ? errno : ESPIPE);
  m_buffer.clear();
  m_used = 0;
  m_end = false;
  m_number = 0;
  return {};
}

// Reads another chunk after what is buffered; false at the end or on an error.
bool BatchSource::fill() {
  if (m_end) return false;
  while (m_stop && !m_rereadable) {
    if (m_stop()) {
      m_end = true;
      return false;
    }
    pollfd ready{m_fd, POLLIN, 0};
    const int polled = poll(&ready, 1, 100);
    if (polled > 0 || (polled < 0 && errno != EINTR)) break;
  }
  if (m_used > 0) {
    m_buffer.erase(0, m_used);
    m_used = 0;
  }
  const std::size_t kept = m_buffer.size();
  m_buffer.resize(kept + kChunk);
  ssize_t got;
  do got = read(m_fd, m_buffer.data() + kept, kChunk);
  while (got < 0 && errno == EINTR);
  m_buffer.resize(kept + (got > 0 ? static_cast<std::size_t>(got) : 0));
  if (got < 0) m_error = "cannot read " + m_shownName + ": " + std::strerror(errno);
  if (got <= 0) m_end = true;
  return got > 0;
}

bool BatchSource::next(BatchLine& line) {
  // A "\r" before the "\n" may come on top of the longest line allowed.
  constexpr std::size_t kLongest = DM_CLI_MAX_INPUT_BYTES + 1;
  line = BatchLine{};
  bool skipping = false;
  std::size_t searched = m_used;
  for (;;) {
    const std::size_t newline = m_buffer.find('\n', searched);
    const bool last = newline == std::string::npos && m_end;
    if (newline != std::string::npos || last) {
      if (last && m_used == m_buffer.size() && !skipping) return false;
      const std::size_t end = newline == std::string::npos ? m_buffer.size() : newline;
      if (!skipping && end - m_used <= kLongest) line.bytes.assign(m_buffer, m_used, end - m_used);
      line.tooLong = skipping || end - m_used > kLongest;
      m_used = newline == std::string::npos ? m_buffer.size() : newline + 1;
      break;
    }
    // Past the longest line allowed the bytes are dropped as they come.
    if (m_buffer.size() - m_used > kLongest) {
      skipping = true;
      m_used = m_buffer.size();
    }
    // fill() moves the bytes kept to the front of the buffer.
    searched = m_buffer.size() - m_used;
    fill();
    if (!m_error.empty()) return false;
  }
  if (!line.bytes.empty() && line.bytes.back() == '\r') line.bytes.pop_back();
  if (line.bytes.size() > DM_CLI_MAX_INPUT_BYTES) line.tooLong = true;
  if (line.tooLong) line.bytes.clear();
  line.number = ++m_number;
  return true;
}

TsvFields splitTsv(std::string_view line) {
  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos) return {};
  const std::string_view text = line.substr(tab + 1);
  return TsvFields{true, text.find('\t') != std::string_view::npos, line.substr(0, tab), text};
}

std::string tsvNameProblem(std::string_view name, bool anyBytes) {
  if (name.empty()) return "the name is empty";
  if (name == "." || name == "..") return "the name '" + std::string(name) + "' is not a file name";
  if (name.find('/') != std::string_view::npos) return "the name " + dexmora::quoted(name) + " contains '/'";
  if (name.find('\0') != std::string_view::npos) return "the name " + dexmora::quoted(name) + " contains a zero byte";
  if (anyBytes) return {};
  // What messages escape, a name may not hold: escaping then changes more
  // than the backslashes it doubles.
  std::size_t backslashes = 0;
  for (char c : name) backslashes += c == '\\';
  if (dexmora::escapeControlBytes(name).size() != name.size() + backslashes)
    return "the name " + dexmora::quoted(name) + " holds control characters or invalid UTF-8 (--tsv-any-name allows them)";
  return {};
}

}  // namespace dexmora
