/* The floor for one small picture: a C program that only writes, with
 * libpng's defaults, the 70x70 RGB PNG that `dexmora-cli -s 10 -o FILE 123456`
 * writes. Its modules and pixel spans are fixed data; bench_startup checks
 * that both files are byte for byte the same before timing them.
 * Usage: floor_png FILE */
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

enum { SIDE = 70, MODULES = 10 };

static const char* const SYMBOL[MODULES] = {
    "1010101010", "1100101101", "1100000100", "1100011101", "1100001000",
    "1000001111", "1110110000", "1111011001", "1001110100", "1111111111",
};
/* First pixel of each module column and row, then the end of the last. */
static const int COL_START[MODULES + 1] = {11, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60};
static const int ROW_START[MODULES + 1] = {10, 15, 20, 25, 29, 34, 39, 44, 49, 54, 59};

static int moduleAt(const int* start, int pixel) {
  for (int m = 0; m < MODULES; ++m) {
    if (pixel >= start[m] && pixel < start[m + 1]) return m;
  }
  return -1;
}

static png_byte pixels[SIDE][SIDE * 3];

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: floor_png FILE\n");
    return 64;
  }
  memset(pixels, 255, sizeof pixels);
  for (int y = 0; y < SIDE; ++y) {
    const int row = moduleAt(ROW_START, y);
    for (int x = 0; x < SIDE; ++x) {
      const int col = moduleAt(COL_START, x);
      if (row >= 0 && col >= 0 && SYMBOL[row][col] == '1') memset(&pixels[y][x * 3], 0, 3);
    }
  }
  FILE* file = fopen(argv[1], "wb");
  if (!file) return 73;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
  png_infop info = png ? png_create_info_struct(png) : NULL;
  if (!info || setjmp(png_jmpbuf(png))) return 70;
  png_bytep rows[SIDE];
  for (int y = 0; y < SIDE; ++y) rows[y] = pixels[y];
  png_init_io(png, file);
  png_set_IHDR(png, info, SIDE, SIDE, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return fclose(file) == 0 ? 0 : 73;
}
