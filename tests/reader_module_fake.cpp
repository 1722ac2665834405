// Stand-ins for a broken reader module, one per failure the loader must name.
#include "reader/reader_module.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifdef FAKE_ABI
FAKE_EXPORT int dexmora_reader_module_abi(void) { return FAKE_ABI; }

FAKE_EXPORT int dexmora_reader_module_read(const uint8_t*, int, int, dexmora_reading_sink, void*) {
  return FAKE_READ_RESULT;
}
#else
FAKE_EXPORT int some_other_library_function(void) { return 0; }
#endif
