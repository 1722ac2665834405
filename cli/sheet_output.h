#pragma once

#include <string>

#include "cli/options.h"

// A sheet's PDF, or why there is none. Every refused line and every warning
// has been said on stderr by then.
struct SheetOutcome {
  int status = 0;     // 0; 65 when lines were refused; else the status that stops the run
  std::string bytes;  // the PDF; empty when nothing is to be written
};

// The lines of the batch list, each in its own cell (an empty or refused
// line leaves its cell empty, so line N is always in cell N), or `text`
// alone when it is not null, as labels of one sheet.
SheetOutcome makeSheet(const CliOptions& options, const std::string* text);
