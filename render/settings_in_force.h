#pragma once

// The values a picture is drawn with: what was given, else the default.
#include <dexmora/render.h>

namespace dexmora {

inline int quietZoneOf(const RenderSettings& settings) { return settings.quietZone().value_or(kDefaultQuietZone); }
inline double xdimMmOf(const RenderSettings& settings) { return settings.xdimMm().value_or(kDefaultXdimMm); }
inline bool invertOf(const RenderSettings& settings) { return settings.invert().value_or(false); }

}  // namespace dexmora
