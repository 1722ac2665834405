#pragma once

// The encoding options' text forms, as OptionSet and the command line give
// them. Every front end reaches them through OptionSet, so one text means the
// same thing on the command line, in a query string and in Python.
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/options.h>

#include "core/encode_settings.h"

namespace dexmora {

// "auto" or "0" for the automatic choice, a square side ("24") or rows x
// columns ("16x48") (option key "size"); the rest of the request at its defaults.
Expected<SizeRequest> parseSize(std::string_view text);
// "square", "rectangle" or "any" (option key "shape").
Expected<Shape> parseShape(std::string_view text);
// "iso" or "defacto" (option key "dm144").
Expected<Dm144Layout> parseDm144(std::string_view text);
// basic, minimal, ascii, c40, text, x12, edifact or base256 (option key "encodation").
Expected<Encodation> parseEncodation(std::string_view text);
// A whole number 0 to 999999 (option key "eci").
Expected<int> parseEci(std::string_view text);
// "05" or "06" (option key "macro"), giving 5 or 6.
Expected<int> parseMacro(std::string_view text);
// POSITION,COUNT or POSITION,COUNT,ID (option key "structured-append"):
// COUNT 2 to 16, POSITION 1 to COUNT, ID 1 to 64516.
Expected<StructuredAppend> parseStructuredAppend(std::string_view text);

}  // namespace dexmora
