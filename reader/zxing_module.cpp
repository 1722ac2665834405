#include <new>
#include <optional>

#include "reader/reader_module.h"
#include "reader/zxing_reader.h"

#define DEXMORA_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

DEXMORA_MODULE_EXPORT int dexmora_reader_module_abi(void) { return DEXMORA_READER_MODULE_ABI; }

// Nothing may unwind into the program: every exception ends here. One the
// reader should never throw counts as nothing read, so verification fails
// rather than passes.
DEXMORA_MODULE_EXPORT int dexmora_reader_module_read(const uint8_t* grey, int width, int height,
                                                     dexmora_reading_sink sink, void* context) {
  try {
    const std::optional<dexmora::Reading> reading = dexmora::zxingReader().read(grey, width, height);
    if (!reading) return 0;
    sink(context, reading->bytes.data(), reading->bytes.size(), reading->symbologyIdentifier.c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    return -1;
  } catch (...) {
    return 0;
  }
}
