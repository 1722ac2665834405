/* The interface between dexmora-cli and its loadable reader module
 * (dexmora-zxing-reader.so). Plain C: the program carries its own copy of
 * the C++ runtime while zxing-cpp brings the shared one, so no C++ object,
 * allocation or exception may pass between them. */
#pragma once

#include <stddef.h>
#include <stdint.h>

/* Raised whenever the functions below change; the program refuses a module
 * built for another number. */
#define DEXMORA_READER_MODULE_ABI 1

#define DEXMORA_READER_MODULE_FILE "dexmora-zxing-reader.so"

#ifdef __cplusplus
extern "C" {
#endif

/* Receives what was read: the decoded bytes (ECI designators removed, FNC1
 * separators as GS) and the symbology identifier, e.g. "]d2" for GS1. The
 * data is the module's, valid only during the call. Must not throw. */
typedef void (*dexmora_reading_sink)(void* context, const char* bytes, size_t length,
                                     const char* symbology_identifier);

/* DEXMORA_READER_MODULE_ABI as the module was built. */
int dexmora_reader_module_abi(void);

/* Decodes a Data Matrix symbol from an 8-bit grey picture (row-major,
 * width x height, one byte a pixel, dark modules dark). Returns 1 after
 * passing the reading to `sink`, 0 when no symbol is found, -1 when memory
 * ran out. Safe to call from several threads at once. */
int dexmora_reader_module_read(const uint8_t* grey, int width, int height, dexmora_reading_sink sink,
                               void* context);

#ifdef __cplusplus
}
#endif
