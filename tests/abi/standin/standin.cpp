#include "standin.h"

namespace dexmora {

int area(const Limits& limits) { return limits.width * static_cast<int>(limits.sizes.size()); }

#ifndef PLANT_REMOVED
std::string describe(const Limits& limits) { return std::to_string(limits.width); }
#endif

#ifdef PLANT_STD_COPY
std::vector<Limits> copies(const Limits& limits, int count) { return std::vector<Limits>(count, limits); }
#endif

#ifdef PLANT_UNDECLARED
STANDIN_EXPORT int internalHelper(int x) { return x + 1; }
#endif

}  // namespace dexmora

#ifdef PLANT_MATRIX3
void matrix3Identity(double* m) {
  for (int i = 0; i < 9; ++i) m[i] = i % 4 == 0 ? 1.0 : 0.0;
}
#endif
