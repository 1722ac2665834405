// A sheet of LINES labels beside the same symbols as LINES single PDFs. In
// one run, interleaved, ROUNDS times each: dexmora-cli --batch --sheet a4
// --grid 3x8 --caption '{text}' into one PDF, and dexmora-cli --batch -o
// '{n}.pdf' with -j 1 (one thread, as the sheet) and -j 2. Reports the
// medians, the sheet's size and the ratio to -j 1; the targets are at most
// 2 and under 10 MB.
// Usage: bench_sheet [LINES [ROUNDS [DEXMORA_CLI]]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "process_timing.h"

namespace {

namespace fs = std::filesystem;

struct Series {
  const char* name;
  std::vector<double> seconds;
};

void print(const Series& series) {
  std::printf("%-48s median %8.1f ms  (%.1f to %.1f)\n", series.name, median(series.seconds) * 1e3,
              quantile(series.seconds, 0) * 1e3, quantile(series.seconds, 1) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string cli = argc > 3 ? argv[3] : DEXMORA_CLI_PATH;
  const std::string dir = freshDirectory("sheet");
  const std::string list = dir + "/in.txt";
  {
    std::string text;
    char line[32];
    for (int i = 1; i <= lines; ++i) {
      std::snprintf(line, sizeof line, "SN-%06d\n", i);
      text += line;
    }
    std::FILE* file = std::fopen(list.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) return 1;
  }
  Series sheet{"dexmora-cli --batch --sheet a4 --grid 3x8 (1 PDF)", {}};
  Series one{"dexmora-cli --batch -o '{n}.pdf' -j 1", {}};
  Series two{"dexmora-cli --batch -o '{n}.pdf' -j 2", {}};
  uintmax_t sheetBytes = 0;
  for (int round = 0; round <= rounds; ++round) {
    const std::string out = dir + "/round" + std::to_string(round);
    fs::create_directories(out + "/j1");
    fs::create_directories(out + "/j2");
    const auto runSheet = [&] {
      return timeProcess({cli, "--batch", list, "--sheet", "a4", "--grid", "3x8", "--caption", "{text}", "-o",
                          out + "/sheet.pdf"});
    };
    const auto runSingles = [&](const char* jobs, const char* folder) {
      return timeProcess({cli, "--batch", list, "-j", jobs, "-o", out + "/" + folder + "/{n}.pdf"});
    };
    // They take turns at going first; the first round only warms the caches.
    double s = 0, j1 = 0, j2 = 0;
    if (round % 2 == 0) {
      s = runSheet();
      j1 = runSingles("1", "j1");
      j2 = runSingles("2", "j2");
    } else {
      j2 = runSingles("2", "j2");
      j1 = runSingles("1", "j1");
      s = runSheet();
    }
    if (s < 0 || j1 < 0 || j2 < 0) {
      std::fprintf(stderr, "bench_sheet: a run failed\n");
      return 1;
    }
    if (round == 0) {
      sheetBytes = fs::file_size(out + "/sheet.pdf");
      continue;
    }
    sheet.seconds.push_back(s);
    one.seconds.push_back(j1);
    two.seconds.push_back(j2);
  }
  fs::remove_all(dir);
  std::printf("%d labels, %d rounds, interleaved; the sheet is %ju bytes (%.2f MB)\n", lines, rounds, sheetBytes,
              static_cast<double>(sheetBytes) / 1e6);
  print(sheet);
  print(one);
  print(two);
  const double ratio = median(sheet.seconds) / median(one.seconds);
  const bool met = ratio <= 2.0 && sheetBytes < 10000000;
  std::printf("sheet / -j 1 = %.2f, sheet / -j 2 = %.2f (targets: <= 2.00 and under 10 MB%s)\n", ratio,
              median(sheet.seconds) / median(two.seconds), met ? "" : ", missed");
  return met ? 0 : 2;
}
