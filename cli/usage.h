#pragma once

#include <string>

#include "cli/version.h"

// The --version line, without its newline.
constexpr const char* DM_CLI_VERSION_LINE = "dexmora-cli " DEXMORA_VERSION;

// The complete --help text.
std::string cliUsageText();
