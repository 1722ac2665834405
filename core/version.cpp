#include <dexmora/version.h>

namespace dexmora {

std::string_view libraryVersion() { return DEXMORA_VERSION; }

}  // namespace dexmora
