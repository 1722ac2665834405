#include "dexmora_text/quoting.h"

#include "cli/batch_plan.h"

#include <utility>

#include "cli/text_input.h"

namespace dexmora {

void BatchPlanner::restart() {
  m_counts = {};
  m_seen.clear();
  m_firstRepeat.clear();
}

bool BatchPlanner::plan(BatchLine& line, BatchJob& job) {
  if (m_options.tsv && m_options.tsvHeader && line.number == 1) return false;
  if (line.bytes.empty() && !line.tooLong) {
    ++m_counts.empty;
    return false;
  }
  ++m_counts.work;
  job = BatchJob{};
  job.number = line.number;
  job.label = "line " + std::to_string(line.number);
  if (line.tooLong) {
    job.problem = "the line is longer than " + std::to_string(DM_CLI_MAX_INPUT_BYTES) + " bytes";
    return true;
  }
  std::string_view name;
  if (!m_options.tsv) {
    job.text = std::move(line.bytes);
  } else {
    const TsvFields fields = splitTsv(line.bytes);
    if (!fields.valid) {
      job.problem = "no TAB between the name and the text";
      return true;
    }
    if (std::string problem = tsvNameProblem(fields.name, m_options.tsvAnyName); !problem.empty()) {
      job.problem = std::move(problem);
      return true;
    }
    job.label += " (" + dexmora::escapeControlBytes(fields.name) + ")";
    if (fields.extra) {
      job.problem = "a third column: a --tsv line is NAME<TAB>TEXT, and its text may hold no TAB";
      return true;
    }
    job.text = std::string(fields.text);
    name = fields.name;
  }
  job.path = m_names.expand(line.number, name);
  job.name = m_names.relativeName(job.path);
  checkRepeat(job);
  return true;
}

void BatchPlanner::checkRepeat(BatchJob& job) {
  if (m_names.usesNumber() && !m_names.usesName()) return;
  const auto [it, fresh] = m_seen.emplace(job.path, job.number);
  if (fresh) return;
  job.problem = "line " + std::to_string(it->second) + " already names the file " + dexmora::quoted(job.path) +
                "; the first file is kept";
  if (!m_firstRepeat.empty()) return;
  m_firstRepeat = "lines " + std::to_string(it->second) + " and " + std::to_string(job.number) +
                  " both name the file " + dexmora::quoted(job.path);
  if (!m_names.usesName()) m_firstRepeat += std::string(": put {n}") + (m_options.tsv ? " or {name}" : "") + " in the -o template";
  m_firstRepeat += "; nothing was written";
}

}  // namespace dexmora
