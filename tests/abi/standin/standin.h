// A small library shaped like libdexmora, on which tests/abi/planted.sh
// plants the changes the ABI guard must catch; each PLANT_ macro is one.
#pragma once
#include <string>
#include <vector>

#define STANDIN_EXPORT __attribute__((visibility("default")))

namespace dexmora {

struct STANDIN_EXPORT Limits {
  int width = 0;
#ifdef PLANT_MEMBER
  int height = 0;
#endif
#ifdef PLANT_STD_MEMBER
  std::vector<long> sizes;
#else
  std::vector<int> sizes;
#endif
};

STANDIN_EXPORT int area(const Limits& limits);
#ifndef PLANT_REMOVED
STANDIN_EXPORT std::string describe(const Limits& limits);
#endif
#ifdef PLANT_STD_COPY
STANDIN_EXPORT std::vector<Limits> copies(const Limits& limits, int count);
#endif

}  // namespace dexmora

#ifdef PLANT_MATRIX3
STANDIN_EXPORT void matrix3Identity(double* m);
#endif
