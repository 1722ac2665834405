// The global operator new and delete of a test program that makes
// allocations fail on purpose: replaced_new.cpp routes every form of new to
// the program's own testAllocate (which may throw std::bad_alloc) and every
// form of delete to std::free, so each block is freed the way it was got.
#pragma once

#include <cstddef>

void* testAllocate(std::size_t size);
