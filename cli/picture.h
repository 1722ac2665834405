#pragma once

#include <string>
#include <vector>

#include <dexmora/render.h>
#include <dexmora/symbol.h>

#include "cli/options.h"

// The bytes of the file a run writes, with what it has to say on stderr.
struct Picture {
  int status = 0;                     // 0, or the exit status that stops the run
  std::string message;                // why, when status is not 0
  std::string bytes;
  std::vector<std::string> warnings;  // said before the file is written
};

// Renders `symbol` in `format` with the settings the options ask for, and,
// with --verify, reads a PNG back and checks it against the symbol and
// `text` before anything is written.
Picture makePicture(const dexmora::Symbol& symbol, dexmora::OutputFormat format, const CliOptions& options,
                    const std::string& text);
