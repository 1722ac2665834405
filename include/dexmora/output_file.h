#pragma once

/// @file
/// Writing a file the careful way: the target is opened as the shell's `>`
/// would open it, so what `>` refuses is refused with the same reason; a
/// regular file is replaced atomically by a complete temporary, never
/// truncated; devices, pipes and the process's own standard streams are
/// written in place.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>

namespace dexmora {

/// When the data of a replaced file reach the disk before the rename.
enum class SyncPolicy : uint8_t {
  WhenReplacing,  ///< fsync before renaming over an existing file (single writes)
  Never,          ///< the caller syncs once at the end (batch work)
};

/// How a write is made.
struct OutputFileOptions {
  SyncPolicy sync = SyncPolicy::WhenReplacing;  ///< when the data reach the disk
  /// Told the full name of a named temporary file while one exists (an
  /// empty string when it is gone), so a program can remove it from a signal
  /// handler. Called on the writing thread; it must not throw.
  std::function<void(const std::string&)> temporaryNamed;
};

/// A successful write, with what the user should still be told (hard links
/// that keep the old content, an owner or mode that could not be kept).
struct WriteReport {
  std::vector<std::string> warnings;  ///< one line each, for the user
};

/// Writes `bytes` to `path`. WriteFailed names the path (or its directory,
/// when the directory is at fault) and the cause; Error::systemError() is
/// the errno. Nothing is left behind on failure.
Expected<WriteReport> writeFile(const std::string& path, std::string_view bytes, const OutputFileOptions& options = {});

}  // namespace dexmora
