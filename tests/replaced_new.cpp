#include "replaced_new.h"

#include <cstdlib>
#include <new>

void* operator new(std::size_t size) { return testAllocate(size); }
void* operator new[](std::size_t size) { return testAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// The nothrow forms too: std::stable_sort's buffer comes from them.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return testAllocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
