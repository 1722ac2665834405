#include "render/png.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

namespace dexmora {

namespace {

// Where libpng's callbacks report to: the bytes written so far, the first
// error and the caller's hooks. One per encode, passed through libpng's
// user pointers.
struct PngSink {
  std::string bytes;
  const char* error = nullptr;
  bool outOfMemory = false;
  const PngRgbHooks* hooks = nullptr;
};

// Runs inside libpng: an exception must not unwind through its C frames, so
// a failed append becomes a libpng error.
void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (sink->hooks->write) {
    if (!sink->hooks->write(sink->hooks->context, data, length)) png_error(png, "Write Error");
    return;
  }
  try {
    sink->bytes.append(reinterpret_cast<const char*>(data), length);
  } catch (...) {
    sink->outOfMemory = true;
  }
  if (sink->outOfMemory) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

[[noreturn]] void onError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  if (!sink->outOfMemory && sink->hooks->onLibpngError) sink->hooks->onLibpngError(sink->hooks->context, message);
  if (!sink->error) sink->error = message;
  png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The libpng part: only plain data may live in this frame, since an error
// leaves it by longjmp, which must skip no destructor.
bool writeRgb(png_structp png, png_infop info, PngSink& sink, uint32_t width, uint32_t height) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_write_fn(png, &sink, appendBytes, flushNothing);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
               PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  const uint8_t* const* rows = sink.hooks->rows(sink.hooks->context, &sink.error);
  if (!rows) return false;
  png_write_image(png, const_cast<png_bytepp>(rows));  // libpng only reads them
  png_write_end(png, info);
  return true;
}

struct PngWriteHandles {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriteHandles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

struct RasterRows {
  const Raster* raster;
  std::vector<const uint8_t*> rows;
};

const uint8_t* const* rasterRows(void* context, const char**) { return static_cast<RasterRows*>(context)->rows.data(); }

}  // namespace

Expected<std::string> encodePngRgbRows(uint32_t width, uint32_t height, const PngRgbHooks& hooks) {
  PngSink sink;
  sink.hooks = &hooks;
  PngWriteHandles handles;
  handles.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, ignoreWarning);
  if (handles.png) handles.info = png_create_info_struct(handles.png);
  if (!handles.info) return Error(ErrorCode::OutOfMemory, "cannot encode the PNG picture: out of memory");
  if (!writeRgb(handles.png, handles.info, sink, width, height)) {
    if (sink.outOfMemory) return Error(ErrorCode::OutOfMemory, "cannot encode the PNG picture: out of memory");
    return Error(ErrorCode::RenderFailed,
                 std::string("cannot encode the PNG picture: ") + (sink.error ? sink.error : "libpng failed"));
  }
  return std::move(sink.bytes);
}

Expected<std::string> encodePngRgb(const Raster& raster) {
  RasterRows source{&raster, {}};
  const size_t rowBytes = static_cast<size_t>(raster.width) * 3;
  source.rows.reserve(raster.height);
  for (uint32_t i = 0; i < raster.height; ++i) source.rows.push_back(raster.rgb.data() + i * rowBytes);
  return encodePngRgbRows(raster.width, raster.height, PngRgbHooks{rasterRows, nullptr, nullptr, &source});
}

}  // namespace dexmora
