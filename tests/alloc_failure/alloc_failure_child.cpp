// Runs the whole encode job once per output path given, the way the dialog
// does, with one allocation made to fail by the wrappers linked in. Prints
// one line per job: "written", or "not written" and the writer's thrown
// message. Exits 0 when every job wrote its picture, 1 otherwise.
//
// Usage: alloc_failure_child SIZE TEXT PATH [PATH...]
#include <cstdio>
#include <cstdlib>

#include "classic/encode_job.h"
#include "classic/picture_steps.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s SIZE TEXT PATH [PATH...]\n", argv[0]);
    return 64;
  }
  const int size = std::atoi(argv[1]);
  int status = 0;
  for (int i = 3; i < argc; ++i) {
    pngTryContext.thrownMessage = nullptr;
    if (dmEncodeToFile(size, argv[2], argv[i]) == 0) {
      std::printf("written\n");
      continue;
    }
    const char* thrown = pngTryContext.caught && pngTryContext.thrownMessage ? pngTryContext.thrownMessage : "";
    std::printf("not written: %s\n", thrown);
    status = 1;
  }
  return status;
}
