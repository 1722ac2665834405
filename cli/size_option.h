#pragma once

#include <string>

// Every size, grouped by shape, as --help lists them; each line indented by
// `indent` spaces and at most `width` columns wide.
std::string sizeListText(int indent, int width);
