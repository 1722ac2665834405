#pragma once

#include <string>

#include "core/sizes.h"

// Reads a --size value into `request`: "auto" or "0" for the automatic
// choice, a square side such as "24", or rows x columns such as "16x48".
// Returns false when the value names no symbol size.
bool parseSizeOption(const std::string& value, dexmora::SizeRequest& request);

// Every size, grouped by shape, as --help lists them; each line indented by
// `indent` spaces and at most `width` columns wide.
std::string sizeListText(int indent, int width);
