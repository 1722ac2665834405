#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include <dexmora/error.h>

#include "cli/batch_input.h"
#include "cli/name_template.h"

namespace dexmora {

// The lines of a batch as they come, in order.
struct BatchCounts {
  std::size_t work = 0;   // lines to encode (non-empty, not the header)
  std::size_t empty = 0;  // empty lines, skipped
};

// One line's work: what to encode and where, or why the line is refused
// before any work (a bad TSV name, a name an earlier line took).
struct BatchJob {
  std::size_t number = 0;
  std::string label;  // "line 7", or "line 7 (first.svg)" for a TSV line with a good name
  std::string text;
  std::string path;   // the expanded template, as messages quote it
  std::string name;   // the same, relative to the template's fixed directory
  std::string problem;
};

struct BatchPlanOptions {
  bool tsv = false;
  bool tsvHeader = false;   // the first line is a header row, skipped
  bool tsvAnyName = false;  // names may hold control bytes and invalid UTF-8
};

// Turns lines into jobs in input order and remembers the names given so far
// (only when the template has {name}, or no field at all: {n} alone gives
// every line its own name), so a repeated name is the later line's problem.
class BatchPlanner {
 public:
  BatchPlanner(const NameTemplate& names, BatchPlanOptions options) : m_names(names), m_options(options) {}

  // False for a line that is no work (empty, the header); counted either way.
  bool plan(BatchLine& line, BatchJob& job);
  const BatchCounts& counts() const { return m_counts; }
  // The first name two lines shared, as the message that refuses the batch.
  const std::string& firstRepeat() const { return m_firstRepeat; }
  // Forgets the names and counts, for a second reading of the same list.
  void restart();

 private:
  void checkRepeat(BatchJob& job);

  const NameTemplate& m_names;
  BatchPlanOptions m_options;
  BatchCounts m_counts;
  std::unordered_map<std::string, std::size_t> m_seen;  // name -> the line that took it
  std::string m_firstRepeat;
};

}  // namespace dexmora
