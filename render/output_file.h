#pragma once

// Every output format writes its file through OutputFile. It behaves like a
// careful shell redirect (`>`) plus an atomic replace: the target is opened
// through the kernel first, so its checks (permissions, protected_symlinks)
// refuse what `>` would refuse; devices, pipes and our own standard streams
// are written in place; a regular file is replaced by rename, never truncated.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <dexmora/output_file.h>

namespace dexmora {

// Why a write failed: errno and one line naming the path (or its directory,
// when the directory is the problem) and the cause, control bytes escaped.
struct WriteFailure {
  int errnum = 0;
  std::string message;
};

// One output file: open(), write the content through write(), fd() or
// stream() (one of them, not mixed), then commit(). Whatever was made is
// removed on every failure path and when the object goes without a commit.
// Touches no process-wide state (umask, cwd), so threads may each own one.
class OutputFile {
 public:
  explicit OutputFile(std::string path, OutputFileOptions options = {});
  ~OutputFile();  // abandons an uncommitted file
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Checks the target and prepares where the content goes: the target's own
  // descriptor for devices, pipes and our standard streams, else a temporary
  // beside the file the path resolves to. False with failure() set.
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

  bool adoptTarget(int target, bool created);
  bool openNewFile();
  bool useDirectoryOf(int target);
  bool openDirectory(const std::string& dir);
  const std::string& directoryName();
  int creationError(int errnum) const;
  bool createTemporary();
  bool closeStream();
  void keepOwnerAndMode();
  bool placeTemporary();
  bool linkTemporary();
  int linkByDescriptor(const std::string& name) const;
  void removeCreatedEmptyFile();
  void announce(const std::string& name) const;
  bool fail(int errnum, std::string message);
  bool fileFailure(int errnum);
  bool directoryFailure(int errnum);

  std::string m_path;
  OutputFileOptions m_options;
  Stage m_stage = Stage::Closed;
  int m_fd = -1;
  int m_dirFd = -1;             // O_PATH handle of the directory the target lives in
  std::string m_dirGiven;       // its name as the path gave it
  std::string m_dir;            // its absolute name, for messages and the hook; see directoryName()
  std::string m_name;           // the target's name in that directory
  std::string m_temporaryName;  // a named temporary in m_dir, "" while none exists
  bool m_anonymous = false;     // the temporary is an O_TMPFILE not yet linked
  bool m_replacing = false;     // an existing regular file is being replaced
  bool m_createdEmpty = false;  // open() created the empty target of a dangling link
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
