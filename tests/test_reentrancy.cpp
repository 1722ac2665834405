#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <dexmora/encode.h>
#include "render/png.h"
#include "render/raster.h"

namespace {

struct Job {
  std::string text;
  dexmora::EncodeOptions options;
};

// What one job gave: the symbol and its PNG, or the error that stopped it.
struct Outcome {
  int sizeIndex = -1;
  std::vector<uint8_t> codewords;
  std::vector<uint8_t> modules;
  std::string png;
  std::string error;

  bool operator==(const Outcome& other) const {
    return sizeIndex == other.sizeIndex && codewords == other.codewords && modules == other.modules &&
           png == other.png && error == other.error;
  }
};

Outcome run(const Job& job) {
  Outcome outcome;
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(job.text, job.options);
  if (!symbol) {
    outcome.error = symbol.error().message();
    return outcome;
  }
  outcome.sizeIndex = symbol->sizeIndex();
  outcome.codewords = symbol->codewords();
  outcome.modules = symbol->modules();
  const dexmora::Expected<std::string> png = dexmora::encodePngRgb(dexmora::rasterizeDefault(*symbol));
  if (png) {
    outcome.png = *png;
  } else {
    outcome.error = png.error().message();
  }
  return outcome;
}

std::string randomText(std::mt19937& rng, int kind, size_t length) {
  std::string text(length, '\0');
  for (char& c : text) {
    const unsigned r = static_cast<unsigned>(rng());
    switch (kind) {
      case 0: c = static_cast<char>('0' + r % 10); break;
      case 1: c = static_cast<char>(' ' + r % 95); break;
      case 2: c = static_cast<char>(0x80 + r % 128); break;
      default: c = static_cast<char>(r % 256); break;  // zero bytes included
    }
  }
  return text;
}

// Digits, printable ASCII, high bytes and any bytes, from empty to too long
// for the largest symbol, asking for squares, rectangles, DMRE or one size.
std::vector<Job> makeJobs(int count) {
  const size_t lengths[] = {0, 1, 2, 5, 12, 12, 30, 30, 64, 64, 150, 400, 1100, 1700};
  const dexmora::Shape shapes[] = {dexmora::Shape::Square, dexmora::Shape::Any, dexmora::Shape::Rectangle};
  std::mt19937 rng(2024);
  std::vector<Job> jobs;
  for (int i = 0; i < count; ++i) {
    Job job;
    job.text = randomText(rng, i % 4, lengths[rng() % std::size(lengths)]);
    job.options.setShape(shapes[i % 3]);
    job.options.setDmre(i % 5 == 0);
    if (i % 11 == 0) {
      job.options.setSize(26, 26);
    }
    jobs.push_back(std::move(job));
  }
  return jobs;
}

TEST(Reentrancy, EightThreadsGiveTheSingleThreadedResults) {
  constexpr int kThreads = 8;
  const std::vector<Job> jobs = makeJobs(320);
  std::vector<Outcome> expected;
  for (const Job& job : jobs) expected.push_back(run(job));

  // The inputs must reach both outcomes and many sizes for the comparison to mean much.
  std::set<int> sizes;
  int failures = 0;
  for (const Outcome& o : expected) {
    if (o.sizeIndex < 0) ++failures;
    sizes.insert(o.sizeIndex);
  }
  EXPECT_GT(failures, 0);
  EXPECT_GT(sizes.size(), 20u);

  std::vector<std::vector<Outcome>> results(kThreads, std::vector<Outcome>(jobs.size()));
  std::atomic<int> waiting{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Start together, each at a different job, so different sizes overlap.
      --waiting;
      while (waiting.load() > 0) std::this_thread::yield();
      for (size_t k = 0; k < jobs.size(); ++k) {
        const size_t j = (k + static_cast<size_t>(t) * 41) % jobs.size();
        results[static_cast<size_t>(t)][j] = run(jobs[j]);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (int t = 0; t < kThreads; ++t) {
    for (size_t j = 0; j < jobs.size(); ++j) {
      ASSERT_TRUE(results[static_cast<size_t>(t)][j] == expected[j]) << "thread " << t << ", job " << j;
    }
  }
}

}  // namespace
