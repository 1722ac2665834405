// Link-time wrappers for malloc and calloc (ld --wrap): every call made by
// the program's own objects, the first release's API among them, is counted
// (libdexmora.so, libc, libstdc++ and libpng are shared, so theirs are not),
// and the call whose number DEXMORA_FAIL_ALLOCATION names (from 1) fails as
// an exhausted heap would. With DEXMORA_FAIL_NEW_AFTER=N, the first operator
// new once N calls are counted fails instead: the library's next allocation,
// wherever it is made.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "replaced_new.h"

extern "C" void* __real_malloc(std::size_t size);
extern "C" void* __real_calloc(std::size_t count, std::size_t size);

namespace {

long fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::strtol(value, nullptr, 10) : 0L;
}

long failingCall() {
  static const long call = fromEnvironment("DEXMORA_FAIL_ALLOCATION");
  return call;
}

long failingNewAfter() {
  static const long after = fromEnvironment("DEXMORA_FAIL_NEW_AFTER");
  return after;
}

long counted = 0;
bool newFailed = false;

bool failThisCall() {
  if (++counted != failingCall()) return false;
  errno = ENOMEM;
  return true;
}

}  // namespace

void* testAllocate(std::size_t size) {
  if (!newFailed && failingNewAfter() > 0 && counted >= failingNewAfter()) {
    newFailed = true;
    throw std::bad_alloc();
  }
  if (void* p = __real_malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

extern "C" void* __wrap_malloc(std::size_t size) { return failThisCall() ? nullptr : __real_malloc(size); }

extern "C" void* __wrap_calloc(std::size_t count, std::size_t size) {
  return failThisCall() ? nullptr : __real_calloc(count, size);
}

