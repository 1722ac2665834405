#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "capi/capi.h"

namespace dexmora::capi {

namespace {

// The C numbering is its own, so that the C++ enumeration may be reordered
// or grow without moving a number a compiled program relies on.
struct CodeEntry {
  int code;
  ErrorCode error;
};

constexpr CodeEntry kCodes[] = {
    {DEXMORA_BAD_OPTION, ErrorCode::BadOption},
    {DEXMORA_EMPTY_TEXT, ErrorCode::EmptyText},
    {DEXMORA_TOO_LONG, ErrorCode::TooLong},
    {DEXMORA_NOT_ENCODABLE, ErrorCode::NotEncodable},
    {DEXMORA_BAD_GS1, ErrorCode::BadGs1},
    {DEXMORA_PICTURE_TOO_LARGE, ErrorCode::PictureTooLarge},
    {DEXMORA_RENDER_FAILED, ErrorCode::RenderFailed},
    {DEXMORA_WRITE_FAILED, ErrorCode::WriteFailed},
    {DEXMORA_VERIFY_MISMATCH, ErrorCode::VerifyMismatch},
    {DEXMORA_OUT_OF_MEMORY, ErrorCode::OutOfMemory},
};

constexpr int kLastCode = DEXMORA_INTERNAL_ERROR;

// A name copied once into storage that lives as long as the library, since
// C callers keep the pointer; fixed arrays, so that getting a name never
// allocates and so never fails.
struct Name {
  char text[48] = {};

  Name() = default;
  explicit Name(std::string_view name) {
    std::memcpy(text, name.data(), std::min(name.size(), sizeof text - 1));
  }
};

struct Names {
  Name byCode[kLastCode + 1];

  Names() {
    byCode[DEXMORA_OK] = Name("ok");
    for (const CodeEntry& entry : kCodes) byCode[entry.code] = Name(errorName(entry.error));
    byCode[DEXMORA_BAD_ARGUMENT] = Name("bad_argument");
    byCode[DEXMORA_INTERNAL_ERROR] = Name("internal_error");
  }
};

int codeOf(ErrorCode error) {
  const auto entry =
      std::find_if(std::begin(kCodes), std::end(kCodes), [&](const CodeEntry& e) { return e.error == error; });
  return entry != std::end(kCodes) ? entry->code : DEXMORA_INTERNAL_ERROR;
}

// This thread's last message. `current` points into `text`, or at a literal
// when copying the message itself ran out of memory.
struct LastError {
  std::string text;
  const char* current = "";
};

thread_local LastError lastError;

void remember(std::string_view message) noexcept {
  try {
    lastError.text.assign(message.data(), message.size());
    lastError.current = lastError.text.c_str();
  } catch (...) {
    lastError.current = "out of memory";
  }
}

}  // namespace

int fail(const Error& error) noexcept {
  try {
    remember(error.message());
    return codeOf(error.code());
  } catch (...) {
    return fail(DEXMORA_OUT_OF_MEMORY, "out of memory");
  }
}

int fail(int code, std::string_view message) noexcept {
  remember(message);
  return code;
}

}  // namespace dexmora::capi

using namespace dexmora::capi;

const char* dexmora_error_name(int code) {
  static const Names names;
  return code >= 0 && code <= kLastCode ? names.byCode[code].text : nullptr;
}

const char* dexmora_last_error(void) { return lastError.current; }

const char* dexmora_version(void) {
  static const Name version(dexmora::libraryVersion());
  return version.text;
}
