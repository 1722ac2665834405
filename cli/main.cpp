#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include <dexmora/output_file.h>

#include "dexmora_frontend/key_names.h"
#include "dexmora_text/quoting.h"

#include "cli/batch.h"
#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/picture.h"
#include "cli/reader_loader.h"
#include "cli/sheet_output.h"
#include "dexmora_frontend/process_start.h"
#include "cli/signal_cleanup.h"
#include "cli/text_input.h"
#include "cli/unused_options.h"
#include "cli/usage.h"
#include "cli/verbose.h"

namespace {

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "dexmora-cli: %s\n", message.c_str());
  return status;
}

void warn(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) std::fprintf(stderr, "dexmora-cli: warning: %s\n", warning.c_str());
}

// The writer's message, or one that names the part of the path at fault:
// "No such file or directory" does not say which part is missing.
std::string writeFailure(const std::string& path, const dexmora::Error& error) {
  const int cause = error.systemError();
  const std::size_t slash = path.find_last_of('/');
  if ((cause != ENOENT && cause != ENOTDIR) || slash == std::string::npos || slash == 0) return error.message(dexmora::commandLineKey);
  const std::string directory = path.substr(0, slash);
  struct stat st;
  if (cause == ENOENT) {
    if (stat(directory.c_str(), &st) == 0 || errno != ENOENT) return error.message(dexmora::commandLineKey);
    return "cannot write " + dexmora::quoted(path) + ": the directory " + dexmora::quoted(directory) +
           " does not exist";
  }
  for (std::size_t end = directory.find('/', 1);; end = directory.find('/', end + 1)) {
    const std::string prefix = directory.substr(0, end);
    if (stat(prefix.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
      return "cannot write " + dexmora::quoted(path) + ": " + dexmora::quoted(prefix) + " is not a directory";
    }
    if (end == std::string::npos) return error.message(dexmora::commandLineKey);
  }
}

// Writes `out` to standard output and makes sure it arrived.
int printOut(const std::string& out) {
  bool written = std::fwrite(out.data(), 1, out.size(), stdout) == out.size();
  if (std::fflush(stdout) != 0 || !written) {
    return fail(DM_CLI_EXIT_IO_ERROR, std::string("cannot write standard output: ") + std::strerror(errno));
  }
  return DM_CLI_EXIT_OK;
}

// --verbose: what was made, once it is made.
void report(const CliOptions& options, const dexmora::Symbol& symbol, std::optional<dexmora::OutputFormat> format,
            const std::string& path) {
  if (!options.verbose) return;
  std::fprintf(stderr, "dexmora-cli: %s\n", symbolReport(symbol, options.encode(), format, path).c_str());
}

// Writes `bytes` to -o's file or standard output.
int writeOutput(const CliOptions& options, const std::string& bytes) {
  if (options.toStdout) return printOut(bytes);
  const dexmora::Expected<dexmora::WriteReport> written =
      dexmora::writeFileTracked(options.outputPath, bytes, {}, dexmora::temporaryNamedInSlot(0));
  if (!written) {
    const dexmora::Error& error = written.error();
    if (error.code() != dexmora::ErrorCode::WriteFailed) {
      return fail(statusOf(error), error.message(dexmora::commandLineKey));
    }
    return fail(error.systemError() == EBADF ? DM_CLI_EXIT_IO_ERROR : DM_CLI_EXIT_CANT_CREATE,
                writeFailure(options.outputPath, error));
  }
  warn(written->warnings);
  return DM_CLI_EXIT_OK;
}

int writePicture(const CliOptions& options, const dexmora::Symbol& symbol, const std::string& text) {
  const Picture picture = makePicture(symbol, options.format, options, text);
  warn(picture.warnings);
  if (picture.status != 0) return fail(picture.status, picture.message);
  const int status = writeOutput(options, picture.bytes);
  if (status == DM_CLI_EXIT_OK) report(options, symbol, options.format, options.toStdout ? "-" : options.outputPath);
  return status;
}

// The labels written as one PDF; refused lines make the status 65 but do not
// stop the others.
int writeSheet(const CliOptions& options, const std::string* text) {
  SheetOutcome sheet = makeSheet(options, text);
  if (sheet.bytes.empty()) return sheet.status;
  dexmora::installSignalCleanup(dexmora::InterruptHandling::RemoveAndDie);
  const int status = writeOutput(options, sheet.bytes);
  return status == DM_CLI_EXIT_OK ? sheet.status : status;
}

int run(int argc, char** argv) {
  CliParseResult parsed = parseCliOptions(argc, argv);
  if (!parsed.error.empty()) return fail(DM_CLI_EXIT_USAGE, parsed.error + "; see --help");
  const CliOptions& options = parsed.options;
  if (options.mode == CliMode::Help) return printOut(cliUsageText());
  if (options.mode == CliMode::ShortHelp) return printOut(cliShortUsageText());
  if (options.mode == CliMode::Version) return printOut(std::string(DM_CLI_VERSION_LINE) + "\n");

  // A reader that cannot be loaded would fail every line of a batch alike: said once.
  if (options.batch && options.verify) {
    if (const LoadedReader& reader = loadVerifyReader(); !reader.error.empty()) {
      return fail(DM_CLI_EXIT_UNAVAILABLE, reader.error);
    }
  }
  if (options.batch) return options.sheet.on ? writeSheet(options, nullptr) : runBatch(options);

  CliInput input;
  if (options.textFromStdin) {
    announceTerminalInput(stdin);
    input = readCliInput(stdin);
    if (input.readError != 0) {
      return fail(DM_CLI_EXIT_IO_ERROR, std::string("cannot read standard input: ") + std::strerror(input.readError));
    }
  } else {
    input.text = options.text;
  }
  if (input.truncated) return fail(DM_CLI_EXIT_USAGE, truncatedInputProblem());

  if (options.sheet.on) return writeSheet(options, &input.text);
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(input.text, options.encode());
  if (!symbol) return fail(statusOf(symbol.error()), symbol.error().message(dexmora::commandLineKey));
  for (const dexmora::Notice& notice : symbol->notices()) {
    std::fprintf(stderr, "dexmora-cli: warning: %s\n", notice.message().c_str());
  }
  if (options.mode == CliMode::Dump || options.mode == CliMode::Codewords) {
    warn(unusedOptionWarnings(options, std::nullopt));
    const int status =
        printOut(options.mode == CliMode::Dump ? dexmora::modulesText(*symbol) : dexmora::codewordsText(*symbol));
    if (status == DM_CLI_EXIT_OK) report(options, *symbol, std::nullopt, "");
    return status;
  }
  dexmora::installSignalCleanup(dexmora::InterruptHandling::RemoveAndDie);
  return writePicture(options, *symbol, input.text);
}

}  // namespace

int main(int argc, char** argv) {
  if (!reserveStandardDescriptors()) return DM_CLI_EXIT_IO_ERROR;
  ignoreFileSizeSignal();
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    return fail(DM_CLI_EXIT_NO_MEMORY, "out of memory");
  }
}
