#pragma once

// Every output format writes its file through OutputFile. It behaves like a
// careful shell redirect (`>`) plus an atomic replace: the target is opened
// through the kernel first, so its checks (permissions, protected_symlinks,
// and in a sticky directory protected_regular and protected_fifos) refuse
// what `>` would refuse; devices, pipes and our own standard streams are
// written in place; a regular file is replaced by rename, never truncated.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <dexmora/output_file.h>

#include "dexmora_render/tracked_write.h"

namespace dexmora {

// Copies everything `from` holds (from its start, by pread) to `to`, waiting
// out a non-blocking `to`; 0 or the errno.
int copyContent(int from, int to);

// Writes all `size` bytes to `fd`, retrying short writes; 0 or the errno.
int writeAll(int fd, const void* data, size_t size);

// Why a write failed: errno and one line naming the path (or its directory,
// when the directory is the problem) and the cause, control bytes escaped.
struct WriteFailure {
  int errnum = 0;
  std::string message;
  ErrorCode code = ErrorCode::WriteFailed;  // BadOption: a target the writer refuses to use
};

// The failure as the library's Error.
Error writeError(const WriteFailure& failure);

// How one file is written: the caller's options and, for a program that
// removes temporaries on a signal, whom to tell of them.
struct WriteOptions {
  SyncPolicy sync = SyncPolicy::WhenReplacing;
  TemporaryNamed temporaryNamed;
};

// The descriptor of an OutputDirectory, for the writer alone.
struct detail::OutputDirectoryAccess {
  static int descriptor(const OutputDirectory& directory) { return directory.m_fd; }
};

// One output file: open(), write the content through write(), fd() or
// stream() (one of them, not mixed), then commit(). Whatever was made is
// removed on every failure path and when the object goes without a commit.
// Touches no process-wide state (umask, cwd), so threads may each own one.
class OutputFile {
 public:
  explicit OutputFile(std::string path, WriteOptions options = {});
  // The file `name` (which may reach into subdirectories) in the directory
  // `dirFd`, which must outlive this object; `dirName` is its absolute name
  // and messages quote `shownPath`. No look-up before the content is
  // complete: a name that does not exist costs one link at commit().
  OutputFile(int dirFd, std::string dirName, std::string name, std::string shownPath, WriteOptions options = {});
  ~OutputFile();  // abandons an uncommitted file
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks the target and prepares where the content goes: the target's own
  // descriptor for devices, pipes and our standard streams, else a temporary
  // in the directory of the file the path resolves to. False with failure() set.
  bool open();
  // The descriptor the content goes to, owned by this object; -1 when not open.
  int fd() const;
  // A stdio stream on fd(), owned by this object (closed by commit/abandon);
  // null when not open or out of memory.
  std::FILE* stream();
  // Writes all `size` bytes to fd(), retrying short writes. False with failure() set.
  bool write(const void* data, size_t size);
  // Completes the write: flushes and checks everything, then (for a regular
  // file) gives the temporary the old file's mode and owner, syncs it when
  // replacing, and renames it over the target. False with failure() set and
  // nothing left behind.
  bool commit();
  // Drops the content and removes whatever open() made; safe to call twice.
  void abandon();

  const WriteFailure& failure() const { return m_failure; }
  // Things the caller should tell the user although the write succeeded.
  const std::vector<std::string>& warnings() const { return m_warnings; }

 private:
  enum class Stage : uint8_t { Closed, InPlace, Temporary, Done };
  // An existing target as openTarget() found it.
  struct Target {
    int fd = -1;
    bool viaLink = false;  // reached through a symbolic link
    bool created = false;  // the empty file a dangling link pointed to, made by this open
    int descriptor = -1;   // the link leads to this descriptor of ours (fd is then -1)
  };

  bool openByPath();
  bool openInDirectory();
  bool writeThrough(int descriptor);
  bool openDirectory(const std::string& dir);
  bool enterSubdirectory();
  int openTarget(Target& target);
  bool targetFailure(int errnum);
  int obeyStickyDirectory(Target& target, struct stat& st);
  bool adoptTarget(Target target);
  bool takeOverExisting();
  bool writeInPlaceAtCommit(int target);
  bool rememberReplaced(const struct stat& st, bool created);
  bool useDirectoryOf(int target);
  bool refuseTemporaryName(bool throughLink = false);
  const std::string& directoryName();
  int creationError(int errnum) const;
  int createTemporary();
  int createNamedTemporary();
  bool closeStream();
  void keepOwnerAndMode();
  int placeNew();
  bool placeReplacing();
  int linkByDescriptor(const std::string& name) const;
  void removeCreatedEmptyFile();
  void announce(const std::string& hidden);
  void announceGone();
  bool fail(int errnum, std::string message, ErrorCode code = ErrorCode::WriteFailed);
  bool fileFailure(int errnum);
  bool directoryFailure(int errnum);

  std::string m_path;           // as messages quote it; opened as such without a directory handle
  WriteOptions m_options;
  int m_baseFd = -1;            // the caller's directory handle, not owned; -1 for a path
  std::string m_baseName;       // its absolute name
  Stage m_stage = Stage::Closed;
  int m_fd = -1;
  int m_dirFd = -1;             // O_PATH handle of the directory the target lives in
  bool m_ownsDir = false;       // m_dirFd is ours to close (not the caller's m_baseFd)
  std::string m_dirGiven;       // its name as the path gave it
  std::string m_dir;            // its absolute name, for messages and the hook; see directoryName()
  std::string m_name;           // the target's name in that directory
  std::string m_temporaryName;  // the temporary's hidden name while it has one
  unsigned m_slot = 0;          // the hidden name's slot
  bool m_anonymous = false;     // the temporary is an O_TMPFILE not yet linked
  bool m_expectNew = false;     // the name did not exist (or was never looked up): link, do not replace
  bool m_replacing = false;     // an existing regular file is being replaced
  bool m_createdEmpty = false;  // the empty target of a dangling link, made here
  mode_t m_mode = 0;
  uid_t m_uid = 0;
  gid_t m_gid = 0;
  nlink_t m_links = 0;
  dev_t m_dev = 0;
  ino_t m_ino = 0;
  std::FILE* m_stream = nullptr;
  WriteFailure m_failure;
  std::vector<std::string> m_warnings;
};

}  // namespace dexmora
