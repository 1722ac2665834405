#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Standard input is read up to this many bytes. Any text longer than twice the
// largest data capacity cannot fit, so the bound only keeps a runaway input
// from filling memory; a longer input is refused as too long.
constexpr std::size_t DM_CLI_MAX_INPUT_BYTES = std::size_t{1} << 20;

struct CliInput {
  std::string text;
  bool truncated = false;  // the stream held more than DM_CLI_MAX_INPUT_BYTES
  int readError = 0;       // errno of a failed read, 0 when the read succeeded
};

// Reads `stream` to its end (or just past the bound) as raw bytes and drops one
// trailing "\n" or "\r\n", as echo and most editors add one.
CliInput readCliInput(std::FILE* stream);

// Drops one trailing "\n" or "\r\n" from `text`, if there is one.
void dropTrailingNewline(std::string& text);

// Why an input read only in part cannot be encoded (without the
// program-name prefix). Whether a whole text fits, or is empty, is the
// encoder's verdict.
std::string truncatedInputProblem();

// When `stream` is a terminal, says on stderr that the text is being read
// from it and how to end it.
void announceTerminalInput(std::FILE* stream);
