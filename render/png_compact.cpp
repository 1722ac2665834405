#include "render/png_compact.h"

#include "core/message.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "render/raster.h"
#include "render/settings_in_force.h"

namespace dexmora {

namespace {

constexpr double MM_PER_INCH = 25.4;

// Everything libpng is told, prepared before the first libpng call so that a
// longjmp out of libpng skips no object that owns memory.
struct PngPlan {
  uint32_t width = 0;
  uint32_t height = 0;
  int colourType = PNG_COLOR_TYPE_GRAY;
  png_color palette[2] = {};
  png_byte alpha[2] = {255, 255};
  bool hasAlpha = false;
  uint32_t pixelsPerMetre = 0;
  int modulePixels = 1;
  int quietPixels = 0;
  std::vector<uint8_t> quietRow;
  std::vector<std::vector<uint8_t>> moduleRows;  // one packed pixel row per symbol row
};

struct PngSink {
  std::string* out = nullptr;
  char message[128] = {};
};

void onPngError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void onPngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  bool appended = true;
  try {
    sink->out->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    appended = false;
  }
  if (!appended) png_error(png, "out of memory");
}

bool isBlackAndWhite(const PaintColours& colours) {
  return (colours.dark == kBlack && colours.light == kWhite) || (colours.dark == kWhite && colours.light == kBlack);
}

// Pixel row of module row `y` (-1 for the quiet zone), 1 bit per pixel, the
// most significant bit first as PNG packs it.
std::vector<uint8_t> packRow(const PngPlan& plan, const Symbol& symbol, int y, bool darkBit) {
  std::vector<uint8_t> row((plan.width + 7) / 8, 0);
  const auto setRun = [&row](uint32_t first, uint32_t count) {
    for (uint32_t x = first; x < first + count; ++x) row[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
  };
  const uint32_t quiet = static_cast<uint32_t>(plan.quietPixels);
  const uint32_t module = static_cast<uint32_t>(plan.modulePixels);
  // Light pixels carry the bit when the dark ones do not (white is 1 in grey).
  if (!darkBit) {
    setRun(0, quiet);
    setRun(plan.width - quiet, quiet);
  }
  if (y < 0) {
    if (!darkBit) setRun(quiet, plan.width - 2 * quiet);
    return row;
  }
  for (int column = 0; column < symbol.cols(); ++column) {
    if (symbol.isDark(column, y) == darkBit) setRun(quiet + static_cast<uint32_t>(column) * module, module);
  }
  return row;
}

PngPlan makePlan(const Symbol& symbol, const PaintColours& colours, const PngGeometry& geometry) {
  PngPlan plan;
  plan.modulePixels = geometry.modulePixels;
  plan.quietPixels = geometry.quietPixels;
  plan.width = static_cast<uint32_t>(symbol.cols() * geometry.modulePixels + 2 * geometry.quietPixels);
  plan.height = static_cast<uint32_t>(symbol.rows() * geometry.modulePixels + 2 * geometry.quietPixels);
  plan.pixelsPerMetre = geometry.pixelsPerMetre;
  // Greyscale bit 1 is white; palette index 1 is the dark colour.
  bool darkBit = true;
  if (isBlackAndWhite(colours)) {
    darkBit = colours.dark == kWhite;
  } else {
    plan.colourType = PNG_COLOR_TYPE_PALETTE;
    plan.palette[0] = {colours.light.r, colours.light.g, colours.light.b};
    plan.palette[1] = {colours.dark.r, colours.dark.g, colours.dark.b};
    plan.alpha[0] = colours.light.a;
    plan.alpha[1] = colours.dark.a;
    plan.hasAlpha = !colours.light.opaque() || !colours.dark.opaque();
  }
  plan.quietRow = packRow(plan, symbol, -1, darkBit);
  for (int y = 0; y < symbol.rows(); ++y) plan.moduleRows.push_back(packRow(plan, symbol, y, darkBit));
  return plan;
}

void writeRows(png_structp png, png_infop info, const PngPlan& plan) {
  png_set_IHDR(png, info, plan.width, plan.height, 1, plan.colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (plan.colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_PLTE(png, info, plan.palette, 2);
    if (plan.hasAlpha) png_set_tRNS(png, info, plan.alpha, 2, nullptr);
  }
  if (plan.pixelsPerMetre != 0) {
    png_set_pHYs(png, info, plan.pixelsPerMetre, plan.pixelsPerMetre, PNG_RESOLUTION_METER);
  }
  // A label's picture is a few kilobytes at most: zlib's smallest hash table
  // compresses it as well and saves most of deflate's set-up per file.
  png_set_compression_mem_level(png, 1);
  png_write_info(png, info);
  for (int i = 0; i < plan.quietPixels; ++i) png_write_row(png, plan.quietRow.data());
  for (const std::vector<uint8_t>& row : plan.moduleRows) {
    for (int i = 0; i < plan.modulePixels; ++i) png_write_row(png, row.data());
  }
  for (int i = 0; i < plan.quietPixels; ++i) png_write_row(png, plan.quietRow.data());
  png_write_end(png, info);
}

// The only frame that calls setjmp: it holds no object with a destructor.
bool writeGuarded(png_structp png, png_infop info, const PngPlan& plan) {
  if (setjmp(png_jmpbuf(png))) return false;
  writeRows(png, info, plan);
  return true;
}

struct PngWriteHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriteHandles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

}  // namespace

PngGeometry pngGeometry(const RenderSettings& settings) {
  PngGeometry geometry;
  if (const std::optional<int> dpi = settings.dpi()) {
    const double xdim = xdimMmOf(settings);
    const double exact = xdim * *dpi / MM_PER_INCH;
    geometry.modulePixels = std::max(1, static_cast<int>(std::lround(exact)));
    geometry.pixelsPerMetre = static_cast<uint32_t>(std::lround(*dpi * 1000.0 / MM_PER_INCH));
    if (std::fabs(geometry.modulePixels - exact) > 0.1 * exact) {
      const double drawn = geometry.modulePixels * MM_PER_INCH / *dpi;
      char text[200];
      std::snprintf(text, sizeof text, "at %d dpi an X-dimension of %.3g mm is %.2f pixels; drawn as %d (%.3g mm)",
                    *dpi, xdim, exact, geometry.modulePixels, drawn);
      char xdimText[32];
      char drawnText[32];
      std::snprintf(xdimText, sizeof xdimText, "%.3g", xdim);
      std::snprintf(drawnText, sizeof drawnText, "%.3g", drawn);
      geometry.notice = Notice(NoticeCode::ModuleRounded,
                               {{"dpi", std::to_string(*dpi)},
                                {"xdim", xdimText},
                                {"pixels", std::to_string(geometry.modulePixels)},
                                {"drawn", drawnText}},
                               text);
    }
  } else {
    geometry.modulePixels = settings.modulePixels().value_or(kDefaultModulePixels);
    if (const std::optional<double> xdim = settings.xdimMm()) {
      geometry.pixelsPerMetre = static_cast<uint32_t>(std::lround(geometry.modulePixels * 1000.0 / *xdim));
    }
  }
  geometry.quietPixels = quietZoneOf(settings) * geometry.modulePixels;
  return geometry;
}

Expected<PngGeometry> checkedPngGeometry(const Symbol& symbol, const RenderSettings& settings) {
  PngGeometry geometry = pngGeometry(settings);
  if (geometry.modulePixels > 100) {
    return makeError(ErrorCode::BadOption, "at " + std::to_string(settings.dpi().value_or(0)) + " dpi the X-dimension is " +
                                           std::to_string(geometry.modulePixels) +
                                           " pixels a module; at most 100 are drawn: lower " + optionKey("xdim") +
                                           " or " + optionKey("dpi"));
  }
  const auto side = [&](int modules) {
    return static_cast<uint64_t>(modules) * static_cast<uint64_t>(geometry.modulePixels) +
           2 * static_cast<uint64_t>(geometry.quietPixels);
  };
  if (Expected<void> fits = checkPictureSize(side(symbol.cols()), side(symbol.rows()), settings.limits()); !fits)
    return fits.error();
  return geometry;
}

std::vector<int> moduleStarts(int count, const PngGeometry& geometry) {
  std::vector<int> starts;
  for (int i = 0; i <= count; ++i) starts.push_back(geometry.quietPixels + i * geometry.modulePixels);
  return starts;
}

Expected<std::string> encodePngCompact(const Symbol& symbol, const PaintColours& colours,
                                       const PngGeometry& geometry) {
  const PngPlan plan = makePlan(symbol, colours, geometry);
  std::string out;
  PngSink sink;
  sink.out = &out;
  PngWriteHandles handles;
  handles.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onPngError, onPngWarning);
  if (handles.png) handles.info = png_create_info_struct(handles.png);
  if (!handles.info) return Error{ErrorCode::OutOfMemory, "PNG: out of memory"};
  png_set_write_fn(handles.png, &sink, onPngWrite, nullptr);
  if (!writeGuarded(handles.png, handles.info, plan)) {
    return Error(std::strcmp(sink.message, "out of memory") == 0 ? ErrorCode::OutOfMemory : ErrorCode::RenderFailed,
                 std::string("PNG: ") + sink.message);
  }
  return out;
}

}  // namespace dexmora
