#include "capi/capi.h"

namespace dexmora::capi {

Expected<OptionSet> finished(const dexmora_options* options) {
  OptionSet set = options != nullptr ? options->set : OptionSet();
  if (Expected<void> done = set.finish(); !done) return done.error();
  return set;
}

}  // namespace dexmora::capi

using dexmora::capi::fail;
using dexmora::capi::guarded;

dexmora_options* dexmora_options_new(void) {
  try {
    return new dexmora_options{};
  } catch (const std::bad_alloc&) {
    fail(DEXMORA_OUT_OF_MEMORY, "out of memory");
    return nullptr;
  }
}

int dexmora_options_set(dexmora_options* options, const char* key, const char* value) {
  return guarded([&] {
    if (options == nullptr) return fail(DEXMORA_BAD_ARGUMENT, "dexmora_options_set: the options are NULL");
    if (key == nullptr) return fail(DEXMORA_BAD_ARGUMENT, "dexmora_options_set: the key is NULL");
    // NULL is a switch given alone; any other option's parser refuses it as empty.
    if (value == nullptr) {
      const dexmora::OptionInfo* option = dexmora::findOption(key);
      value = option != nullptr && option->isSwitch ? "1" : "";
    }
    if (dexmora::Expected<void> set = options->set.set(key, value); !set) return fail(set.error());
    return int{DEXMORA_OK};
  });
}

void dexmora_options_free(dexmora_options* options) { delete options; }
