#pragma once

#include "cli/options.h"

// Runs a batch: one symbol per line of options.batchFile (standard input when
// empty or "-"), each written to the file its name template gives, on
// options.jobs threads. Returns the exit status, the most serious that
// occurred (130, 73, 70, 65, else 0).
int runBatch(const CliOptions& options);
