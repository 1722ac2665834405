#pragma once

// zxing-cpp's Data Matrix reader behind the library's Reader interface, for
// --verify and the tests. Only its reading functions are used.
#include <dexmora/verify.h>

namespace dexmora {

// The one reader; stateless, so every thread may use it at once.
const Reader& zxingReader();

}  // namespace dexmora
