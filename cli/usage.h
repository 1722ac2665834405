#pragma once

#include <string>

// The --version line, without its newline.
constexpr const char* DM_CLI_VERSION_LINE = "dexmora-cli 1.0";

// The complete --help text.
std::string cliUsageText();
