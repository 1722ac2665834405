#pragma once

// Python keyword arguments into the library's options. Each value becomes the
// text the command line takes for the same option (size=24 is "24", macro=5
// is "05", structured_append=(1, 3) is "1,3", True is "1") and is parsed by
// OptionSet::set, so one value means the same in Python as everywhere else.

#include <pybind11/pybind11.h>

#include <string_view>

#include <dexmora/option_set.h>

#include "dexmora_frontend/key_names.h"

namespace dexmora_python {

// Which of the library's options a function takes as keywords.
enum class OptionGroup : uint8_t {
  Encode,  // encode() and encode_many(): every option that is not a rendering one
  Render,  // png(), svg(), pdf(), eps(), to_pil(), the data URIs
  Save,    // save(): the rendering options and format
  Sheet,   // sheet(): the encoding options and those rendering ones a sheet's symbols take
};

// The Python keyword of library option `key`: "exact-size" is "exact_size".
using dexmora::pythonKeyword;

// Sets option `key` from `value` through OptionSet::set; None leaves it
// unset. TypeError (naming `function`) for a value of the wrong Python
// type, OptionError for one the library refuses.
void setOption(dexmora::OptionSet& options, std::string_view key, pybind11::handle value, const char* function);

// setOption() for every item of `keywords`; a keyword outside `group` is a
// TypeError that says where it belongs, or which keyword was meant.
void applyKeywords(dexmora::OptionSet& options, const pybind11::dict& keywords, OptionGroup group,
                   const char* function);

// OptionSet::finish(), its error raised as the matching exception.
void finishOptions(dexmora::OptionSet& options);

// The options of one call: `plain` for bytes and ASCII text, `unicode` for a
// str beyond ASCII, which gets ECI 26 (UTF-8) unless eci or utf8 was given.
struct CallOptions {
  dexmora::OptionSet plain;
  dexmora::OptionSet unicode;
  bool eciGiven = false;
};

// Finishes `options.plain`, set from a call's keywords, and makes `unicode`
// from it when a str beyond ASCII is there to encode.
void finishCallOptions(CallOptions& options, bool anyNonAscii);

// Raises TypeError "FUNCTION() argument 'NAME' must be EXPECTED, not TYPE".
[[noreturn]] void raiseWrongType(const char* function, std::string_view name, std::string_view expected,
                                 pybind11::handle value);

}  // namespace dexmora_python
