// Preloaded into dexmora-cli by the writer-race tests: holds the process at
// one chosen call until the test lets it go, so that several writers
// interleave in exactly the order a test sets, with no sleeps.
// DEXMORA_PAUSE_AT is "CALL N READY GO": at the Nth call of CALL ("renameat",
// or "lock" for an F_OFD_SETLK) the process writes a byte to descriptor
// READY, waits for one on descriptor GO, and only then makes the call.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Pause {
  char call[16] = {};
  int at = 0;
  int ready = -1;
  int go = -1;
  int seen = 0;
};

Pause& pause() {
  static Pause chosen = [] {
    Pause p;
    const char* given = std::getenv("DEXMORA_PAUSE_AT");
    if (given == nullptr || std::sscanf(given, "%15s %d %d %d", p.call, &p.at, &p.ready, &p.go) != 4) p.at = 0;
    return p;
  }();
  return chosen;
}

void pauseAt(const char* call) {
  Pause& p = pause();
  if (p.at == 0 || std::strcmp(call, p.call) != 0 || ++p.seen != p.at) return;
  char byte = 1;
  if (write(p.ready, &byte, 1) == 1) static_cast<void>(!read(p.go, &byte, 1));
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Every fcntl command takes an int, a pointer or nothing: passed on as a pointer, as glibc reads it.
int forward(const char* name, int fd, int cmd, void* arg) {
  if (cmd == F_OFD_SETLK) pauseAt("lock");
  return next<int (*)(int, int, ...)>(name)(fd, cmd, arg);
}

}  // namespace

extern "C" int fcntl(int fd, int cmd, ...) {
  va_list args;
  va_start(args, cmd);
  void* arg = va_arg(args, void*);
  va_end(args);
  return forward("fcntl", fd, cmd, arg);
}

extern "C" int fcntl64(int fd, int cmd, ...) {
  va_list args;
  va_start(args, cmd);
  void* arg = va_arg(args, void*);
  va_end(args);
  return forward("fcntl64", fd, cmd, arg);
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) {
  pauseAt("renameat");
  return next<int (*)(int, const char*, int, const char*)>("renameat")(fromDir, from, toDir, to);
}
