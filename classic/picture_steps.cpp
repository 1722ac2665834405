#include "picture_steps.h"

#include <dexmora/output_file.h>
#include <dexmora/render.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

DmPngTryContext pngTryContext = {nullptr, 0, nullptr};

namespace {

// The message of the last throw, which the try context points into after
// the save has returned.
std::string lastThrownMessage;

void reportLibpngError(const char* message) {
  const int reason = errno;
  std::fprintf(stderr, "libpng error: %s\n", message);
  errno = reason;
  pngTryContext.thrownMessage = message;
}

int throwOutOfMemory() {
  pngTryContext.caught = 1;
  pngTryContext.thrownMessage = "dmSavePng: Out of memory";
  errno = ENOMEM;
  return 0;
}

// translation(-(quietZone + moduleSize)) x scaling(s, -s) x translation(-0.5,
// Ymax - 0.5), s = 1 / moduleSize, multiplied out the way single-precision
// entries summed in double come out: s times the border is stored as a whole
// number, so pixel x maps to x * s - 3.5 and buffer row y to Ymax + 2.5 - y * s.
Matrix3 pictureTransform(int32_t moduleSize, int32_t quietZone, int symbolSize) {
  const float s = static_cast<float>(1.0 / moduleSize);
  const double border = static_cast<double>(s) * static_cast<float>(quietZone + moduleSize);
  const double shiftX = static_cast<float>(-border);
  const double shiftY = static_cast<float>(border);
  const double centreY = static_cast<float>(symbolSize - 2 - 0.5);
  return {{s, 0, 0, 0, -s, 0, static_cast<float>(shiftX - 0.5), static_cast<float>(shiftY + centreY), 1}};
}

// Half away from zero, of the stored single-precision value.
int toModule(float v) { return static_cast<int>(v > 0 ? static_cast<double>(v) + 0.5 : static_cast<double>(v) - 0.5); }

// Every pixel from its own indices through the transform (stepping would
// round differently). The transform pictureTransform builds has no cross or
// projective terms, so a buffer row shows one module row along its length,
// and a buffer row showing the same module row as the one below is its copy.
// Modules count from -1 at the left and top finder edges.
void paint(const RgbImage& image, const Matrix3& transform, const dexmora::Symbol& symbol) {
  const float* m = transform.m;
  const size_t rowBytes = static_cast<size_t>(image.width) * 3;
  int previousRow = 0;
  for (uint32_t y = 0; y < image.height; ++y) {
    uint8_t* pixel = image.pixels + y * rowBytes;
    const double py = static_cast<float>(y);
    const int row = toModule(static_cast<float>(m[4] * py + m[7]));
    if (y > 0 && row == previousRow) {
      std::memcpy(pixel, pixel - rowBytes, rowBytes);
      continue;
    }
    previousRow = row;
    for (uint32_t x = 0; x < image.width; ++x, pixel += 3) {
      const double px = static_cast<float>(x);
      const int column = toModule(static_cast<float>(px * m[0] + m[6]));
      const uint8_t value = symbol.isDark(column + 1, row + 1) ? 0 : 255;
      pixel[0] = value;
      pixel[1] = value;
      pixel[2] = value;
    }
  }
}

}  // namespace

int dmRenderImage(DmEncoder& encoder, const char* path) {
  const dexmora::Symbol* symbol = encoder.symbol.finished;
  if (symbol == nullptr) {
    errno = EINVAL;
    return 0;
  }
  encoder.transform = pictureTransform(encoder.moduleSize, encoder.quietZone, symbol->rows());
  paint(encoder.image, encoder.transform, *symbol);
  encoder.image.symbol = symbol;
  return dmSavePng(path, encoder.image);
}

int dmSavePng(const char* path, const RgbImage& image) {
  if (path == nullptr || image.symbol == nullptr) {
    errno = EINVAL;
    return 0;
  }
  try {
    const dexmora::Expected<dexmora::Rendering> png = dexmora::render(*image.symbol, dexmora::OutputFormat::Png);
    if (!png) {
      if (png.error().code() == dexmora::ErrorCode::OutOfMemory) return throwOutOfMemory();
      pngTryContext.caught = 1;
      lastThrownMessage = png.error().message();
      reportLibpngError(lastThrownMessage.c_str());
      errno = EINVAL;
      return 0;
    }
    pngTryContext.caught = 0;
    const dexmora::Expected<dexmora::WriteReport> written = dexmora::writeFile(path, png->bytes);
    if (written) return 1;
    // A name the writer will not use (a temporary's) is no failed system call.
    errno = written.error().systemError() != 0 ? written.error().systemError() : EINVAL;
    return 0;
  } catch (const std::bad_alloc&) {
    return throwOutOfMemory();
  }
}

void dmPngError(void*, const char* message) {
  reportLibpngError(message);
  if (pngTryContext.currentFrame) std::longjmp(*pngTryContext.currentFrame, 1);
}
