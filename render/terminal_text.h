#pragma once

#include <string>

#include <dexmora/symbol.h>
#include <dexmora/render.h>

namespace dexmora {

// A terminal preview in UTF-8: two module rows per line drawn with the half
// blocks U+2580, U+2584, U+2588 and spaces, the quiet zone included.
//
// The blocks are lit in the terminal's text colour, which on the usual dark
// terminal is light: so the light modules and the quiet zone are the blocks
// and the dark modules are left unlit, and a phone sees dark modules on a
// light field, the polarity every reader expects. --invert lights the dark
// modules instead, for terminals with dark text on a light background. An
// odd last module row is drawn as upper halves over the terminal's background.
std::string renderTerminalText(const Symbol& symbol, const RenderSettings& settings);

}  // namespace dexmora
