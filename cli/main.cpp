#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "cli/built_symbol.h"
#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/text_input.h"
#include "cli/usage.h"
#include "encoder/data_encoding.h"
#include "encoder/encode_job.h"
#include "encoder/symbol_tables.h"

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

void warnIfResized(int32_t requestedSize, int32_t chosenSize) {
  if (requestedSize == 0 || requestedSize == chosenSize) return;
  std::fprintf(stderr, "dexmora-cli: warning: the text does not fit %dx%d; using %dx%d\n", requestedSize,
               requestedSize, chosenSize, chosenSize);
}

int writePicture(const CliOptions& options, const std::string& text) {
  DmEncoder* encoder = dmCreateEncoder(options.size);
  const int64_t streamLength = dmDataStreamLength(reinterpret_cast<const uint8_t*>(text.data()),
                                                  static_cast<int64_t>(text.size()));
  warnIfResized(options.size, SymbolAttributes[dmSelectSizeIndex(streamLength)].symbolSize);
  errno = 0;
  int written = dmEncode(encoder, reinterpret_cast<const uint8_t*>(text.data()), options.outputPath.c_str(),
                         static_cast<int32_t>(text.size()));
  int reason = errno;
  dmDestroyEncoder(&encoder);
  if (written) return DM_CLI_EXIT_OK;
  std::string message = "cannot write '" + options.outputPath + "'";
  if (reason != 0) message += std::string(": ") + std::strerror(reason);
  return fail(DM_CLI_EXIT_CANT_CREATE, message);
}

int run(int argc, char** argv) {
  CliParseResult parsed = parseCliOptions(argc, argv);
  if (!parsed.error.empty()) return fail(DM_CLI_EXIT_USAGE, parsed.error + "; see --help");
  const CliOptions& options = parsed.options;
  if (options.mode == CliMode::Help) return printOut(cliUsageText());
  if (options.mode == CliMode::Version) return printOut(std::string(DM_CLI_VERSION_LINE) + "\n");

  CliInput input;
  if (options.textFromStdin) {
    input = readCliInput(stdin);
    if (input.readError != 0) {
      return fail(DM_CLI_EXIT_IO_ERROR, std::string("cannot read standard input: ") + std::strerror(input.readError));
    }
  } else {
    input.text = options.text;
  }
  std::string problem = cliTextProblem(input.text, input.truncated);
  if (!problem.empty()) return fail(DM_CLI_EXIT_USAGE, problem);

  if (options.mode == CliMode::Write) {
    return writePicture(options, input.text);
  }
  BuiltSymbol built(options.size, input.text);
  warnIfResized(options.size, built.symbolSize());
  return printOut(options.mode == CliMode::Dump ? formatModuleRows(built.symbol()) : formatCodewords(built.symbol()));
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    return fail(DM_CLI_EXIT_NO_MEMORY, "out of memory");
  }
}
