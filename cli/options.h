#pragma once

#include <string>

#include <dexmora/option_set.h>

#include "cli/sheet_options.h"

enum class CliMode { Write, Dump, Codewords, Help, ShortHelp, Version };

// What the command line asks for.
struct CliOptions {
  CliMode mode = CliMode::Write;
  dexmora::OptionSet library;  // every option the library knows, finished
  std::string outputPath = "output.png";
  bool outputGiven = false;
  bool toStdout = false;  // -o -
  dexmora::OutputFormat format = dexmora::OutputFormat::Png;  // of the single run's file
  bool verify = false;
  bool verbose = false;  // one line on stderr per symbol
  // Batch work: one symbol per line of batchFile (standard input when empty).
  bool batch = false;
  std::string batchFile;
  bool tsv = false;   // lines are NAME<TAB>TEXT
  bool tsvHeader = false;   // the first line is a header row
  bool tsvAnyName = false;  // names may hold control bytes and invalid UTF-8
  int jobs = 0;       // threads; 0 for one per core
  bool quiet = false; // no progress bar
  bool textFromStdin = true;
  std::string text;  // the TEXT argument's bytes when textFromStdin is false
  CliSheet sheet;    // --sheet: every symbol on one PDF of labels, -o naming it

  const dexmora::EncodeOptions& encode() const { return library.encodeOptions(); }
  const dexmora::RenderSettings& render() const { return library.renderSettings(); }
};

// Either the options or, when `error` is not empty, why the command line was
// refused (the message without the program-name prefix).
struct CliParseResult {
  CliOptions options;
  std::string error;
};

// Parses argv[1..argc-1]. Options and TEXT may come in any order; "--" ends
// the options, and "-" as TEXT means standard input. Uses getopt_long's
// global state: once per process.
CliParseResult parseCliOptions(int argc, const char* const* argv);
