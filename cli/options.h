#pragma once

#include <string>

#include "core/encode.h"
#include "render/output_format.h"
#include "render/render_settings.h"

enum class CliMode { Write, Dump, Codewords, Help, Version };

// What the command line asks for.
struct CliOptions {
  CliMode mode = CliMode::Write;
  dexmora::EncodeOptions encode;  // size request, encodation, GS1, ECI, ... and the 144x144 layout
  std::string outputPath = "output.png";
  bool outputGiven = false;
  bool toStdout = false;  // -o -
  dexmora::OutputFormat format = dexmora::OutputFormat::Png;
  dexmora::RenderSettings render;  // validated
  bool defaultRendering = true;    // no rendering option given: the first release's picture
  bool verify = false;
  // Batch work: one symbol per line of batchFile (standard input when empty).
  bool batch = false;
  std::string batchFile;
  bool tsv = false;   // lines are NAME<TAB>TEXT
  int jobs = 0;       // threads; 0 for one per core
  bool quiet = false; // no progress bar
  bool textFromStdin = true;
  std::string text;  // the TEXT argument's bytes when textFromStdin is false
};

// Either the options or, when `error` is not empty, why the command line was
// refused (the message without the program-name prefix).
struct CliParseResult {
  CliOptions options;
  std::string error;
};

// Parses argv[1..argc-1]. Options and TEXT may come in any order; "--" ends
// the options, and "-" as TEXT means standard input.
CliParseResult parseCliOptions(int argc, const char* const* argv);
