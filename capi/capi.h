#pragma once

// What the C interface's sources share: the opaque types behind the C
// handles, the finished copy of options, and how failures become codes and
// this thread's last message.

#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/dexmora.h>
#include <dexmora/dexmora_c.h>

struct dexmora_options {
  dexmora::OptionSet set;
};

struct dexmora_symbol {
  dexmora::Symbol symbol;
  // C strings of the notices' names; their messages are the symbol's own.
  std::vector<std::string> noticeNames;
};

namespace dexmora::capi {

// The options as encode and render need them: finished on a copy, so the
// caller's stay open for more set() calls. NULL gives the defaults.
Expected<OptionSet> finished(const dexmora_options* options);

// Records `error` as this thread's last failure and returns its C code.
int fail(const Error& error) noexcept;
// Records a failure of the C layer's own, e.g. a NULL argument.
int fail(int code, std::string_view message) noexcept;

// Runs `body`, which returns a C code; no exception leaves it.
template <typename Body>
int guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return fail(DEXMORA_OUT_OF_MEMORY, "out of memory");
  } catch (const std::exception& exception) {
    return fail(DEXMORA_INTERNAL_ERROR, exception.what());
  } catch (...) {
    return fail(DEXMORA_INTERNAL_ERROR, "an unknown exception inside the library");
  }
}

}  // namespace dexmora::capi
