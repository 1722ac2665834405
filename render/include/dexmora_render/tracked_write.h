#pragma once

// The careful writer with its temporaries announced, for a program that
// removes them itself when a signal ends it (dexmora-cli). Not installed:
// a library caller has no signal handler of ours to feed.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <dexmora/output_file.h>

namespace dexmora {

// A temporary file while it has a name: between the moment it is linked
// under its hidden name and the rename over the target. The device and
// inode tell it from a file given the same name later.
struct NamedTemporary {
  std::string path;  // absolute name; empty when the temporary has no name (any more)
  uint64_t device = 0;
  uint64_t inode = 0;
};

// Told of a temporary just before it gets a name and again (with an empty
// path) once it has none. Called on the writing thread; it must not throw.
using TemporaryNamed = std::function<void(const NamedTemporary&)>;

// writeFile() of <dexmora/output_file.h>, announcing its temporaries.
Expected<WriteReport> writeFileTracked(const std::string& path, std::string_view bytes,
                                       const OutputFileOptions& options, const TemporaryNamed& announce);
Expected<WriteReport> writeFileTracked(const OutputDirectory& directory, const std::string& name,
                                       std::string_view bytes, const OutputFileOptions& options,
                                       const TemporaryNamed& announce);

}  // namespace dexmora
