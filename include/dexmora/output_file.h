#pragma once

/// @file
/// Writing a file the careful way: the target is opened as the shell's `>`
/// would open it, so what `>` refuses is refused with the same reason; a
/// regular file is replaced atomically by a complete temporary, never
/// truncated; devices, pipes and the process's own standard streams are
/// written in place.
///
/// Replacing goes through a hidden temporary `.NAME.K.dexmora-tmp` beside the
/// target (K a slot number; a NAME over 200 bytes is shortened and given a
/// hash), held under an open-file-description lock while its writer lives.
/// No writer removes a temporary whose lock it cannot take, nor a name that no
/// longer leads to the file whose lock it took, so writers in any
/// number of threads and processes never disturb each other: two writes of
/// one target both succeed, one of them last, as with `>`. A writer killed
/// outright leaves at most that one temporary; the next replacement of the
/// same target removes such leftovers, whose locks died with their writers.
/// So no target may have a name of that form: such a write is refused.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/export.h>

namespace dexmora {

namespace detail {
struct OutputDirectoryAccess;
}

/// When the data of a replaced file reach the disk before the rename.
enum class SyncPolicy : uint8_t {
  WhenReplacing,  ///< fsync before renaming over an existing file (single writes)
  Never,          ///< the caller syncs once at the end (batch work)
};

/// How a write is made.
struct OutputFileOptions {
  SyncPolicy sync = SyncPolicy::WhenReplacing;  ///< when the data reach the disk
  uint8_t reserved[15] = {};  ///< zero: room for later choices, so the layout stays
};

/// A successful write, with what the user should still be told (hard links
/// that keep the old content, an owner or mode that could not be kept).
struct WriteReport {
  std::vector<std::string> warnings;  ///< one line each, for the user
};

/// Writes `bytes` to `path`. WriteFailed names the path (or its directory,
/// when the directory is at fault) and the cause; Error::systemError() is
/// the errno. BadOption when the file's name has the temporaries' form.
/// Nothing is left behind on failure.
DEXMORA_EXPORT Expected<WriteReport> writeFile(const std::string& path, std::string_view bytes, const OutputFileOptions& options = {});

/// A directory opened once for many files: every file written through it
/// lands in the same directory even when its name's path is swapped for
/// another (a renamed folder, a replaced link), and no name is looked up
/// twice. Movable, not copyable; safe to share between threads for writing.
class DEXMORA_EXPORT OutputDirectory {
 public:
  /// Opens the directory `path`; WriteFailed when it is missing, not a
  /// directory or not searchable.
  static Expected<OutputDirectory> open(const std::string& path);

  /// Takes over `other`'s descriptor; `other` is left closed.
  OutputDirectory(OutputDirectory&& other) noexcept;
  /// Closes this directory and takes over `other`'s descriptor.
  OutputDirectory& operator=(OutputDirectory&& other) noexcept;
  OutputDirectory(const OutputDirectory&) = delete;
  OutputDirectory& operator=(const OutputDirectory&) = delete;
  /// Closes the descriptor.
  ~OutputDirectory();

  /// The path given to open(), as messages quote it.
  const std::string& path() const;
  /// Its absolute name when it was opened.
  const std::string& absolutePath() const;
  /// Puts every file written so far on the disk: one syncfs of the file
  /// system the directory is on.
  Expected<void> sync() const;

 private:
  friend struct detail::OutputDirectoryAccess;
  OutputDirectory(int fd, std::string path, std::string absolute);
  int m_fd = -1;
  std::string m_path;
  std::string m_absolute;
};

/// Writes `bytes` to the file `name` in `directory` (`name` may reach into
/// subdirectories with '/'). A name that does not exist yet costs no look-up:
/// the complete file is linked to it in one step, and only when the name
/// turns out to exist is it opened and replaced as writeFile(path) would.
DEXMORA_EXPORT Expected<WriteReport> writeFile(const OutputDirectory& directory, const std::string& name, std::string_view bytes,
                                const OutputFileOptions& options = {});

}  // namespace dexmora
