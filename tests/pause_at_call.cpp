// Preloaded into dexmora-cli by the writer-race tests: holds the process at
// one chosen call until the test lets it go, so that writers interleave in
// exactly the order a test sets, with no sleeps. DEXMORA_PAUSE_AT is
// "CALL N READY GO": at the Nth call of CALL ("renameat", or "lock" for an
// F_OFD_SETLK) a byte goes to descriptor READY, and the call waits for one
// on descriptor GO.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void pauseAt(const char* call) {
  static char chosen[16] = {};
  static int at = 0, ready = -1, go = -1, seen = 0;
  static const bool given = std::getenv("DEXMORA_PAUSE_AT") != nullptr &&
                            std::sscanf(std::getenv("DEXMORA_PAUSE_AT"), "%15s %d %d %d", chosen, &at, &ready, &go) == 4;
  if (!given || std::strcmp(call, chosen) != 0 || ++seen != at) return;
  char byte = 1;
  if (write(ready, &byte, 1) == 1) static_cast<void>(!read(go, &byte, 1));
}

}  // namespace

// Every fcntl command takes an int, a pointer or nothing: passed on as a pointer, as glibc reads it.
extern "C" int fcntl(int fd, int cmd, ...) {
  va_list args;
  va_start(args, cmd);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (cmd == F_OFD_SETLK) pauseAt("lock");
  static const auto next = reinterpret_cast<int (*)(int, int, ...)>(dlsym(RTLD_NEXT, "fcntl"));
  return next(fd, cmd, arg);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) {
  pauseAt("renameat");
  static const auto next = reinterpret_cast<int (*)(int, const char*, int, const char*)>(dlsym(RTLD_NEXT, "renameat"));
  return next(fromDir, from, toDir, to);
}
