// The sheet module's side of cli/sheet_module.h: options and lines in,
// notes and the PDF out, through the sheet library.
#include "dexmora_frontend/key_names.h"
#include "cli/sheet_module.h"

#include <dexmora/option_set.h>
#include <dexmora/sheet.h>

#include <new>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/verbose.h"

namespace {

constexpr size_t kWholeRun = static_cast<size_t>(-1);

struct Run {
  dexmora::OptionSet library;
  dexmora::SheetSettings settings;
  std::string caption;
};

// The options, each through the parser its key names.
dexmora::Expected<void> readOptions(const dexmora_sheet_option* options, size_t count, Run& run) {
  for (size_t i = 0; i < count; ++i) {
    const std::string_view key = options[i].key;
    const std::string_view value = options[i].value;
    dexmora::Expected<void> set;
    if (key == "caption") {
      run.caption = value;
    } else if (dexmora::isSheetOption(key, value)) {
      set = dexmora::setSheetOption(run.settings, key, value);
    } else {
      set = run.library.set(key, value);
    }
    if (!set) return set.error();
  }
  if (dexmora::Expected<void> finished = run.library.finish(); !finished) return finished.error();
  run.settings.setRender(run.library.renderSettings());
  return {};
}

int write(const dexmora_sheet_option* options, size_t optionCount, const dexmora_sheet_line* lines, size_t lineCount,
          int verbose, const char* path, dexmora_sheet_note note, dexmora_sheet_output output, void* context) {
  Run run;
  const auto stop = [&](const dexmora::Error& error) {
    const std::string message = error.message(dexmora::commandLineKey);
    note(context, DEXMORA_SHEET_REFUSED, kWholeRun, statusOf(error), message.c_str());
    return statusOf(error);
  };
  if (dexmora::Expected<void> read = readOptions(options, optionCount, run); !read) return stop(read.error());
  const dexmora::Expected<dexmora::CaptionTemplate> caption = dexmora::CaptionTemplate::parse(run.caption);
  if (!caption) return stop(caption.error());
  dexmora::Expected<dexmora::SheetWriter> writer = dexmora::SheetWriter::open(run.settings);
  if (!writer) return stop(writer.error());
  const dexmora::EncodeOptions& encode = run.library.encodeOptions();
  std::vector<dexmora::SheetLabel> labels(lineCount);
  for (size_t i = 0; i < lineCount; ++i) {
    const dexmora_sheet_line& line = lines[i];
    if (line.text == nullptr) continue;
    dexmora::Expected<dexmora::SheetLabel> label =
        dexmora::makeSheetLabel(std::string_view(line.text, line.text_length),
                                std::string_view(line.name, line.name_length), line.number, encode, *caption);
    if (!label) {
      const std::string message = label.error().message(dexmora::commandLineKey);
      note(context, DEXMORA_SHEET_REFUSED, i, statusOf(label.error()), message.c_str());
      continue;
    }
    for (const dexmora::Notice& notice : label->symbol()->notices()) {
      note(context, DEXMORA_SHEET_WARNING, i, 0, notice.message().c_str());
    }
    labels[i] = std::move(label).value();
  }
  const dexmora::Expected<dexmora::SheetPdf> sheet = writer->pdf(labels);
  if (!sheet) return stop(sheet.error());
  for (const dexmora::SheetRefusal& refusal : sheet->refused) {
    const std::string message = refusal.error.message(dexmora::commandLineKey);
    note(context, DEXMORA_SHEET_REFUSED, refusal.index, DM_CLI_EXIT_DATA, message.c_str());
    labels[refusal.index] = dexmora::SheetLabel();
  }
  for (size_t i = 0; verbose && i < lineCount; ++i) {
    if (!labels[i].symbol()) continue;
    const std::string report = symbolReport(*labels[i].symbol(), encode, dexmora::OutputFormat::Pdf, path);
    note(context, DEXMORA_SHEET_REPORT, i, 0, report.c_str());
  }
  output(context, sheet->bytes.data(), sheet->bytes.size());
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int dexmora_sheet_module_abi(void) {
  return DEXMORA_SHEET_MODULE_ABI;
}

extern "C" __attribute__((visibility("default"))) int dexmora_sheet_module_write(
    const dexmora_sheet_option* options, size_t option_count, const dexmora_sheet_line* lines, size_t line_count,
    int verbose, const char* path, dexmora_sheet_note note, dexmora_sheet_output output, void* context) {
  try {
    return write(options, option_count, lines, line_count, verbose, path, note, output, context);
  } catch (const std::bad_alloc&) {
    note(context, DEXMORA_SHEET_REFUSED, kWholeRun, DM_CLI_EXIT_NO_MEMORY, "out of memory");
    return DM_CLI_EXIT_NO_MEMORY;
  } catch (...) {
    note(context, DEXMORA_SHEET_REFUSED, kWholeRun, DM_CLI_EXIT_SOFTWARE, "internal failure in the sheet module");
    return DM_CLI_EXIT_SOFTWARE;
  }
}
