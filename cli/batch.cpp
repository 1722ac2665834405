#include "dexmora_frontend/key_spelling.h"

#include "cli/batch.h"

#include <dexmora/encode.h>
#include <dexmora/output_file.h>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/batch_input.h"
#include "cli/batch_plan.h"
#include "cli/batch_progress.h"
#include "cli/exit_status.h"
#include "cli/name_template.h"
#include "cli/picture.h"
#include "cli/signal_cleanup.h"
#include "cli/text_input.h"
#include "cli/verbose.h"

namespace {

using dexmora::BatchJob;
using dexmora::BatchReporter;
using Clock = std::chrono::steady_clock;

// The exit statuses a batch can end with, least serious first (a signal ends
// it with the signal's own status).
int severity(int status) {
  switch (status) {
    case DM_CLI_EXIT_DATA: return 1;
    case DM_CLI_EXIT_SOFTWARE: return 2;
    case DM_CLI_EXIT_CANT_CREATE: return 3;
    case DM_CLI_EXIT_IO_ERROR: return 4;
    default: return 0;
  }
}

std::string plural(std::size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// A worker takes this many lines (or bytes) at a time, so the threads meet
// at the list's lock once per chunk and spend the rest in their own calls.
constexpr std::size_t kChunkLines = 32;
constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

// The list, read and planned in order under one lock, handed out in chunks.
class JobQueue {
 public:
  JobQueue(dexmora::BatchSource& source, dexmora::BatchPlanner& planner) : m_source(source), m_planner(planner) {}

  // Fills `jobs` with the next lines to do; false when none are left. Only
  // the first line is waited for: a pipe's lines are done as they come.
  bool take(std::vector<BatchJob>& jobs) {
    jobs.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t bytes = 0;
    const auto more = [&] {
      return jobs.size() < kChunkLines && bytes < kChunkBytes &&
             (jobs.empty() || m_source.rereadable() || m_source.lineBuffered());
    };
    for (dexmora::BatchLine line; more() && m_source.next(line);) {
      BatchJob job;
      if (!m_planner.plan(line, job)) continue;
      bytes += job.text.size();
      jobs.push_back(std::move(job));
    }
    return !jobs.empty();
  }

  dexmora::BatchCounts counts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_planner.counts();
  }

 private:
  std::mutex m_mutex;
  dexmora::BatchSource& m_source;
  dexmora::BatchPlanner& m_planner;
};

// What the worker threads share.
class BatchRun {
 public:
  BatchRun(const CliOptions& options, const dexmora::OutputDirectory& directory, JobQueue& jobs,
           BatchReporter& reporter)
      : m_options(options), m_directory(directory), m_jobs(jobs), m_reporter(reporter) {}

  // Takes lines until they run out or a signal asks to stop; `slot` is the
  // thread's own registration for temporaries the signal handler may remove.
  void work(int slot) {
    dexmora::OutputFileOptions fileOptions;
    fileOptions.sync = dexmora::SyncPolicy::Never;
    const dexmora::TemporaryNamed announce = dexmora::temporaryNamedInSlot(slot);
    std::vector<BatchJob> chunk;
    while (!dexmora::interrupted() && m_jobs.take(chunk)) {
      for (const BatchJob& job : chunk) {
        if (dexmora::interrupted()) return;
        const int status = runJob(job, fileOptions, announce);
        (status == DM_CLI_EXIT_OK ? m_written : m_failed)++;
        m_done++;
        if (status != DM_CLI_EXIT_OK) raiseStatus(status);
      }
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
  int refuse(const BatchJob& job, int status, const std::string& reason) {
    say(job.label + ": " + reason);
    return status;
  }

  int runJob(const BatchJob& job, const dexmora::OutputFileOptions& fileOptions,
             const dexmora::TemporaryNamed& announce) {
    if (!job.problem.empty()) return refuse(job, DM_CLI_EXIT_DATA, job.problem);
    const dexmora::Expected<dexmora::OutputFormat> format = dexmora::formatForPath(job.path, m_options.library.format());
    if (!format) return refuse(job, DM_CLI_EXIT_DATA, format.error().message(dexmora::commandLineKey));
    const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(job.text, m_options.encode());
    if (!symbol) return refuse(job, DM_CLI_EXIT_DATA, symbol.error().message(dexmora::commandLineKey));
    for (const dexmora::Notice& notice : symbol->notices()) say(job.label + ": warning: " + notice.message());
    const Picture picture = makePicture(*symbol, *format, m_options, job.text);
    for (const std::string& warning : picture.warnings) warnOnce(warning);
    if (picture.status != 0) {
      return refuse(job, picture.status == DM_CLI_EXIT_SOFTWARE ? DM_CLI_EXIT_SOFTWARE : DM_CLI_EXIT_DATA,
                    picture.message);
    }
    const dexmora::Expected<dexmora::WriteReport> written =
        dexmora::writeFileTracked(m_directory, job.name, picture.bytes, fileOptions, announce);
    if (!written) {
      // A name the writer refuses is the line's fault, like a bad format.
      const bool refused = written.error().code() != dexmora::ErrorCode::WriteFailed;
      return refuse(job, refused ? DM_CLI_EXIT_DATA : DM_CLI_EXIT_CANT_CREATE, written.error().message(dexmora::commandLineKey));
    }
    for (const std::string& warning : written->warnings) say(job.label + ": warning: " + warning);
    if (m_options.verbose) {
      say(job.label + ": " + symbolReport(*symbol, m_options.encode(), *format, job.path));
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
  const dexmora::OutputDirectory& m_directory;
  JobQueue& m_jobs;
  BatchReporter& m_reporter;
  std::atomic<std::size_t> m_done{0};
  std::atomic<std::size_t> m_written{0};
  std::atomic<std::size_t> m_failed{0};
  std::atomic<int> m_status{DM_CLI_EXIT_OK};
  std::mutex m_warnedMutex;
  std::set<std::string> m_warned;
};

// Descriptors a writing thread may hold at once: its temporary, the target
// it replaces, a second open of it in a sticky directory, a subdirectory.
constexpr std::size_t kDescriptorsPerThread = 4;

std::size_t openDescriptors() {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return 3;
  std::size_t count = 0;
  while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count > 0 ? count - 1 : 0;  // less the listing's own
}

// As many threads as asked (one per core by default), but no more than there
// are lines, signal slots, and descriptors left under RLIMIT_NOFILE.
int threadCount(const CliOptions& options, std::optional<std::size_t> work) {
  std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : std::thread::hardware_concurrency();
  jobs = std::min({std::max<std::size_t>(jobs, 1), static_cast<std::size_t>(dexmora::kTemporarySlots)});
  if (work) jobs = std::min(jobs, *work);
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const std::size_t used = openDescriptors() + 2;  // and the sync's and a message's
    const std::size_t left = limit.rlim_cur > used ? static_cast<std::size_t>(limit.rlim_cur) - used : 0;
    jobs = std::min(jobs, left / kDescriptorsPerThread);
  }
  return static_cast<int>(std::max<std::size_t>(jobs, 1));
}

// Runs the workers; the calling thread draws the progress bar meanwhile and
// takes the stop signals. A thread that cannot start leaves the work to the
// others; with none started the calling thread does it all.
void runWorkers(BatchRun& run, int threads, std::optional<std::size_t> total, bool showBar, BatchReporter& reporter) {
  std::mutex mutex;
  std::condition_variable finished;
  int running = 0;
  std::vector<std::thread> workers;
  {
    dexmora::StopSignalsBlocked blocked;
    for (int slot = 0; slot < threads; ++slot) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        ++running;
      }
      try {
        workers.emplace_back([&, slot] {
          run.work(slot);
          std::lock_guard<std::mutex> lock(mutex);
          if (--running == 0) finished.notify_one();
        });
      } catch (const std::exception&) {
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        break;
      }
    }
  }
  if (workers.empty()) {
    run.work(0);
    return;
  }
  if (static_cast<int>(workers.size()) < threads) {
    run.say("warning: " + plural(workers.size(), "thread") + " of " + std::to_string(threads) +
            " could start; the batch goes on with them");
  }
  const Clock::time_point start = Clock::now();
  {
    std::unique_lock<std::mutex> lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; })) {
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      // Runs shorter than half a second would only flicker.
      if (showBar && seconds >= 0.5) {
        reporter.drawBar(total ? dexmora::progressBarText(run.done(), *total, seconds)
                               : dexmora::progressCountText(run.done(), seconds));
      }
    }
  }
  for (std::thread& worker : workers) worker.join();
  reporter.clearBar();
}

std::string summary(std::size_t written, std::size_t failed, const dexmora::BatchCounts& counts,
                    std::optional<std::size_t> total) {
  std::string text = std::to_string(written) + " written";
  if (counts.empty > 0) text += ", " + plural(counts.empty, "empty line") + " skipped";
  text += ", " + std::to_string(failed) + " failed";
  if (dexmora::interrupted()) {
    if (total && written + failed < *total) text += ", " + std::to_string(*total - written - failed) + " not done";
    text += " (interrupted)";
  }
  return text;
}

}  // namespace

int runBatch(const CliOptions& options) {
  BatchReporter reporter;
  const std::string numbered =
      "{n:05}." + std::string(dexmora::formatName(options.library.format().value_or(dexmora::OutputFormat::Png)));
  const std::string pattern = options.outputGiven ? options.outputPath : options.tsv ? "{name}" : numbered;
  const dexmora::Expected<dexmora::NameTemplate> names = dexmora::NameTemplate::parse(pattern, options.tsv);
  if (!names) {
    reporter.say(names.error().message(dexmora::commandLineKey));
    return DM_CLI_EXIT_USAGE;
  }
  dexmora::BatchSource source;
  if (const std::string error = source.open(options.batchFile); !error.empty()) {
    reporter.say(error);
    return DM_CLI_EXIT_IO_ERROR;
  }
  dexmora::BatchPlanner planner(*names, {options.tsv, options.tsvHeader, options.tsvAnyName});
  // A file is read once before anything is written, to count its lines and
  // refuse names given twice; a pipe is taken as it comes.
  std::optional<std::size_t> total;
  if (source.rereadable()) {
    BatchJob job;
    for (dexmora::BatchLine line; source.next(line);) planner.plan(line, job);
    std::string error = source.error().empty() ? source.rewind() : source.error();
    if (!error.empty()) {
      reporter.say(error);
      return DM_CLI_EXIT_IO_ERROR;
    }
    if (!planner.firstRepeat().empty()) {
      reporter.say(planner.firstRepeat());
      return DM_CLI_EXIT_USAGE;
    }
    total = planner.counts().work;
    if (total == std::size_t{0}) {
      reporter.say(summary(0, 0, planner.counts(), total));
      return DM_CLI_EXIT_OK;
    }
    planner.restart();
  }
  // Opened once: every file lands in this directory, whatever happens to its
  // name meanwhile. One that is not there would fail every line alike: said once.
  const dexmora::Expected<dexmora::OutputDirectory> directory = dexmora::OutputDirectory::open(names->fixedDirectory());
  if (!directory) {
    reporter.say(directory.error().message(dexmora::commandLineKey) + "; nothing was written");
    return DM_CLI_EXIT_CANT_CREATE;
  }
  // From here a signal only stops the taking of lines: files in flight are
  // finished or removed by their writers, so only complete files remain; the
  // summary is said and the files synced before the signal ends the program.
  dexmora::installSignalCleanup(dexmora::InterruptHandling::RecordOnly);
  source.stopWhen(dexmora::interrupted);
  JobQueue jobs(source, planner);
  BatchRun run(options, *directory, jobs, reporter);
  const bool showBar = !options.quiet && isatty(STDERR_FILENO);
  runWorkers(run, threadCount(options, total), total, showBar, reporter);
  if (!source.error().empty()) {
    reporter.say(source.error());
    run.raiseStatus(DM_CLI_EXIT_IO_ERROR);
  }
  if (run.written() > 0) {
    if (const dexmora::Expected<void> synced = directory->sync(); !synced) {
      reporter.say(synced.error().message(dexmora::commandLineKey));
      run.raiseStatus(DM_CLI_EXIT_CANT_CREATE);
    }
  }
  reporter.say(summary(run.written(), run.failed(), jobs.counts(), total));
  dexmora::dieOfInterrupt();
  return run.status();
}
