#pragma once

#include <string>

#include "cli/version.h"

// The --version line, without its newline.
constexpr const char* DM_CLI_VERSION_LINE = "dexmora-cli " DEXMORA_VERSION;

// The complete --help text.
std::string cliUsageText();
// -h: the options used most and three examples, on one screen.
std::string cliShortUsageText();

// An option's entry, "  NAMES  text" filled under the text column, and a
// paragraph filled to the width of the help, for the sections kept in files of their own.
std::string helpItem(const std::string& names, const std::string& text);
std::string helpParagraph(const std::string& text);

// The "Label sheets:" section (cli/sheet_usage.cpp).
std::string sheetUsage();
