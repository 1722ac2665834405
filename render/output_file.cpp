#include "render/output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include <dexmora/error.h>
#include "render/output_file_names.h"

namespace dexmora {

namespace {

// No O_CREAT/O_TRUNC: the probe only asks the kernel whether `>` could write
// here. O_NONBLOCK makes a FIFO without a reader fail with ENXIO instead of
// waiting for one.
constexpr int kProbeFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;

bool writableDescriptor(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}

// One of our descriptors 0-2 open for writing on the file `st` describes, or
// -1: the content then continues that stream at its offset, as the shell's
// `>/dev/stdout` would, instead of replacing the file under it.
int standardDescriptorOn(const struct stat& st) {
  for (int fd = 0; fd <= 2; ++fd) {
    struct stat s;
    if (fstat(fd, &s) == 0 && s.st_dev == st.st_dev && s.st_ino == st.st_ino && writableDescriptor(fd)) return fd;
  }
  return -1;
}

void closeKeepingErrno(int fd) {
  const int saved = errno;
  if (fd >= 0) close(fd);
  errno = saved;
}

bool isFifo(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

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

OutputFile::OutputFile(std::string path, OutputFileOptions options)
    : m_path(std::move(path)), m_options(std::move(options)) {}

OutputFile::~OutputFile() { abandon(); }

bool OutputFile::open() {
  if (m_stage != Stage::Closed) return fail(EINVAL, fileMessage(m_path, "the file is already open"));
  // Our own streams are written through the descriptor we hold, sharing its
  // offset and O_APPEND: `-o /dev/stdout >> log` appends, a header written
  // before us stays.
  const int named = descriptorNamedBy(m_path);
  if (named >= 0) {
    if (!writableDescriptor(named)) return fileFailure(EBADF);
    m_fd = fcntl(named, F_DUPFD_CLOEXEC, 3);
    if (m_fd < 0) return fileFailure(errno);
    m_stage = Stage::InPlace;
    return true;
  }
  if (m_path.empty()) return fileFailure(ENOENT);
  const int target = ::open(m_path.c_str(), kProbeFlags);
  if (target >= 0) return adoptTarget(target, false);
  if (errno == ENOENT) return openNewFile();
  if (errno == ENXIO && isFifo(m_path))
    return fail(ENXIO, fileMessage(m_path, "no process has the FIFO open for reading"));
  return fileFailure(errno);
}

// `target` is an open descriptor of what the path names; it is closed or kept here.
bool OutputFile::adoptTarget(int target, bool created) {
  struct stat st;
  if (fstat(target, &st) != 0) {
    closeKeepingErrno(target);
    return fileFailure(errno);
  }
  const int standard = standardDescriptorOn(st);
  if (standard >= 0) {
    close(target);
    m_fd = fcntl(standard, F_DUPFD_CLOEXEC, 3);
    if (m_fd < 0) return fileFailure(errno);
    m_stage = Stage::InPlace;
    return true;
  }
  if (!S_ISREG(st.st_mode)) {
    // A terminal, pipe or device: written in place like `>`; the new open
    // file description is ours alone, so clearing O_NONBLOCK affects no one else.
    const int flags = fcntl(target, F_GETFL);
    if (flags != -1) fcntl(target, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = target;
    m_stage = Stage::InPlace;
    return true;
  }
  m_replacing = !created;
  m_createdEmpty = created;
  m_mode = st.st_mode & 07777;
  m_uid = st.st_uid;
  m_gid = st.st_gid;
  m_links = st.st_nlink;
  m_dev = st.st_dev;
  m_ino = st.st_ino;
  const bool ok = useDirectoryOf(target);
  close(target);
  return ok && createTemporary();
}

// The path names nothing, or a dangling link. A plain new name gets its file
// from an O_TMPFILE linked in at commit, so a failure leaves no file at all.
// A dangling link is another matter: `>` creates the file it points to, and
// only open() through the link applies the kernel's rules to that
// (protected_symlinks, the target directory's permissions), so the empty file
// is created that way, replaced by the complete content at commit and
// removed again on failure.
bool OutputFile::openNewFile() {
  struct stat st;
  if (lstat(m_path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // 0666: the kernel applies the umask (or the directory's default ACL) itself.
    const int target = ::open(m_path.c_str(), kProbeFlags | O_CREAT, 0666);
    if (target < 0) return fileFailure(errno);
    return adoptTarget(target, true);
  }
  std::string dir;
  splitPath(m_path, dir, m_name);
  // `> dir/` says "Is a directory" whether or not it exists.
  if (m_name.empty()) return fileFailure(EISDIR);
  return openDirectory(dir) && createTemporary();
}

// Works in the directory of the file the kernel opened, so a link is followed
// to the file it names and that file is replaced, as `>` would write it.
bool OutputFile::useDirectoryOf(int target) {
  const std::string resolved = nameOfDescriptor(target);
  if (resolved.empty()) return fileFailure(ENOENT);
  std::string dir;
  splitPath(resolved, dir, m_name);
  return openDirectory(dir);
}

bool OutputFile::openDirectory(const std::string& dir) {
  // O_PATH needs no read permission on the directory, only what `>` needs.
  m_dirFd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (m_dirFd < 0) return fileFailure(errno);
  m_dirGiven = dir;
  return true;
}

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

bool OutputFile::createTemporary() {
  m_fd = openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (m_fd >= 0) {
    m_anonymous = true;
    m_stage = Stage::Temporary;
    return true;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return directoryFailure(creationError(errno));
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = randomTemporaryName(m_name);
    // Announced before it exists, so no instant has a file the hook does not know.
    announce(directoryName() + "/" + name);
    m_fd = openat(m_dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
      m_temporaryName = name;
      m_stage = Stage::Temporary;
      // Unlike an O_TMPFILE this one can be opened by name while it fills:
      // no wider access than the file it replaces until keepOwnerAndMode.
      if (m_replacing || m_createdEmpty) fchmod(m_fd, m_mode & 0600);
      return true;
    }
    if (errno != EEXIST) break;
  }
  announce("");
  return directoryFailure(errno);
}

int OutputFile::fd() const { return m_fd; }

std::FILE* OutputFile::stream() {
  if (m_stream || m_fd < 0) return m_stream;
  // On a duplicate, so that closing the stream leaves m_fd for the sync and link.
  const int copy = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return nullptr;
  m_stream = fdopen(copy, "wb");
  if (!m_stream) closeKeepingErrno(copy);
  return m_stream;
}

bool OutputFile::write(const void* data, size_t size) {
  if (m_fd < 0) return fail(EBADF, fileMessage(m_path, errorText(EBADF)));
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(m_fd, bytes, size);
    if (n > 0) {
      bytes += n;
      size -= static_cast<size_t>(n);
    } else if (n == 0) {
      return fileFailure(EIO);
    } else if (errno == EAGAIN) {
      if (!waitUntilWritable(m_fd)) return fileFailure(errno);
    } else if (errno != EINTR) {
      return fileFailure(errno);
    }
  }
  return true;
}

bool OutputFile::commit() {
  if (m_stage != Stage::InPlace && m_stage != Stage::Temporary) {
    if (m_failure.errnum == 0) fail(EBADF, fileMessage(m_path, "the file is not open"));
    return false;
  }
  if (!closeStream()) return false;
  if (m_stage == Stage::InPlace) {
    const int fd = std::exchange(m_fd, -1);
    m_stage = Stage::Done;
    if (close(fd) != 0 && errno != EINTR) return fileFailure(errno);
    return true;
  }
  if (m_replacing || m_createdEmpty) keepOwnerAndMode();
  // Before the rename, or a power loss could leave the name on an empty file.
  if (m_replacing && m_options.sync == SyncPolicy::WhenReplacing && fsync(m_fd) != 0) return fileFailure(errno);
  if (!placeTemporary()) return false;
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

bool OutputFile::placeTemporary() {
  // A new name needs no rename: linking the complete file straight to it is
  // just as atomic and saves a link and a rename per file. If the name
  // appeared meanwhile, the hidden name and rename below replace it as before.
  if (m_anonymous && !m_replacing && !m_createdEmpty && linkByDescriptor(m_name) == 0) {
    m_anonymous = false;
    return true;
  }
  if (m_anonymous && !linkTemporary()) return false;
  if (renameat(m_dirFd, m_temporaryName.c_str(), m_dirFd, m_name.c_str()) != 0)
    return directoryAtFault(errno) ? directoryFailure(errno) : fileFailure(errno);
  m_temporaryName.clear();
  announce("");
  m_createdEmpty = false;
  return true;
}

// Gives the complete O_TMPFILE its fixed hidden name through /proc, which needs
// no capability (AT_EMPTY_PATH would need CAP_DAC_READ_SEARCH). A SIGKILL can
// only leave this name behind in the instant before the rename; the next
// write to the same target finds it (EEXIST) and removes it.
bool OutputFile::linkTemporary() {
  const std::string name = linkedTemporaryName(m_name);
  announce(directoryName() + "/" + name);
  int reason = linkByDescriptor(name);
  if (reason == EEXIST) {
    unlinkat(m_dirFd, name.c_str(), 0);
    reason = linkByDescriptor(name);
  }
  if (reason == 0) {
    m_temporaryName = name;
    m_anonymous = false;
    return true;
  }
  announce("");
  return directoryAtFault(reason) ? directoryFailure(reason) : fileFailure(reason);
}

// 0 or the errno of the link through /proc.
int OutputFile::linkByDescriptor(const std::string& name) const {
  const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
  if (linkat(AT_FDCWD, self.c_str(), m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int reason = errno;
  // Without /proc mounted, AT_EMPTY_PATH still serves a process that has the capability.
  if (reason == ENOENT && linkat(m_fd, "", m_dirFd, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  return reason;
}

void OutputFile::abandon() {
  const int saved = errno;
  if (m_stream) std::fclose(std::exchange(m_stream, nullptr));
  if (m_fd >= 0) close(std::exchange(m_fd, -1));
  if (!m_temporaryName.empty()) {
    unlinkat(m_dirFd, m_temporaryName.c_str(), 0);
    m_temporaryName.clear();
    announce("");
  }
  if (m_createdEmpty) removeCreatedEmptyFile();
  if (m_dirFd >= 0) close(std::exchange(m_dirFd, -1));
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

void OutputFile::announce(const std::string& name) const {
  if (m_options.temporaryNamed) m_options.temporaryNamed(name);
}

// The first failure is the one reported; cleaning up after it may fail again.
bool OutputFile::fail(int errnum, std::string message) {
  if (m_failure.errnum == 0) m_failure = {errnum, std::move(message)};
  abandon();
  return false;
}

bool OutputFile::fileFailure(int errnum) { return fail(errnum, fileMessage(m_path, errorText(errnum))); }

bool OutputFile::directoryFailure(int errnum) {
  return fail(errnum, directoryMessage(m_path, directoryName(), errnum));
}

Expected<WriteReport> writeFile(const std::string& path, std::string_view bytes, const OutputFileOptions& options) {
  OutputFile file(path, options);
  if (!(file.open() && file.write(bytes.data(), bytes.size()) && file.commit())) {
    return Error(ErrorCode::WriteFailed, file.failure().message, file.failure().errnum);
  }
  return WriteReport{file.warnings()};
}

}  // namespace dexmora
