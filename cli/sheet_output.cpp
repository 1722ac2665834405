#include "cli/sheet_output.h"

#include <new>
#include <set>
#include <vector>

#include "cli/batch_input.h"
#include "cli/batch_progress.h"
#include "cli/exit_status.h"
#include "cli/module_load.h"
#include "cli/module_path.h"
#include "cli/sheet_module.h"
#include "cli/text_input.h"
#include "cli/unused_options.h"

namespace {

using WriteFunction = int (*)(const dexmora_sheet_option*, size_t, const dexmora_sheet_line*, size_t, int,
                              const char*, dexmora_sheet_note, dexmora_sheet_output, void*);

void say(const std::string& message) { dexmora::writeStderr("dexmora-cli: " + message + "\n"); }

// The module's entry, or why it cannot be had. The module stays mapped for
// the life of the process.
WriteFunction loadSheetModule(std::string& error) {
  const std::string path = findModule("DEXMORA_SHEET_MODULE", DEXMORA_SHEET_MODULE_FILE);
  const std::string failed = "--sheet needs the sheet module: " + path + " cannot be loaded: ";
  return reinterpret_cast<WriteFunction>(loadModuleEntry(path, "dexmora_sheet_module_abi", "dexmora_sheet_module_write",
                                                         DEXMORA_SHEET_MODULE_ABI, "sheet", failed, error));
}

// The lines of a run: what goes to the module, and how each is named in messages.
struct Lines {
  std::vector<std::string> texts;  // kept here; the module's lines point into them
  std::vector<std::string> names;
  std::vector<bool> filled;
  std::vector<size_t> numbers;
  std::vector<std::string> labels;  // "line 7", "" for a single text
  size_t refused = 0;
  size_t empty = 0;

  void add(std::string label, size_t number, std::string_view text, std::string_view name) {
    labels.push_back(std::move(label));
    numbers.push_back(number);
    texts.emplace_back(text);
    names.emplace_back(name);
    filled.push_back(true);
  }
  // A cell left empty: an empty line, or one refused before encoding.
  void leaveEmpty(std::string label, size_t number, const std::string& why) {
    if (!why.empty()) {
      say(label + ": " + why);
      ++refused;
    } else {
      ++empty;
    }
    add(std::move(label), number, {}, {});
    filled.back() = false;
  }
};

// Reads the list: a TSV header is no label; every other line has its cell.
std::string readLines(const CliOptions& options, Lines& lines) {
  dexmora::BatchSource source;
  if (std::string error = source.open(options.batchFile); !error.empty()) return error;
  for (dexmora::BatchLine line; source.next(line);) {
    std::string label = "line " + std::to_string(line.number);
    if (options.tsv && options.tsvHeader && line.number == 1) continue;
    if (line.tooLong) {
      lines.leaveEmpty(label, line.number,
                       "the line is longer than " + std::to_string(DM_CLI_MAX_INPUT_BYTES) + " bytes");
    } else if (line.bytes.empty()) {
      lines.leaveEmpty(label, line.number, {});
    } else if (!options.tsv) {
      lines.add(label, line.number, line.bytes, {});
    } else if (const dexmora::TsvFields fields = dexmora::splitTsv(line.bytes); !fields.valid) {
      lines.leaveEmpty(label, line.number, "no TAB between the name and the text");
    } else if (fields.extra) {
      lines.leaveEmpty(label, line.number,
                       "a third column: a --tsv line is NAME<TAB>TEXT, and its text may hold no TAB");
    } else {
      lines.add(label, line.number, fields.text, fields.name);
    }
  }
  return source.error();
}

// What the module says, on this side of the boundary.
struct Delivery {
  Lines* lines;
  std::set<size_t> refused;
  int refusedStatus = 0;  // a single text's
  std::string pdf;
  bool outOfMemory = false;
};

void noted(void* context, int kind, size_t index, int status, const char* message) {
  auto* delivery = static_cast<Delivery*>(context);
  try {
    const std::string& label = index < delivery->lines->labels.size() ? delivery->lines->labels[index] : "";
    const std::string prefix = label.empty() ? "" : label + ": ";
    if (kind == DEXMORA_SHEET_REFUSED && index < delivery->lines->labels.size()) {
      delivery->refused.insert(index);
      delivery->refusedStatus = status;
    }
    say(prefix + (kind == DEXMORA_SHEET_WARNING ? "warning: " : "") + message);
  } catch (const std::bad_alloc&) {
    delivery->outOfMemory = true;
  }
}

void delivered(void* context, const char* bytes, size_t length) {
  auto* delivery = static_cast<Delivery*>(context);
  try {
    delivery->pdf.assign(bytes, length);
  } catch (const std::bad_alloc&) {
    delivery->outOfMemory = true;
  }
}

}  // namespace

SheetOutcome makeSheet(const CliOptions& options, const std::string* text) {
  SheetOutcome outcome;
  std::string error;
  const WriteFunction write = loadSheetModule(error);
  if (write == nullptr) {
    say(error);
    outcome.status = DM_CLI_EXIT_UNAVAILABLE;
    return outcome;
  }
  for (const std::string& warning : unusedOptionWarnings(options, dexmora::OutputFormat::Pdf)) {
    say("warning: " + warning);
  }
  if (options.jobs > 0) say("warning: --jobs has no effect on a sheet, which one thread lays out");
  Lines lines;
  if (text != nullptr) {
    lines.add({}, 1, *text, {});
  } else if (std::string problem = readLines(options, lines); !problem.empty()) {
    say(problem + "; nothing was written");
    outcome.status = DM_CLI_EXIT_IO_ERROR;
    return outcome;
  }
  std::vector<dexmora_sheet_option> given;
  for (const auto& [key, value] : options.sheet.options) given.push_back({key.c_str(), value.c_str()});
  std::vector<dexmora_sheet_line> moduleLines;
  for (size_t i = 0; i < lines.texts.size(); ++i) {
    moduleLines.push_back({lines.filled[i] ? lines.texts[i].data() : nullptr, lines.texts[i].size(),
                           lines.names[i].data(), lines.names[i].size(), lines.numbers[i]});
  }
  Delivery delivery{&lines, {}, 0, {}, false};
  const std::string path = options.toStdout ? "-" : options.outputPath;
  const int status = write(given.data(), given.size(), moduleLines.data(), moduleLines.size(), options.verbose,
                           path.c_str(), noted, delivered, &delivery);
  if (delivery.outOfMemory) throw std::bad_alloc();
  if (status != 0) {
    outcome.status = status;
    return outcome;
  }
  const size_t refused = lines.refused + delivery.refused.size();
  outcome.status = refused == 0 ? DM_CLI_EXIT_OK : text != nullptr ? delivery.refusedStatus : DM_CLI_EXIT_DATA;
  if (text == nullptr) {
    const size_t placed = lines.texts.size() - lines.empty - refused;
    std::string summary = std::to_string(placed) + " label" + (placed == 1 ? "" : "s") + " placed";
    if (lines.empty > 0) {
      summary += ", " + std::to_string(lines.empty) + " empty line" + (lines.empty == 1 ? "" : "s") + " left empty";
    }
    say(summary + ", " + std::to_string(refused) + " refused");
  }
  // A single text that is refused leaves nothing worth writing.
  if (text == nullptr || refused == 0) outcome.bytes = std::move(delivery.pdf);
  return outcome;
}
