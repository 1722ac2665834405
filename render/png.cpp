#include "render/png.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace dexmora {

namespace {

// Where libpng's callbacks report to: the bytes written so far and the
// first error. One per encode, passed through libpng's user pointers.
struct PngSink {
  std::string bytes;
  const char* error = nullptr;
  bool outOfMemory = false;
  std::jmp_buf frame;
};

// No exception may unwind through libpng's C frames (its structures would
// leak): a failed append becomes libpng's own error, which longjmps out.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  bool appended = true;
  try {
    sink->bytes.append(reinterpret_cast<const char*>(data), length);
  } catch (...) {
    appended = false;
  }
  if (appended) return;
  sink->outOfMemory = true;
  png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

[[noreturn]] void throwError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  sink->error = message;
  std::longjmp(sink->frame, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The libpng part: only plain data may live in this frame, since an error
// leaves it by longjmp, which must skip no destructor.
bool writeRgb(PngSink& sink, const Raster& raster, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, throwError, ignoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(sink.frame) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &sink, appendBytes, flushNothing);
  png_set_IHDR(png, info, raster.width, raster.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

Expected<std::string> encodePngRgb(const Raster& raster) {
  std::vector<png_bytep> rows(raster.height);
  const size_t rowBytes = static_cast<size_t>(raster.width) * 3;
  for (uint32_t i = 0; i < raster.height; ++i) {
    rows[i] = const_cast<png_bytep>(raster.rgb.data() + i * rowBytes);  // libpng only reads them
  }
  PngSink sink;
  if (!writeRgb(sink, raster, rows.data())) {
    if (sink.outOfMemory) return Error{ErrorCode::OutOfMemory, "out of memory"};
    return Error{ErrorCode::RenderFailed, std::string("cannot encode the PNG picture: ") +
                                           (sink.error ? sink.error : "out of memory")};
  }
  return std::move(sink.bytes);
}

}  // namespace dexmora
