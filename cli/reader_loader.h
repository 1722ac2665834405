#pragma once

#include <dexmora/verify.h>

#include <memory>
#include <string>

// zxing-cpp's reader for --verify lives in a module of its own
// (dexmora-zxing-reader.so, interface in reader/reader_module.h), loaded on
// first use only: a run without --verify never maps zxing-cpp or the shared
// C++ runtime it brings.
struct LoadedReader {
  std::unique_ptr<const dexmora::Reader> reader;
  // Why the module cannot be loaded, one line naming its path; empty with no
  // reader when the build has none (verification then compares modules only).
  std::string error;
};

// Loads the module at `path`. A loaded module stays mapped for the life of
// the process, even after its reader is gone.
LoadedReader loadReaderModule(const std::string& path);

// The reader --verify uses, loaded once per process (any thread may ask)
// from the first module found of: $DEXMORA_READER_MODULE when set (alone);
// ../lib/ beside the program's folder (the build tree); ../<libdir>/dexmora/
// beside it (a moved installation); the installed <libdir>/dexmora/.
const LoadedReader& loadVerifyReader();
