#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <dexmora/encode.h>
#include <dexmora/output_file.h>

#include "cli/batch.h"
#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/picture.h"
#include "cli/process_start.h"
#include "cli/signal_cleanup.h"
#include "cli/text_input.h"
#include "cli/usage.h"

namespace {

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "dexmora-cli: %s\n", message.c_str());
  return status;
}

// Writes `out` to standard output and makes sure it arrived.
int printOut(const std::string& out) {
  bool written = std::fwrite(out.data(), 1, out.size(), stdout) == out.size();
  if (std::fflush(stdout) != 0 || !written) {
    return fail(DM_CLI_EXIT_IO_ERROR, std::string("cannot write standard output: ") + std::strerror(errno));
  }
  return DM_CLI_EXIT_OK;
}

int writePicture(const CliOptions& options, const dexmora::Symbol& symbol, const std::string& text) {
  const Picture picture = makePicture(symbol, options.format, options, text);
  for (const std::string& warning : picture.warnings) {
    std::fprintf(stderr, "dexmora-cli: warning: %s\n", warning.c_str());
  }
  if (picture.status != 0) return fail(picture.status, picture.message);
  if (options.toStdout) return printOut(picture.bytes);
  dexmora::OutputFileOptions fileOptions;
  fileOptions.temporaryNamed = dexmora::temporaryNamedInSlot(0);
  const dexmora::Expected<dexmora::WriteReport> written =
      dexmora::writeFile(options.outputPath, picture.bytes, fileOptions);
  if (!written) {
    const dexmora::Error& error = written.error();
    return fail(error.systemError() == EBADF ? DM_CLI_EXIT_IO_ERROR : DM_CLI_EXIT_CANT_CREATE, error.message());
  }
  for (const std::string& warning : written->warnings) std::fprintf(stderr, "dexmora-cli: warning: %s\n", warning.c_str());
  return DM_CLI_EXIT_OK;
}

int run(int argc, char** argv) {
  CliParseResult parsed = parseCliOptions(argc, argv);
  if (!parsed.error.empty()) return fail(DM_CLI_EXIT_USAGE, parsed.error + "; see --help");
  const CliOptions& options = parsed.options;
  if (options.mode == CliMode::Help) return printOut(cliUsageText());
  if (options.mode == CliMode::Version) return printOut(std::string(DM_CLI_VERSION_LINE) + "\n");

  if (options.batch) return runBatch(options);

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
  if (std::string problem = cliTextProblem(input.text, input.truncated); !problem.empty()) {
    return fail(DM_CLI_EXIT_USAGE, problem);
  }

  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(input.text, options.encode());
  if (!symbol) return fail(statusOf(symbol.error()), symbol.error().message());
  if (const std::string warning = resizeWarning(options.encode().size, *symbol); !warning.empty()) {
    std::fprintf(stderr, "dexmora-cli: warning: %s\n", warning.c_str());
  }
  switch (options.mode) {
    case CliMode::Dump: return printOut(dexmora::modulesText(*symbol));
    case CliMode::Codewords: return printOut(dexmora::codewordsText(*symbol));
    default: break;
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
