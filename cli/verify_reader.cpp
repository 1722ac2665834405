#include "cli/verify_reader.h"

#ifdef DEXMORA_HAVE_ZXING
#include "reader/zxing_reader.h"
#endif

const dexmora::Reader* verifyReader() {
#ifdef DEXMORA_HAVE_ZXING
  return &dexmora::zxingReader();
#else
  return nullptr;
#endif
}
