// OutputDirectory: one directory handle for many files (batch work).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include <dexmora/output_file.h>
#include "render/output_file.h"
#include "render/output_file_names.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

OutputDirectory::OutputDirectory(int fd, std::string path, std::string absolute)
    : m_fd(fd), m_path(std::move(path)), m_absolute(std::move(absolute)) {}

OutputDirectory::OutputDirectory(OutputDirectory&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path)), m_absolute(std::move(other.m_absolute)) {}

OutputDirectory& OutputDirectory::operator=(OutputDirectory&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
    m_path = std::move(other.m_path);
    m_absolute = std::move(other.m_absolute);
  }
  return *this;
}

OutputDirectory::~OutputDirectory() {
  if (m_fd >= 0) close(m_fd);
}

Expected<OutputDirectory> OutputDirectory::open(const std::string& path) {
  const auto failure = [&path](int errnum) {
    return Error(ErrorCode::WriteFailed, "cannot write files in " + quoted(path) + ": " + errorText(errnum), errnum);
  };
  if (path.empty()) return failure(ENOENT);
  // O_PATH: only search permission is needed, as for `>` into the directory.
  const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failure(errno);
  std::string absolute = nameOfDescriptor(fd);
  if (absolute.empty()) absolute = path;
  return OutputDirectory(fd, path, std::move(absolute));
}

const std::string& OutputDirectory::path() const { return m_path; }
const std::string& OutputDirectory::absolutePath() const { return m_absolute; }

Expected<void> OutputDirectory::sync() const {
  // syncfs wants a descriptor that is more than a path.
  const int fd = openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int reason = fd < 0 ? errno : syncfs(fd) == 0 ? 0 : errno;
  if (fd >= 0) close(fd);
  if (reason == 0) return {};
  return Error(ErrorCode::WriteFailed,
               "cannot sync the files in " + quoted(m_path) + " to the disk: " + errorText(reason), reason);
}

Expected<WriteReport> writeFile(const OutputDirectory& directory, const std::string& name, std::string_view bytes,
                                const OutputFileOptions& options) {
  return writeFileTracked(directory, name, bytes, options, nullptr);
}

Expected<WriteReport> writeFileTracked(const OutputDirectory& directory, const std::string& name,
                                       std::string_view bytes, const OutputFileOptions& options,
                                       const TemporaryNamed& announce) {
  const std::string shown = joinPath(directory.path(), name);
  const int descriptor = detail::OutputDirectoryAccess::descriptor(directory);
  if (descriptor < 0 || name.empty()) {
    const int errnum = descriptor < 0 ? EBADF : ENOENT;
    return Error(ErrorCode::WriteFailed, fileMessage(shown, errorText(errnum)), errnum);
  }
  OutputFile file(descriptor, directory.absolutePath(), name, shown, WriteOptions{options.sync, announce});
  if (!(file.open() && file.write(bytes.data(), bytes.size()) && file.commit())) {
    return writeError(file.failure());
  }
  return WriteReport{file.warnings()};
}

}  // namespace dexmora
