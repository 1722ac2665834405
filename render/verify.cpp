#include <dexmora/verify.h>

#include "render/render_parsers.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "core/encodation.h"
#include "core/gs1.h"
#include "render/raster.h"
#include "dexmora_text/quoting.h"

namespace dexmora {

namespace {

struct RgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
  std::string error;

  const uint8_t* pixel(int x, int y) const {
    return rgba.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
  }
};

// The picture's width and height from its header, before anything is decoded.
Expected<std::pair<uint32_t, uint32_t>> pngSize(std::string_view png) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    return Error(ErrorCode::VerifyMismatch, image.message);
  }
  const std::pair<uint32_t, uint32_t> size{image.width, image.height};
  png_image_free(&image);
  return size;
}

RgbaPicture readRgba(std::string_view png) {
  RgbaPicture picture;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    picture.error = image.message;
    return picture;
  }
  image.format = PNG_FORMAT_RGBA;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) {
    picture.error = image.message;
    png_image_free(&image);
  }
  return picture;
}

int distance(const uint8_t* pixel, const Colour& colour) {
  const int dr = pixel[0] - colour.r;
  const int dg = pixel[1] - colour.g;
  const int db = pixel[2] - colour.b;
  const int da = pixel[3] - colour.a;
  return dr * dr + dg * dg + db * db + da * da;
}

// Module index of pixel `p` along one side, -1 in the quiet zone.
std::vector<int> moduleOfPixel(const std::vector<int>& starts, int pixels) {
  std::vector<int> module(static_cast<size_t>(pixels), -1);
  for (size_t i = 0; i + 1 < starts.size(); ++i) {
    for (int p = std::max(0, starts[i]); p < std::min(pixels, starts[i + 1]); ++p) module[p] = static_cast<int>(i);
  }
  return module;
}

std::string compareModules(const RgbaPicture& picture, const Symbol& symbol, const ModuleSpans& spans,
                           const PaintColours& colours) {
  const std::vector<int> column = moduleOfPixel(spans.colStart, picture.width);
  const std::vector<int> row = moduleOfPixel(spans.rowStart, picture.height);
  long wrong = 0;
  std::string first;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* pixel = picture.pixel(x, y);
      const bool seenDark = distance(pixel, colours.dark) < distance(pixel, colours.light);
      const bool inSymbol = column[x] >= 0 && row[y] >= 0;
      if (seenDark == (inSymbol && symbol.isDark(column[x], row[y]))) continue;
      if (wrong++ == 0) {
        first = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + (seenDark ? "dark" : "light") +
                (inSymbol ? " in module (" + std::to_string(column[x]) + ", " + std::to_string(row[y]) + ")"
                          : std::string(" in the quiet zone"));
      }
    }
  }
  if (wrong == 0) return {};
  return std::to_string(wrong) + " pixels differ from the symbol; the first: " + first;
}

// The picture as the reader's luminance, flattened onto white and turned
// dark-on-light when --invert drew it the other way: zxing-cpp 1.4 has no
// inverted-symbol search.
std::vector<uint8_t> luminance(const RgbaPicture& picture, const PaintColours& colours) {
  const auto luma = [](const Colour& c) { return 299 * c.r + 587 * c.g + 114 * c.b; };
  const bool inverted = luma(flattenOnto(colours.dark, kWhite)) > luma(flattenOnto(colours.light, kWhite));
  std::vector<uint8_t> grey(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
  for (size_t i = 0; i < grey.size(); ++i) {
    const uint8_t* p = picture.rgba.data() + i * 4;
    const Colour flat = flattenOnto(Colour{p[0], p[1], p[2], p[3]}, kWhite);
    const auto value = static_cast<uint8_t>(luma(flat) / 1000);
    grey[i] = inverted ? static_cast<uint8_t>(255 - value) : value;
  }
  return grey;
}

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> grey;
};

std::optional<Reading> read(const Reader& reader, const GreyImage& image) {
  return reader.read(image.grey.data(), image.width, image.height);
}

// The picture enlarged until modules are 4 pixels and framed by a 2-module
// light margin: the reader needs both, a print at --module 1 or --quiet-zone 0
// has neither, and the module comparison has already vouched for the pixels.
GreyImage enlarged(const GreyImage& image, const ModuleSpans& spans) {
  int smallest = image.width;
  for (size_t i = 0; i + 1 < spans.colStart.size(); ++i) {
    smallest = std::min(smallest, spans.colStart[i + 1] - spans.colStart[i]);
  }
  const int scale = (4 + std::max(1, smallest) - 1) / std::max(1, smallest);
  const int margin = 2 * std::max(1, smallest) * scale;
  GreyImage out;
  out.width = image.width * scale + 2 * margin;
  out.height = image.height * scale + 2 * margin;
  out.grey.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 255);
  for (int y = 0; y < image.height * scale; ++y) {
    for (int x = 0; x < image.width * scale; ++x) {
      out.grey[static_cast<size_t>(y + margin) * static_cast<size_t>(out.width) + static_cast<size_t>(x + margin)] =
          image.grey[static_cast<size_t>(y / scale) * static_cast<size_t>(image.width) + static_cast<size_t>(x / scale)];
    }
  }
  return out;
}

std::string compareReading(const Reader& reader, const RgbaPicture& picture, const ModuleSpans& spans,
                           const PaintColours& colours, const VerifyExpectation& expected, std::string& note) {
  const GreyImage image{picture.width, picture.height, luminance(picture, colours)};
  std::optional<Reading> reading = read(reader, image);
  if (!reading) {
    reading = read(reader, enlarged(image, spans));
    if (reading) note = "the reader needed the picture enlarged and given a quiet zone to read it";
  }
  if (!reading) return "the reader finds no Data Matrix symbol in the picture";
  if (expected.bytes && reading->bytes != *expected.bytes) {
    return "the reader reads " + quoted(reading->bytes) + " instead of " + quoted(*expected.bytes);
  }
  if (expected.gs1 && reading->symbologyIdentifier != "]d2") {
    return "the reader sees no GS1 symbol (identifier " + quoted(reading->symbologyIdentifier) + ")";
  }
  return {};
}

// zxing-cpp 1.4, the reader at hand, reads 144x144 only in the rotated block order.
bool readerCannotCheck(const Symbol& symbol) {
  return symbol.rows() == 144 && symbol.cols() == 144 && symbol.layout() == Dm144Layout::Iso;
}

}  // namespace

VerifyExpectation expectationFor(std::string_view text, const EncodeOptions& encodeOptions) {
  const DataOptions& options = settingsOf(encodeOptions).data;
  VerifyExpectation expected;
  if (options.macro != 0) return expected;
  expected.gs1 = gs1Input(options);
  if (!expected.gs1) {
    expected.bytes = std::string(text);
    return expected;
  }
  // The reader joins the element strings with GS whichever separator the symbol uses.
  const auto units = parseGs1(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                              {true, options.gs1NoCheck, options.gs1Parens});
  if (units) expected.bytes = std::string(units->begin(), units->end());
  return expected;
}

Expected<VerifyReport> verify(const Symbol& symbol, std::string_view png, const RenderSettings& settings,
                              const VerifyExpectation& expected, const Reader* reader, const VerifyLimits& limits) {
  const auto mismatch = [](std::string message) { return Error(ErrorCode::VerifyMismatch, std::move(message)); };
  try {
    if (Expected<void> valid = checkRenderSettings(settings); !valid) return valid.error();
    const Expected<std::pair<uint32_t, uint32_t>> size = pngSize(png);
    if (!size) return mismatch("the PNG cannot be read back: " + size.error().message());
    if (Expected<void> fits = checkPictureSize(size->first, size->second, {limits.maxSide, limits.maxPixels}); !fits) {
      return Error(ErrorCode::PictureTooLarge, "verification reads back pictures of at most " +
                                                   std::to_string(limits.maxSide) + " pixels a side and " +
                                                   std::to_string(limits.maxPixels) + " in all; this one is " +
                                                   std::to_string(size->first) + "x" + std::to_string(size->second));
    }
    const RgbaPicture picture = readRgba(png);
    if (!picture.error.empty()) return mismatch("the PNG cannot be read back: " + picture.error);
    const ModuleSpans spans = pngModuleSpans(symbol, settings);
    const PaintColours colours = paintColours(settings);
    const std::string modules = compareModules(picture, symbol, spans, colours);
    if (!modules.empty()) return mismatch(modules);
    VerifyReport report;
    if (readerCannotCheck(symbol)) {
      report.note = "144x144: the reader cannot check this layout; modules compared only";
    } else if (!reader) {
      report.note = "no reader to decode with; modules compared only";
    } else if (const std::string reading = compareReading(*reader, picture, spans, colours, expected, report.note);
               !reading.empty()) {
      return mismatch(reading);
    }
    return report;
  } catch (const std::bad_alloc&) {
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
}

}  // namespace dexmora
