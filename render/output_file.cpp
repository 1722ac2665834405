// OutputFile: the content, its temporary, and putting it in place.
#include "render/output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include <dexmora/error.h>
#include "render/output_file_names.h"
#include "render/output_file_temporary.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

namespace {

// Whether a failed link, rename or create is the directory's fault rather
// than the file's, so the message names the directory.
bool directoryAtFault(int errnum) {
  switch (errnum) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOSPC:
    case EDQUOT:
    case EMLINK:
      return true;
    default:
      return false;
  }
}

// A descriptor inherited from the caller may be non-blocking; the content
// must still arrive whole.
bool waitUntilWritable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  return poll(&p, 1, -1) >= 0 || errno == EINTR;
}

}  // namespace

int writeAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n > 0) {
      bytes += n;
      size -= static_cast<size_t>(n);
    } else if (n == 0) {
      return EIO;
    } else if (errno == EAGAIN) {
      if (!waitUntilWritable(fd)) return errno;
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

int copyContent(int from, int to) {
  char buffer[65536];
  for (off_t offset = 0;;) {
    const ssize_t n = pread(from, buffer, sizeof buffer, offset);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (const int reason = writeAll(to, buffer, static_cast<size_t>(n)); reason != 0) return reason;
    offset += n;
  }
}

OutputFile::OutputFile(std::string path, WriteOptions options)
    : m_path(std::move(path)), m_options(std::move(options)) {}

OutputFile::OutputFile(int dirFd, std::string dirName, std::string name, std::string shownPath,
                       WriteOptions options)
    : m_path(std::move(shownPath)),
      m_options(std::move(options)),
      m_baseFd(dirFd),
      m_baseName(std::move(dirName)),
      m_name(std::move(name)) {}

OutputFile::~OutputFile() { abandon(); }

// The directory's absolute name, looked up only when a message or the hook
// needs it: most writes never do.
const std::string& OutputFile::directoryName() {
  if (m_dir.empty()) m_dir = nameOfDescriptor(m_dirFd);
  if (m_dir.empty()) m_dir = m_dirGiven;
  return m_dir;
}

// A directory removed while still open (a deleted current directory) takes
// no new files; the kernel says EPERM for an O_TMPFILE there, which would
// blame permissions.
int OutputFile::creationError(int errnum) const {
  struct stat st;
  return fstat(m_dirFd, &st) == 0 && st.st_nlink == 0 ? ENOENT : errnum;
}

// 0 or the errno. Read and write: the content may have to be copied on at
// commit, and the lock a temporary is held under needs a writable descriptor.
int OutputFile::createTemporary() {
  m_fd = openat(m_dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (m_fd >= 0) {
    m_anonymous = true;
    m_stage = Stage::Temporary;
    return 0;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return creationError(errno);
  return createNamedTemporary();
}

// Where the file system has no O_TMPFILE, the temporary is made under its
// hidden name at once, locked before anything is written to it. A cleaner
// that got between the create and the lock wins; the writer moves on.
int OutputFile::createNamedTemporary() {
  struct stat st;
  const auto place = [&](const std::string& hidden) {
    const int fd = openat(m_dirFd, hidden.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    if (!lockTemporary(fd) || fstat(fd, &st) != 0 || st.st_nlink == 0) {
      close(fd);
      return EEXIST;
    }
    m_fd = fd;
    return 0;
  };
  const int reason = claimTemporarySlot(m_dirFd, m_name, place, m_slot, m_temporaryName);
  if (reason != 0) {
    m_temporaryName.clear();
    return creationError(reason);
  }
  m_stage = Stage::Temporary;
  announce(m_temporaryName);
  // Unlike an O_TMPFILE this one can be opened by name while it fills: no
  // wider access than the file it replaces until keepOwnerAndMode.
  if (m_replacing || m_createdEmpty) fchmod(m_fd, m_mode & 0600);
  return 0;
}

int OutputFile::fd() const { return m_fd; }

std::FILE* OutputFile::stream() {
  if (m_stream || m_fd < 0) return m_stream;
  // On a duplicate, so that closing the stream leaves m_fd for the sync and link.
  const int copy = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return nullptr;
  m_stream = fdopen(copy, "wb");
  if (!m_stream) {
    const int saved = errno;
    close(copy);
    errno = saved;
  }
  return m_stream;
}

bool OutputFile::write(const void* data, size_t size) {
  if (m_fd < 0) return fail(EBADF, fileMessage(m_path, errorText(EBADF)));
  const int reason = writeAll(m_fd, data, size);
  return reason == 0 || fileFailure(reason);
}

bool OutputFile::commit() {
  if (m_stage != Stage::InPlace && m_stage != Stage::Temporary) {
    if (m_failure.message.empty()) fail(EBADF, fileMessage(m_path, "the file is not open"));
    return false;
  }
  if (!closeStream()) return false;
  if (m_stage == Stage::InPlace) {
    const int fd = std::exchange(m_fd, -1);
    m_stage = Stage::Done;
    if (close(fd) != 0 && errno != EINTR) return fileFailure(errno);
    return true;
  }
  if (m_expectNew) {
    // A new name needs no rename: linking the complete file straight to it
    // is just as atomic. Only a name that turns out to be taken is opened.
    const int linked = placeNew();
    if (linked != 0 && linked != EEXIST)
      return directoryAtFault(linked) ? directoryFailure(linked) : fileFailure(linked);
    m_expectNew = false;
    if (linked == EEXIST && !takeOverExisting()) return false;
    if (linked == 0 || m_stage == Stage::Done) {
      abandon();
      return true;
    }
  }
  if (m_replacing || m_createdEmpty) keepOwnerAndMode();
  // Before the rename, or a power loss could leave the name on an empty file.
  if (m_replacing && m_options.sync == SyncPolicy::WhenReplacing && fsync(m_fd) != 0) return fileFailure(errno);
  if (!placeReplacing()) return false;
  if (m_links > 1)
    m_warnings.push_back(quoted(m_path) + " had other hard links; they keep the old content");
  abandon();  // closes what is left; nothing remains to remove
  return true;
}

bool OutputFile::closeStream() {
  if (!m_stream) return true;
  std::FILE* stream = std::exchange(m_stream, nullptr);
  int reason = 0;
  if (std::fflush(stream) != 0 || std::ferror(stream)) reason = errno != 0 ? errno : EIO;
  if (std::fclose(stream) != 0 && reason == 0) reason = errno;
  return reason == 0 || fileFailure(reason);
}

// fchown first: changing the owner clears set-id bits that fchmod then restores.
// Neither is fatal (some file systems keep no owners or modes): the content
// arrived, and the user is told what did not.
void OutputFile::keepOwnerAndMode() {
  struct stat st;
  if (fstat(m_fd, &st) != 0) return;
  if (geteuid() == 0 && (st.st_uid != m_uid || st.st_gid != m_gid) && fchown(m_fd, m_uid, m_gid) != 0)
    m_warnings.push_back(fileMessage(m_path, "owner not kept: " + errorText(errno)));
  if ((st.st_mode & 07777) != m_mode && fchmod(m_fd, m_mode) != 0)
    m_warnings.push_back(fileMessage(m_path, "mode not kept: " + errorText(errno)));
}

// Links the complete temporary to the free name m_name; 0 or the errno (EEXIST: taken).
int OutputFile::placeNew() {
  if (m_anonymous) {
    const int reason = linkByDescriptor(m_name);
    if (reason == 0) m_anonymous = false;
    return reason;
  }
  if (linkat(m_dirFd, m_temporaryName.c_str(), m_dirFd, m_name.c_str(), 0) != 0) return errno;
  unlinkat(m_dirFd, m_temporaryName.c_str(), 0);
  m_temporaryName.clear();
  announceGone();
  return 0;
}

// The complete temporary gets its hidden name (under its lock, taken before
// the name exists) and is renamed over the target; then the leftovers of
// dead writers in the next slots go.
bool OutputFile::placeReplacing() {
  if (m_anonymous) {
    if (!lockTemporary(m_fd)) return fileFailure(errno);
    const auto place = [this](const std::string& hidden) {
      announce(hidden);
      const int reason = linkByDescriptor(hidden);
      if (reason != 0) announceGone();
      return reason;
    };
    const int reason = claimTemporarySlot(m_dirFd, m_name, place, m_slot, m_temporaryName);
    if (reason != 0) {
      m_temporaryName.clear();
      return directoryAtFault(reason) ? directoryFailure(reason) : fileFailure(reason);
    }
    m_anonymous = false;
  }
  if (renameat(m_dirFd, m_temporaryName.c_str(), m_dirFd, m_name.c_str()) != 0)
    return directoryAtFault(errno) ? directoryFailure(errno) : fileFailure(errno);
  m_temporaryName.clear();
  announceGone();
  m_createdEmpty = false;
  removeLeftoversAfter(m_dirFd, m_name, m_slot);
  return true;
}

// 0 or the errno of linking the O_TMPFILE to `name`. AT_EMPTY_PATH needs no
// capability for a file this process opened on current kernels; older ones
// say ENOENT without CAP_DAC_READ_SEARCH, and there /proc serves instead.
int OutputFile::linkByDescriptor(const std::string& name) const {
  if (linkat(m_fd, "", m_dirFd, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT) return errno;
  const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
  return linkat(AT_FDCWD, self.c_str(), m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

void OutputFile::abandon() {
  const int saved = errno;
  if (m_stream) std::fclose(std::exchange(m_stream, nullptr));
  // The hidden name goes while its lock is still held: once the descriptor
  // closes, another writer may make a file of that name.
  if (!m_temporaryName.empty()) {
    unlinkat(m_dirFd, m_temporaryName.c_str(), 0);
    m_temporaryName.clear();
    announceGone();
  }
  if (m_fd >= 0) close(std::exchange(m_fd, -1));
  if (m_createdEmpty) removeCreatedEmptyFile();
  if (m_ownsDir && m_dirFd >= 0) close(m_dirFd);
  m_dirFd = -1;
  m_ownsDir = false;
  m_stage = Stage::Done;
  errno = saved;
}

// Only if the name still holds the empty file open() made: someone may have
// written there since.
void OutputFile::removeCreatedEmptyFile() {
  m_createdEmpty = false;
  struct stat st;
  if (fstatat(m_dirFd, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == m_dev && st.st_ino == m_ino &&
      st.st_size == 0)
    unlinkat(m_dirFd, m_name.c_str(), 0);
}

void OutputFile::announce(const std::string& hidden) {
  if (!m_options.temporaryNamed) return;
  struct stat st;
  if (fstat(m_fd, &st) != 0) return;
  m_options.temporaryNamed(
      NamedTemporary{joinPath(directoryName(), hidden), static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)});
}

void OutputFile::announceGone() {
  if (m_options.temporaryNamed) m_options.temporaryNamed(NamedTemporary{});
}

// The first failure is the one reported; cleaning up after it may fail again.
bool OutputFile::fail(int errnum, std::string message, ErrorCode code) {
  if (m_failure.message.empty()) m_failure = {errnum, std::move(message), code};
  abandon();
  return false;
}

// A file under a hidden name would pass for a dead writer's leftover, which
// the next write of the target it seems to belong to removes.
bool OutputFile::refuseTemporaryName(bool throughLink) {
  if (!isTemporaryName(m_name)) return true;
  const std::string leads = throughLink ? "it leads to " + quoted(m_name) + ", and " : "";
  return fail(EINVAL,
              fileMessage(m_path, leads + "names of the form .NAME.N.dexmora-tmp are temporary files, which writers "
                                          "remove; choose another name"),
              ErrorCode::BadOption);
}

bool OutputFile::fileFailure(int errnum) { return fail(errnum, fileMessage(m_path, errorText(errnum))); }

bool OutputFile::directoryFailure(int errnum) {
  return fail(errnum, directoryMessage(m_path, directoryName(), errnum));
}

Error writeError(const WriteFailure& failure) {
  return Error(failure.code, failure.message, failure.code == ErrorCode::WriteFailed ? failure.errnum : 0);
}

Expected<WriteReport> writeFile(const std::string& path, std::string_view bytes, const OutputFileOptions& options) {
  return writeFileTracked(path, bytes, options, nullptr);
}

Expected<WriteReport> writeFileTracked(const std::string& path, std::string_view bytes,
                                       const OutputFileOptions& options, const TemporaryNamed& announce) {
  OutputFile file(path, WriteOptions{options.sync, announce});
  if (!(file.open() && file.write(bytes.data(), bytes.size()) && file.commit())) {
    return writeError(file.failure());
  }
  return WriteReport{file.warnings()};
}

}  // namespace dexmora
