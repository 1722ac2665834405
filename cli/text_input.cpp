#include "cli/text_input.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include <dexmora/sizes.h>

CliInput readCliInput(std::FILE* stream) {
  CliInput input;
  char chunk[16384];
  while (input.text.size() <= DM_CLI_MAX_INPUT_BYTES) {
    std::size_t count = std::fread(chunk, 1, sizeof chunk, stream);
    input.text.append(chunk, count);
    if (count < sizeof chunk) {
      if (std::ferror(stream)) input.readError = errno != 0 ? errno : EIO;
      break;
    }
  }
  if (input.text.size() > DM_CLI_MAX_INPUT_BYTES) {
    input.text.resize(DM_CLI_MAX_INPUT_BYTES + 1);
    input.truncated = true;
  } else {
    dropTrailingNewline(input.text);
  }
  return input;
}

void dropTrailingNewline(std::string& text) {
  if (text.empty() || text.back() != '\n') return;
  text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
}

std::string truncatedInputProblem() {
  const dexmora::SymbolSize& largest = *dexmora::findSymbolSize(144, 144);
  return "the text is too long: it is over " + std::to_string(DM_CLI_MAX_INPUT_BYTES) +
         " bytes, and the largest symbol (" + dexmora::sizeName(largest) + ") holds " +
         std::to_string(largest.dataCodewords) + " codewords";
}

void announceTerminalInput(std::FILE* stream) {
  if (isatty(fileno(stream))) {
    std::fputs("dexmora-cli: reading the text from the terminal; end it with Ctrl-D (twice within a line)\n", stderr);
  }
}
