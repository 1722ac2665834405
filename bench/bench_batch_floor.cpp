// The batch against its file system's floor. In one run, interleaved, ROUNDS
// times each: dexmora-cli --batch of LINES 12-character texts with
// --module 5 -j 2 into an empty folder, and floor_files creating as many
// files of the batch's average size through O_TMPFILE + linkat in another
// empty folder. Reports the medians and their ratio; the target is 1.3.
// Usage: bench_batch_floor [LINES [ROUNDS [DEXMORA_CLI]]]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "process_timing.h"

namespace {

namespace fs = std::filesystem;

// The texts bench_batch uses: symbols of 12x12 to 16x16.
std::string lineText(int i) {
  std::string text = "LOT" + std::to_string(i * 7919 % 1000003);
  text.resize(12, 'Z');
  return text;
}

long averageFileSize(const std::string& dir, int files) {
  uintmax_t total = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) total += entry.file_size();
  return static_cast<long>((total + static_cast<uintmax_t>(files) / 2) / static_cast<uintmax_t>(files));
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string cli = argc > 3 ? argv[3] : DEXMORA_CLI_PATH;
  const std::string dir = freshDirectory("batch-floor");
  const std::string list = dir + "/in.txt";
  {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += lineText(i) + "\n";
    std::FILE* file = std::fopen(list.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) return 1;
  }
  // Every run gets a folder of its own, and none is emptied before the end:
  // ext4 skips inodes freed in the last minutes, so creating right after
  // deleting thousands would time that search instead.
  std::vector<double> batch;
  std::vector<double> floor;
  long size = 0;
  for (int round = 0; round <= rounds; ++round) {
    const std::string batchDir = dir + "/batch" + std::to_string(round);
    const std::string floorDir = dir + "/floor" + std::to_string(round);
    fs::create_directory(batchDir);
    fs::create_directory(floorDir);
    const auto runBatch = [&] {
      return timeProcess({cli, "--batch", list, "--module", "5", "-j", "2", "-o", batchDir + "/{n}.png"});
    };
    const auto runFloor = [&] {
      return timeProcess({FLOOR_FILES_PATH, floorDir, std::to_string(lines), std::to_string(size)});
    };
    // The first round runs the batch first, for the size; then they take turns.
    double b = 0;
    double f = 0;
    if (round % 2 == 0) {
      b = runBatch();
      if (round == 0 && b >= 0) size = averageFileSize(batchDir, lines);
      f = runFloor();
    } else {
      f = runFloor();
      b = runBatch();
    }
    if (b < 0 || f < 0) {
      std::fprintf(stderr, "bench_batch_floor: %s failed\n", b < 0 ? "the batch" : "floor_files");
      return 1;
    }
    // The first round only warms the caches.
    if (round > 0) {
      batch.push_back(b);
      floor.push_back(f);
    }
  }
  fs::remove_all(dir);
  const double ratio = median(batch) / median(floor);
  std::printf("%d files of %ld bytes on average, %d rounds, interleaved\n", lines, size, rounds);
  std::printf("floor_files (O_TMPFILE + linkat, 1 thread)   median %8.1f ms  (%.1f to %.1f)\n", median(floor) * 1e3,
              quantile(floor, 0) * 1e3, quantile(floor, 1) * 1e3);
  std::printf("dexmora-cli --batch --module 5 -j 2          median %8.1f ms  (%.1f to %.1f)\n", median(batch) * 1e3,
              quantile(batch, 0) * 1e3, quantile(batch, 1) * 1e3);
  std::printf("ratio %.2f (target <= 1.30%s)\n", ratio, ratio <= 1.3 ? "" : ", missed");
  return ratio <= 1.3 ? 0 : 2;
}
