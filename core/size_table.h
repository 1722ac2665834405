#pragma once

#include <cstdint>

#include <dexmora/sizes.h>

#include "core/encode_settings.h"

namespace dexmora {

constexpr int SQUARE_SIZE_COUNT = 24;
constexpr int SIZE_COUNT = 48;

// Squares first, in the order of today's size list (index = size list
// position), then the standard's rectangles, then DMRE; each group by area.
inline constexpr SymbolSize SYMBOL_SIZES[SIZE_COUNT] = {
    {10, 10, 8, 8, 3, 5, 1, SizeKind::Square},
    {12, 12, 10, 10, 5, 7, 1, SizeKind::Square},
    {14, 14, 12, 12, 8, 10, 1, SizeKind::Square},
    {16, 16, 14, 14, 12, 12, 1, SizeKind::Square},
    {18, 18, 16, 16, 18, 14, 1, SizeKind::Square},
    {20, 20, 18, 18, 22, 18, 1, SizeKind::Square},
    {22, 22, 20, 20, 30, 20, 1, SizeKind::Square},
    {24, 24, 22, 22, 36, 24, 1, SizeKind::Square},
    {26, 26, 24, 24, 44, 28, 1, SizeKind::Square},
    {32, 32, 14, 14, 62, 36, 1, SizeKind::Square},
    {36, 36, 16, 16, 86, 42, 1, SizeKind::Square},
    {40, 40, 18, 18, 114, 48, 1, SizeKind::Square},
    {44, 44, 20, 20, 144, 56, 1, SizeKind::Square},
    {48, 48, 22, 22, 174, 68, 1, SizeKind::Square},
    {52, 52, 24, 24, 204, 84, 2, SizeKind::Square},
    {64, 64, 14, 14, 280, 112, 2, SizeKind::Square},
    {72, 72, 16, 16, 368, 144, 4, SizeKind::Square},
    {80, 80, 18, 18, 456, 192, 4, SizeKind::Square},
    {88, 88, 20, 20, 576, 224, 4, SizeKind::Square},
    {96, 96, 22, 22, 696, 272, 4, SizeKind::Square},
    {104, 104, 24, 24, 816, 336, 6, SizeKind::Square},
    {120, 120, 18, 18, 1050, 408, 6, SizeKind::Square},
    {132, 132, 20, 20, 1304, 496, 8, SizeKind::Square},
    {144, 144, 22, 22, 1558, 620, 10, SizeKind::Square},

    {8, 18, 6, 16, 5, 7, 1, SizeKind::Rectangle},
    {8, 32, 6, 14, 10, 11, 1, SizeKind::Rectangle},
    {12, 26, 10, 24, 16, 14, 1, SizeKind::Rectangle},
    {12, 36, 10, 16, 22, 18, 1, SizeKind::Rectangle},
    {16, 36, 14, 16, 32, 24, 1, SizeKind::Rectangle},
    {16, 48, 14, 22, 49, 28, 1, SizeKind::Rectangle},

    {8, 48, 6, 22, 18, 15, 1, SizeKind::Dmre},
    {8, 64, 6, 14, 24, 18, 1, SizeKind::Dmre},
    {8, 80, 6, 18, 32, 22, 1, SizeKind::Dmre},
    {8, 96, 6, 22, 38, 28, 1, SizeKind::Dmre},
    {8, 120, 6, 18, 49, 32, 1, SizeKind::Dmre},
    // 99 codewords fit one Reed-Solomon block, as in every other DMRE size;
    // readers decode 8x144 as one block of 36 error codewords.
    {8, 144, 6, 22, 63, 36, 1, SizeKind::Dmre},
    {12, 64, 10, 14, 43, 27, 1, SizeKind::Dmre},
    {12, 88, 10, 20, 64, 36, 1, SizeKind::Dmre},
    {16, 64, 14, 14, 62, 36, 1, SizeKind::Dmre},
    {20, 36, 18, 16, 44, 28, 1, SizeKind::Dmre},
    {20, 44, 18, 20, 56, 34, 1, SizeKind::Dmre},
    {20, 64, 18, 14, 84, 42, 1, SizeKind::Dmre},
    {22, 48, 20, 22, 72, 38, 1, SizeKind::Dmre},
    {24, 48, 22, 22, 80, 41, 1, SizeKind::Dmre},
    {24, 64, 22, 14, 108, 46, 1, SizeKind::Dmre},
    {26, 40, 24, 18, 70, 38, 1, SizeKind::Dmre},
    {26, 48, 24, 22, 90, 42, 1, SizeKind::Dmre},
    {26, 64, 24, 14, 118, 50, 1, SizeKind::Dmre},
};

// Largest data capacity of any size (144x144).
constexpr int MAX_DATA_CODEWORDS = 1558;

// Index of the size with these sides, or -1.
int findSize(int rows, int cols);

// The sizes a symbol may take, in order of preference: the size asked for
// first (when it exists), then the automatic order. A size asked for that the
// data does not fit falls back within its own shape: a square to the next
// square, a rectangle or DMRE size to rectangles (and DMRE); with
// request.exact it does not fall back at all. Returns the number of indices
// written to `out` (at most SIZE_COUNT).
int candidateSizes(const SizeRequest& request, int (&out)[SIZE_COUNT]);

}  // namespace dexmora
