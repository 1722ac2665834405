#pragma once

#include <optional>
#include <string>
#include <vector>

#include <dexmora/render.h>

#include "cli/options.h"

// Warnings for options given that change nothing in what the run writes in
// `format` (nullopt for --dump and --codewords, which draw no picture):
// "--module and --dpi have no effect on PDF output, ...". Never a refusal: a
// batch may write several formats, and each line's warnings are said once.
std::vector<std::string> unusedOptionWarnings(const CliOptions& options, std::optional<dexmora::OutputFormat> format);
