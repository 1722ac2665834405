// Link-time wrappers for malloc and calloc (ld --wrap): every call made by
// the objects linked into the program, the dexmora library included, is
// counted, and the call whose number DEXMORA_FAIL_ALLOCATION names (from 1)
// fails as an exhausted heap would. Allocations inside shared libraries
// (libc, libstdc++, libpng) are not counted, so the numbers follow the
// encoder's own allocation order.
#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" void* __real_malloc(std::size_t size);
extern "C" void* __real_calloc(std::size_t count, std::size_t size);

namespace {

long failingCall() {
  static const long call = [] {
    const char* value = std::getenv("DEXMORA_FAIL_ALLOCATION");
    return value ? std::strtol(value, nullptr, 10) : 0L;
  }();
  return call;
}

bool failThisCall() {
  static long calls = 0;
  if (++calls != failingCall()) return false;
  errno = ENOMEM;
  return true;
}

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) { return failThisCall() ? nullptr : __real_malloc(size); }

extern "C" void* __wrap_calloc(std::size_t count, std::size_t size) {
  return failThisCall() ? nullptr : __real_calloc(count, size);
}
