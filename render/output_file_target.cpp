// OutputFile: finding the target as `>` would, and deciding where the
// content goes (in place, or a temporary beside the file it replaces).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "render/output_file.h"
#include "render/output_file_names.h"

namespace dexmora {

namespace {

// No O_TRUNC: opening only asks the kernel whether `>` could write here.
// O_NONBLOCK makes a FIFO without a reader fail with ENXIO instead of
// waiting for one.
constexpr int kTargetFlags = O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;

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

bool isSticky(const struct stat& dir) { return (dir.st_mode & S_ISVTX) != 0; }

}  // namespace

bool OutputFile::open() {
  if (m_stage != Stage::Closed) return fail(EINVAL, fileMessage(m_path, "the file is already open"));
  return m_baseFd < 0 ? openByPath() : openInDirectory();
}

bool OutputFile::openByPath() {
  // Our own streams are written through the descriptor we hold, sharing its
  // offset and O_APPEND: `-o /dev/stdout >> log` appends, a header written
  // before us stays.
  if (const int named = descriptorNamedBy(m_path); named >= 0) return writeThrough(named);
  if (m_path.empty()) return fileFailure(ENOENT);
  std::string dir;
  splitPath(m_path, dir, m_name);
  // `> dir/` says "Is a directory" whether or not it exists.
  if (m_name.empty()) return fileFailure(EISDIR);
  if (!refuseTemporaryName() || !openDirectory(dir)) return false;
  Target target;
  const int reason = openTarget(target);
  if (reason == ENOENT) {
    // A new name gets an O_TMPFILE linked in at commit, so a failure leaves no file at all.
    m_expectNew = true;
    const int created = createTemporary();
    return created == 0 || directoryFailure(created);
  }
  if (reason != 0) return targetFailure(reason);
  return adoptTarget(target);
}

// A closed descriptor fails as writing to it would, whatever stands in for it.
bool OutputFile::writeThrough(int descriptor) {
  if (!writableDescriptor(descriptor)) return fileFailure(EBADF);
  m_fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
  if (m_fd < 0) return fileFailure(errno);
  m_stage = Stage::InPlace;
  return true;
}

bool OutputFile::openInDirectory() {
  if (!enterSubdirectory() || !refuseTemporaryName()) return false;
  m_expectNew = true;
  const int created = createTemporary();
  if (created == 0) return true;
  // No temporary can be made here (a device directory, say), but `>` would
  // still write an existing device or pipe of that name in place.
  Target target;
  if (openTarget(target) == 0) {
    if (target.descriptor >= 0) return adoptTarget(target);
    struct stat st;
    if (fstat(target.fd, &st) == 0 && !S_ISREG(st.st_mode)) {
      m_expectNew = false;
      return adoptTarget(target);
    }
    close(target.fd);
  }
  return directoryFailure(created);
}

bool OutputFile::openDirectory(const std::string& dir) {
  // O_PATH needs no read permission on the directory, only what `>` needs.
  m_dirFd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (m_dirFd < 0) return fileFailure(errno);
  m_ownsDir = true;
  m_dirGiven = dir;
  return true;
}

// A name with '/' in it lies in a subdirectory of the caller's directory.
bool OutputFile::enterSubdirectory() {
  const size_t slash = m_name.rfind('/');
  if (slash == std::string::npos) {
    m_dirFd = m_baseFd;
    m_dir = m_baseName;
    m_dirGiven = m_baseName;
    return true;
  }
  const std::string sub = slash == 0 ? "/" : m_name.substr(0, slash);
  m_name.erase(0, slash + 1);
  if (m_name.empty()) return fileFailure(EISDIR);
  m_dirFd = openat(m_baseFd, sub.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (m_dirFd < 0) return fileFailure(errno);
  m_ownsDir = true;
  m_dirGiven = joinPath(m_baseName, sub);
  return true;
}

// Opens an existing target as `>` would and returns 0, or the errno (ENOENT
// when the name is free). A link is followed only after O_NOFOLLOW has shown
// it to be one, so a plain file costs a single open.
int OutputFile::openTarget(Target& target) {
  target = Target{};
  target.fd = openat(m_dirFd, m_name.c_str(), kTargetFlags | O_NOFOLLOW);
  if (target.fd >= 0) return 0;
  if (errno != ELOOP) return errno;
  // A link to one of our descriptors means that descriptor, as its own name does.
  target.descriptor = descriptorReachedBy(m_dirFd, m_name);
  if (target.descriptor >= 0) return 0;
  // Followed like `>` follows it: the kernel applies protected_symlinks here.
  target.viaLink = true;
  target.fd = openat(m_dirFd, m_name.c_str(), kTargetFlags);
  if (target.fd >= 0) return 0;
  if (errno != ENOENT) return errno;
  // A dangling link: `>` creates the file it points to, and only an open
  // through the link applies the kernel's rules to that (protected_symlinks,
  // the target directory's permissions). 0666: the kernel applies the umask
  // or the directory's default ACL itself.
  target.fd = openat(m_dirFd, m_name.c_str(), kTargetFlags | O_CREAT, 0666);
  if (target.fd < 0) return errno;
  target.created = true;
  return 0;
}

bool OutputFile::targetFailure(int errnum) {
  struct stat st;
  if (errnum == ENXIO && fstatat(m_dirFd, m_name.c_str(), &st, 0) == 0 && S_ISFIFO(st.st_mode))
    return fail(ENXIO, fileMessage(m_path, "no process has the FIFO open for reading"));
  return fileFailure(errnum);
}

// In a sticky directory the kernel refuses some existing files to `>`
// (protected_regular, protected_fifos), but it looks only when O_CREAT is
// given, which would create the name if it were missing. So an existing file
// there is opened a second time with O_CREAT, and that open decides. If the
// file changed in between, the second one counts; an empty file of ours that
// was not the first is taken as created by this open and removed on failure.
int OutputFile::obeyStickyDirectory(Target& target, struct stat& st) {
  if (target.created || !(S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode))) return 0;
  struct stat dir;
  if (target.viaLink) {
    std::string dirName, name;
    splitPath(nameOfDescriptor(target.fd), dirName, name);
    if (stat(dirName.c_str(), &dir) != 0 || !isSticky(dir)) return 0;
  } else if (fstat(m_dirFd, &dir) != 0 || !isSticky(dir)) {
    return 0;
  }
  const int fd = openat(m_dirFd, m_name.c_str(), kTargetFlags | O_CREAT | (target.viaLink ? 0 : O_NOFOLLOW), 0666);
  if (fd < 0) return errno;
  struct stat now;
  if (fstat(fd, &now) != 0) {
    closeKeepingErrno(fd);
    return errno;
  }
  close(target.fd);
  target.fd = fd;
  if (now.st_dev != st.st_dev || now.st_ino != st.st_ino)
    target.created = S_ISREG(now.st_mode) && now.st_size == 0 && now.st_uid == geteuid();
  st = now;
  return 0;
}

// `target` was found by open(); it is closed or kept here.
bool OutputFile::adoptTarget(Target target) {
  if (target.descriptor >= 0) return writeThrough(target.descriptor);
  struct stat st;
  if (fstat(target.fd, &st) != 0) {
    closeKeepingErrno(target.fd);
    return fileFailure(errno);
  }
  const int standard = standardDescriptorOn(st);
  if (standard >= 0) {
    close(target.fd);
    m_fd = fcntl(standard, F_DUPFD_CLOEXEC, 3);
    if (m_fd < 0) return fileFailure(errno);
    m_stage = Stage::InPlace;
    return true;
  }
  if (const int refused = obeyStickyDirectory(target, st); refused != 0) {
    closeKeepingErrno(target.fd);
    return fileFailure(refused);
  }
  if (!S_ISREG(st.st_mode)) {
    // A terminal, pipe or device: written in place like `>`; the new open
    // file description is ours alone, so clearing O_NONBLOCK affects no one else.
    const int flags = fcntl(target.fd, F_GETFL);
    if (flags != -1) fcntl(target.fd, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = target.fd;
    m_stage = Stage::InPlace;
    return true;
  }
  rememberReplaced(st, target.created);
  // Works in the directory of the file the kernel opened, so a link is
  // followed to the file it names and that file is replaced, as `>` would write it.
  const bool ok = !target.viaLink || useDirectoryOf(target.fd);
  close(target.fd);
  if (!ok) return false;
  const int created = createTemporary();
  return created == 0 || directoryFailure(created);
}

bool OutputFile::rememberReplaced(const struct stat& st, bool created) {
  m_replacing = !created;
  m_createdEmpty = created;
  m_mode = st.st_mode & 07777;
  m_uid = st.st_uid;
  m_gid = st.st_gid;
  m_links = st.st_nlink;
  m_dev = st.st_dev;
  m_ino = st.st_ino;
  return true;
}

// The name was taken when the complete temporary was to be linked to it: the
// target is opened now, as open() would have, and the content goes where it
// would have gone. The name may vanish again meanwhile; then it is linked.
bool OutputFile::takeOverExisting() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    Target target;
    const int reason = openTarget(target);
    if (reason == ENOENT) {
      const int linked = placeNew();
      if (linked == 0) {
        m_stage = Stage::Done;
        return true;
      }
      if (linked == EEXIST) continue;
      return directoryFailure(linked);
    }
    if (reason != 0) return targetFailure(reason);
    if (target.descriptor >= 0)
      return writableDescriptor(target.descriptor) ? writeInPlaceAtCommit(target.descriptor) : fileFailure(EBADF);
    struct stat st;
    if (fstat(target.fd, &st) != 0) {
      closeKeepingErrno(target.fd);
      return fileFailure(errno);
    }
    const int standard = standardDescriptorOn(st);
    if (const int refused = standard >= 0 ? 0 : obeyStickyDirectory(target, st); refused != 0) {
      closeKeepingErrno(target.fd);
      return fileFailure(refused);
    }
    if (standard >= 0 || !S_ISREG(st.st_mode)) {
      const bool ok = writeInPlaceAtCommit(standard >= 0 ? standard : target.fd);
      close(target.fd);
      return ok;
    }
    rememberReplaced(st, target.created);
    if (!target.viaLink) {
      close(target.fd);
      return true;
    }
    // The file lies elsewhere: the content moves to a temporary beside it.
    if (!m_temporaryName.empty()) {
      unlinkat(m_dirFd, m_temporaryName.c_str(), 0);
      m_temporaryName.clear();
      announceGone();
    }
    const int previous = std::exchange(m_fd, -1);
    const bool entered = useDirectoryOf(target.fd);
    close(target.fd);
    const int created = entered ? createTemporary() : 0;
    const int copied = entered && created == 0 ? copyContent(previous, m_fd) : 0;
    close(previous);
    if (!entered) return false;
    if (created != 0 || copied != 0) return directoryFailure(created != 0 ? created : copied);
    return true;
  }
  return directoryFailure(EEXIST);
}

bool OutputFile::writeInPlaceAtCommit(int target) {
  const int reason = copyContent(m_fd, target);
  if (reason != 0) return fileFailure(reason);
  m_stage = Stage::Done;
  return true;
}

bool OutputFile::useDirectoryOf(int target) {
  const std::string resolved = nameOfDescriptor(target);
  if (resolved.empty()) return fileFailure(ENOENT);
  std::string dir;
  splitPath(resolved, dir, m_name);
  if (m_ownsDir) close(m_dirFd);
  m_ownsDir = false;
  m_dir = dir;
  // Refused once in that directory, where abandon() finds an empty file the link's open made.
  return openDirectory(dir) && refuseTemporaryName(true);
}

}  // namespace dexmora
