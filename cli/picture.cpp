#include "dexmora_frontend/key_names.h"

#include "cli/picture.h"

#include <dexmora/verify.h>

#include "cli/exit_status.h"
#include "cli/reader_loader.h"
#include "cli/unused_options.h"

Picture makePicture(const dexmora::Symbol& symbol, dexmora::OutputFormat format, const CliOptions& options,
                    const std::string& text) {
  Picture picture;
  dexmora::Expected<dexmora::Rendering> rendering = dexmora::render(symbol, format, options.render());
  if (!rendering) {
    picture.status = statusOf(rendering.error());
    picture.message = rendering.error().message(dexmora::commandLineKey);
    return picture;
  }
  picture.bytes = std::move(rendering->bytes);
  picture.warnings = unusedOptionWarnings(options, format);
  for (const dexmora::Notice& notice : rendering->notices) picture.warnings.push_back(notice.message());
  if (!options.verify || format != dexmora::OutputFormat::Png) return picture;
  const LoadedReader& reader = loadVerifyReader();
  if (!reader.error.empty()) {
    picture.status = DM_CLI_EXIT_UNAVAILABLE;
    picture.message = reader.error;
    return picture;
  }
  const dexmora::Expected<dexmora::VerifyReport> check =
      dexmora::verify(symbol, picture.bytes, options.render(), dexmora::expectationFor(text, options.encode()),
                      reader.reader.get());
  if (!check) {
    picture.status = statusOf(check.error());
    picture.message = "--verify: " + check.error().message(dexmora::commandLineKey);
  } else if (!check->note.empty()) {
    picture.warnings.push_back(check->note);
  }
  return picture;
}
