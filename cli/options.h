#pragma once

#include <cstdint>
#include <string>

enum class CliMode { Write, Dump, Codewords, Help, Version };

// What the command line asks for.
struct CliOptions {
  CliMode mode = CliMode::Write;
  int32_t size = 0;  // 0 chooses the smallest symbol that holds the text
  std::string outputPath = "output.png";
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
