#include "cli/batch.h"

#include <dexmora/encode.h>
#include <dexmora/output_file.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "cli/batch_input.h"
#include "cli/batch_progress.h"
#include "cli/exit_status.h"
#include "cli/name_template.h"
#include "cli/picture.h"
#include "cli/signal_cleanup.h"
#include "cli/text_input.h"

namespace {

using dexmora::BatchLine;
using dexmora::BatchReporter;
using dexmora::NameTemplate;
using Clock = std::chrono::steady_clock;

// The exit statuses a batch can end with, least serious first.
int severity(int status) {
  switch (status) {
    case DM_CLI_EXIT_DATA: return 1;
    case DM_CLI_EXIT_SOFTWARE: return 2;
    case DM_CLI_EXIT_CANT_CREATE: return 3;
    case DM_CLI_EXIT_INTERRUPTED: return 4;
    default: return 0;
  }
}

std::string plural(std::size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

struct LineCounts {
  std::size_t work = 0;   // non-empty lines
  std::size_t empty = 0;
};

// One pass over the list before anything is written: counts the lines and
// refuses a template that gives two lines the same file. Names only need
// remembering when {name} is in the template: {n} alone is injective (zero
// padding never cuts digits), and neither field gives every line one name.
dexmora::Expected<LineCounts> planBatch(std::string_view input, const NameTemplate& names, bool tsv) {
  LineCounts counts;
  std::unordered_map<std::string, std::size_t> seen;
  dexmora::LineSplitter lines(input);
  for (BatchLine line; lines.next(line);) {
    if (line.bytes.empty()) {
      ++counts.empty;
      continue;
    }
    ++counts.work;
    if (names.usesNumber() && !names.usesName()) continue;
    std::string name = names.expand(line.number, {});
    if (names.usesName()) {
      const dexmora::TsvFields fields = dexmora::splitTsv(line.bytes);
      if (!fields.valid || !dexmora::tsvNameProblem(fields.name).empty()) continue;
      name = names.expand(line.number, fields.name);
    }
    const auto [it, fresh] = seen.emplace(name, line.number);
    if (!fresh) {
      std::string message = "lines " + std::to_string(it->second) + " and " + std::to_string(line.number) +
                            " both name the file " + dexmora::quoted(name);
      if (!names.usesName()) message += std::string(": put {n}") + (tsv ? " or {name}" : "") + " in the -o template";
      return dexmora::Error(dexmora::ErrorCode::BadOption, message + "; nothing was written");
    }
  }
  return counts;
}

// What the worker threads share.
class BatchRun {
 public:
  BatchRun(const CliOptions& options, const NameTemplate& names, std::string_view input, BatchReporter& reporter)
      : m_options(options), m_names(names), m_lines(input), m_reporter(reporter) {}

  // Takes lines until they run out or a signal asks to stop; `slot` is the
  // thread's own registration for temporaries the signal handler may remove.
  void work(int slot) {
    dexmora::OutputFileOptions fileOptions;
    fileOptions.sync = dexmora::SyncPolicy::Never;
    fileOptions.temporaryNamed = dexmora::temporaryNamedInSlot(slot);
    for (BatchLine line; !dexmora::interrupted() && m_lines.next(line);) {
      const int status = runLine(line, fileOptions);
      (status == DM_CLI_EXIT_OK ? m_written : m_failed)++;
      m_done++;
      if (status != DM_CLI_EXIT_OK) raiseStatus(status);
    }
  }

  void raiseStatus(int status) {
    int current = m_status.load();
    while (severity(status) > severity(current) && !m_status.compare_exchange_weak(current, status)) {
    }
  }

  void say(const std::string& message) { m_reporter.say(message); }
  std::size_t done() const { return m_done.load(); }
  std::size_t written() const { return m_written.load(); }
  std::size_t failed() const { return m_failed.load(); }
  int status() const { return m_status.load(); }

 private:
  int refuse(const BatchLine& line, int status, const std::string& reason) {
    say("line " + std::to_string(line.number) + ": " + reason);
    return status;
  }

  int runLine(const BatchLine& line, const dexmora::OutputFileOptions& fileOptions) {
    if (line.bytes.size() > DM_CLI_MAX_INPUT_BYTES) {
      return refuse(line, DM_CLI_EXIT_DATA,
                    "the line is longer than " + std::to_string(DM_CLI_MAX_INPUT_BYTES) + " bytes");
    }
    std::string_view text = line.bytes;
    std::string_view name;
    if (m_options.tsv) {
      const dexmora::TsvFields fields = dexmora::splitTsv(line.bytes);
      if (!fields.valid) return refuse(line, DM_CLI_EXIT_DATA, "no TAB between the name and the text");
      if (std::string problem = dexmora::tsvNameProblem(fields.name); !problem.empty()) {
        return refuse(line, DM_CLI_EXIT_DATA, problem);
      }
      text = fields.text;
      name = fields.name;
    }
    const std::string textBytes(text);
    if (std::string problem = cliTextProblem(textBytes, false); !problem.empty()) {
      return refuse(line, DM_CLI_EXIT_DATA, problem);
    }
    const std::string path = m_names.expand(line.number, name);
    const dexmora::Expected<dexmora::OutputFormat> format = dexmora::formatForPath(path, m_options.library.format);
    if (!format) return refuse(line, DM_CLI_EXIT_DATA, format.error().message());
    const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(textBytes, m_options.encode());
    if (!symbol) return refuse(line, DM_CLI_EXIT_DATA, symbol.error().message());
    if (const std::string warning = resizeWarning(m_options.encode().size, *symbol); !warning.empty()) {
      say("line " + std::to_string(line.number) + ": warning: " + warning);
    }
    const Picture picture = makePicture(*symbol, *format, m_options, textBytes);
    for (const std::string& warning : picture.warnings) warnOnce(warning);
    if (picture.status != 0) {
      return refuse(line, picture.status == DM_CLI_EXIT_SOFTWARE ? DM_CLI_EXIT_SOFTWARE : DM_CLI_EXIT_DATA,
                    picture.message);
    }
    const dexmora::Expected<dexmora::WriteReport> written = dexmora::writeFile(path, picture.bytes, fileOptions);
    if (!written) return refuse(line, DM_CLI_EXIT_CANT_CREATE, written.error().message());
    for (const std::string& warning : written->warnings) {
      say("line " + std::to_string(line.number) + ": warning: " + warning);
    }
    return DM_CLI_EXIT_OK;
  }

  // The picture's warnings come from the options (a rounded --dpi), the same
  // for every line: said once, not ten thousand times.
  void warnOnce(const std::string& warning) {
    {
      std::lock_guard<std::mutex> lock(m_warnedMutex);
      if (!m_warned.insert(warning).second) return;
    }
    say("warning: " + warning);
  }

  const CliOptions& m_options;
  const NameTemplate& m_names;
  dexmora::SharedLines m_lines;
  BatchReporter& m_reporter;
  std::atomic<std::size_t> m_done{0};
  std::atomic<std::size_t> m_written{0};
  std::atomic<std::size_t> m_failed{0};
  std::atomic<int> m_status{DM_CLI_EXIT_OK};
  std::mutex m_warnedMutex;
  std::set<std::string> m_warned;
};

int threadCount(const CliOptions& options, std::size_t work) {
  std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : std::thread::hardware_concurrency();
  // Each thread needs its own slot for the temporaries a signal may remove.
  jobs = std::min({std::max<std::size_t>(jobs, 1), static_cast<std::size_t>(dexmora::kTemporarySlots), work});
  return static_cast<int>(std::max<std::size_t>(jobs, 1));
}

// Runs the workers; the calling thread draws the progress bar meanwhile.
void runWorkers(BatchRun& run, int threads, std::size_t total, bool showBar, BatchReporter& reporter) {
  std::mutex mutex;
  std::condition_variable finished;
  int running = threads;
  std::vector<std::thread> workers;
  for (int slot = 0; slot < threads; ++slot) {
    workers.emplace_back([&, slot] {
      run.work(slot);
      std::lock_guard<std::mutex> lock(mutex);
      if (--running == 0) finished.notify_one();
    });
  }
  const Clock::time_point start = Clock::now();
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; })) {
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      // Runs shorter than half a second would only flicker.
      if (showBar && seconds >= 0.5) reporter.drawBar(dexmora::progressBarText(run.done(), total, seconds));
    }
  }
  for (std::thread& worker : workers) worker.join();
  reporter.clearBar();
}

// Files were written without a sync each; one syncfs puts them all on the
// disk before the summary claims them written.
bool syncOutput(const std::string& directory, BatchReporter& reporter) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0 && syncfs(fd) == 0) {
    close(fd);
    return true;
  }
  const int err = errno;
  if (fd >= 0) close(fd);
  reporter.say("cannot sync the files in " + dexmora::quoted(directory) +
               " to the disk: " + std::strerror(err));
  return false;
}

std::string summary(const BatchRun& run, const LineCounts& counts) {
  std::string text = std::to_string(run.written()) + " written";
  if (counts.empty > 0) text += ", " + plural(counts.empty, "empty line") + " skipped";
  text += ", " + std::to_string(run.failed()) + " failed";
  if (run.done() < counts.work) text += ", " + std::to_string(counts.work - run.done()) + " not done (interrupted)";
  return text;
}

}  // namespace

int runBatch(const CliOptions& options) {
  BatchReporter reporter;
  const std::string numbered =
      "{n:05}." + std::string(dexmora::formatName(options.library.format.value_or(dexmora::OutputFormat::Png)));
  const std::string pattern = options.outputGiven ? options.outputPath : options.tsv ? "{name}" : numbered;
  const dexmora::Expected<NameTemplate> names = NameTemplate::parse(pattern, options.tsv);
  if (!names) {
    reporter.say(names.error().message());
    return DM_CLI_EXIT_USAGE;
  }
  const dexmora::BatchInput input = dexmora::readBatchInput(options.batchFile);
  if (!input.error.empty()) {
    reporter.say(input.error);
    return DM_CLI_EXIT_IO_ERROR;
  }
  const dexmora::Expected<LineCounts> counts = planBatch(input.bytes, *names, options.tsv);
  if (!counts) {
    reporter.say(counts.error().message());
    return DM_CLI_EXIT_USAGE;
  }
  // A directory that is not there would fail every line alike: said once.
  const std::string directory = names->fixedDirectory();
  struct stat st;
  const bool found = stat(directory.c_str(), &st) == 0;
  if (counts->work > 0 && (!found || !S_ISDIR(st.st_mode))) {
    const int err = found ? ENOTDIR : errno;
    reporter.say("cannot write files in " + dexmora::quoted(directory) + ": " + std::strerror(err) +
                 "; nothing was written");
    return DM_CLI_EXIT_CANT_CREATE;
  }
  // From here a signal only stops the taking of lines: files in flight are
  // finished or removed by their writers, so only complete files remain.
  dexmora::installSignalCleanup(dexmora::InterruptHandling::RecordOnly);
  BatchRun run(options, *names, input.bytes, reporter);
  const bool showBar = !options.quiet && isatty(STDERR_FILENO);
  if (counts->work > 0) runWorkers(run, threadCount(options, counts->work), counts->work, showBar, reporter);
  if (run.written() > 0 && !syncOutput(names->fixedDirectory(), reporter)) run.raiseStatus(DM_CLI_EXIT_CANT_CREATE);
  if (dexmora::interrupted()) run.raiseStatus(DM_CLI_EXIT_INTERRUPTED);
  reporter.say(summary(run, *counts));
  return run.status();
}
