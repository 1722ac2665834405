// Memory running out while libpng writes: every allocation of a rendering
// fails in turn, and each failure comes back as an error with libpng's
// structures freed. An exception unwinding through libpng's C frames would
// skip png_destroy_write_struct and leak them (or end the program).
#include <malloc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <ostream>

#include <dexmora/encode.h>
#include <dexmora/render.h>

#include "replaced_new.h"

namespace {

// The allocation that fails, counting from 1 after arming; 0 for none.
std::atomic<long> failAt{0};
std::atomic<long> counted{0};

}  // namespace

void* testAllocate(std::size_t size) {
  const long fail = failAt.load();
  if (fail > 0 && ++counted == fail) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

namespace {

std::size_t heapInUse() { return mallinfo2().uordblks; }

struct Case {
  const char* name;
  int side;
  bool exact;  // a module size given: the compact PNG, else the first release's picture
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class PngOutOfMemory : public ::testing::TestWithParam<Case> {};

TEST_P(PngOutOfMemory, EveryFailedAllocationIsAnErrorAndFreesLibpng) {
  const Case& c = GetParam();
  dexmora::EncodeOptions options;
  options.setSize(c.side, c.side);
  const dexmora::Symbol symbol = *dexmora::encode(std::string(c.side * 3, '7'), options);
  dexmora::RenderSettings settings;
  if (c.exact) settings.setModulePixels(dexmora::kDefaultModulePixels);
  ASSERT_TRUE(dexmora::render(symbol, dexmora::OutputFormat::Png, settings));  // warm up lazily made state
  const std::size_t baseline = heapInUse();
  int failures = 0;
  for (long n = 1;; ++n) {
    counted = 0;
    failAt = n;
    const dexmora::Expected<dexmora::Rendering> png = dexmora::render(symbol, dexmora::OutputFormat::Png, settings);
    const bool reached = counted.load() >= n;
    failAt = 0;
    if (!reached) {
      ASSERT_TRUE(png) << png.error().message();
      break;
    }
    ++failures;
    ASSERT_FALSE(png) << "allocation " << n << " failed unnoticed";
    EXPECT_EQ(png.error().code(), dexmora::ErrorCode::OutOfMemory) << png.error().message();
    // libpng's write structures and zlib's state are far over this; the
    // sanitizers' allocator keeps no such figures, and LSan checks there.
    if (baseline != 0) {
      ASSERT_LT(heapInUse(), baseline + 64 * 1024) << "allocation " << n;
    }
  }
  EXPECT_GT(failures, 3);
}

INSTANTIATE_TEST_SUITE_P(Pictures, PngOutOfMemory,
                         ::testing::Values(Case{"Default144", 144, false},
                                           Case{"Exact144", 144, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
