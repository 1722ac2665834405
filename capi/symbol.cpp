#include <cstdint>
#include <memory>

#include "capi/capi.h"

using dexmora::capi::fail;
using dexmora::capi::guarded;

int dexmora_encode(const void* data, size_t length, const dexmora_options* options, dexmora_symbol** symbol) {
  return guarded([&] {
    if (symbol == nullptr) return fail(DEXMORA_BAD_ARGUMENT, "dexmora_encode: the place for the symbol is NULL");
    *symbol = nullptr;
    if (data == nullptr && length != 0) {
      return fail(DEXMORA_BAD_ARGUMENT,
                  "dexmora_encode: the data are NULL but their length is " + std::to_string(length));
    }
    const dexmora::Expected<dexmora::OptionSet> set = dexmora::capi::finished(options);
    if (!set) return fail(set.error());
    // No data at all is an empty text, which encode() refuses with its own message.
    static const uint8_t kNothing = 0;
    const uint8_t* bytes = data != nullptr ? static_cast<const uint8_t*>(data) : &kNothing;
    dexmora::Expected<dexmora::Symbol> encoded = dexmora::encode(bytes, length, set->encodeOptions());
    if (!encoded) return fail(encoded.error());
    auto made = std::make_unique<dexmora_symbol>(dexmora_symbol{std::move(encoded).value(), {}});
    for (const dexmora::Notice& notice : made->symbol.notices()) made->noticeNames.emplace_back(notice.name());
    *symbol = made.release();
    return int{DEXMORA_OK};
  });
}

int dexmora_symbol_rows(const dexmora_symbol* symbol) { return symbol != nullptr ? symbol->symbol.rows() : -1; }

int dexmora_symbol_cols(const dexmora_symbol* symbol) { return symbol != nullptr ? symbol->symbol.cols() : -1; }

int dexmora_symbol_module(const dexmora_symbol* symbol, int row, int col) {
  if (symbol == nullptr || row < 0 || col < 0 || row >= symbol->symbol.rows() || col >= symbol->symbol.cols()) {
    return -1;
  }
  return symbol->symbol.isDark(col, row) ? 1 : 0;
}

const char* dexmora_symbol_notice(const dexmora_symbol* symbol, int index) {
  if (symbol == nullptr || index < 0 || static_cast<size_t>(index) >= symbol->noticeNames.size()) return nullptr;
  return symbol->noticeNames[static_cast<size_t>(index)].c_str();
}

const char* dexmora_symbol_notice_message(const dexmora_symbol* symbol, int index) {
  if (dexmora_symbol_notice(symbol, index) == nullptr) return nullptr;
  return symbol->symbol.notices()[static_cast<size_t>(index)].message().c_str();
}

void dexmora_symbol_free(dexmora_symbol* symbol) { delete symbol; }
