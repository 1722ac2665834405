#include <cstdlib>
#include <cstring>

#include "capi/capi.h"

using dexmora::capi::fail;
using dexmora::capi::guarded;

int dexmora_render(const dexmora_symbol* symbol, const dexmora_options* options, const char* format,
                   unsigned char** bytes, size_t* length) {
  return guarded([&] {
    if (bytes == nullptr || length == nullptr) {
      return fail(DEXMORA_BAD_ARGUMENT, "dexmora_render: the place for the bytes or their length is NULL");
    }
    *bytes = nullptr;
    *length = 0;
    if (symbol == nullptr) return fail(DEXMORA_BAD_ARGUMENT, "dexmora_render: the symbol is NULL");
    const dexmora::Expected<dexmora::OptionSet> set = dexmora::capi::finished(options);
    if (!set) return fail(set.error());
    dexmora::OutputFormat chosen = set->format().value_or(dexmora::OutputFormat::Png);
    if (format != nullptr) {
      const dexmora::Expected<dexmora::OutputFormat> parsed = dexmora::parseFormat(format);
      if (!parsed) return fail(parsed.error());
      chosen = *parsed;
    }
    const dexmora::Expected<dexmora::Rendering> picture = dexmora::render(symbol->symbol, chosen, set->renderSettings());
    if (!picture) return fail(picture.error());
    // malloc'd, so that dexmora_free() is free() and a caller's FFI may free it alike.
    void* copy = std::malloc(picture->bytes.empty() ? 1 : picture->bytes.size());
    if (copy == nullptr) return fail(DEXMORA_OUT_OF_MEMORY, "out of memory");
    std::memcpy(copy, picture->bytes.data(), picture->bytes.size());
    *bytes = static_cast<unsigned char*>(copy);
    *length = picture->bytes.size();
    return int{DEXMORA_OK};
  });
}

int dexmora_write_file(const dexmora_symbol* symbol, const dexmora_options* options, const char* path) {
  return guarded([&] {
    if (symbol == nullptr) return fail(DEXMORA_BAD_ARGUMENT, "dexmora_write_file: the symbol is NULL");
    if (path == nullptr) return fail(DEXMORA_BAD_ARGUMENT, "dexmora_write_file: the path is NULL");
    const dexmora::Expected<dexmora::OptionSet> set = dexmora::capi::finished(options);
    if (!set) return fail(set.error());
    const dexmora::Expected<dexmora::OutputFormat> format = dexmora::formatForPath(path, set->format());
    if (!format) return fail(format.error());
    const dexmora::Expected<dexmora::Rendering> picture = dexmora::render(symbol->symbol, *format, set->renderSettings());
    if (!picture) return fail(picture.error());
    const dexmora::Expected<dexmora::WriteReport> written = dexmora::writeFile(path, picture->bytes);
    if (!written) return fail(written.error());
    return int{DEXMORA_OK};
  });
}

void dexmora_free(void* bytes) { std::free(bytes); }
