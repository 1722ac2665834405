#include "classic/png_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "render/output_file.h"
#include "render/png.h"

DmPngTryContext pngTryContext = {nullptr, 0, nullptr};

namespace {

void reportLibpngError(const char* message) {
  const int reason = errno;
  std::fprintf(stderr, "libpng error: %s\n", message);
  errno = reason;
  pngTryContext.thrownMessage = message;
}

// One save: the stream libpng's bytes go to, and the row-pointer array,
// allocated once the header is written as the first release did and freed
// by the save.
struct Save {
  const RgbImage* image;
  std::FILE* file;
  const uint8_t** rows = nullptr;
};

const uint8_t* const* bottomUpRows(void* context, const char** failure) {
  auto* save = static_cast<Save*>(context);
  const RgbImage& image = *save->image;
  save->rows = static_cast<const uint8_t**>(std::malloc(image.height * sizeof(const uint8_t*)));
  if (!save->rows) {
    pngTryContext.thrownMessage = *failure = "dmSavePng: Out of memory";
    return nullptr;
  }
  // The buffer is stored bottom-up; PNG rows run top-down.
  const uint32_t rowBytes = image.width * 3u;
  for (uint32_t i = 0; i < image.height; ++i) save->rows[i] = image.pixels + (image.height - 1u - i) * rowBytes;
  return save->rows;
}

void onLibpngError(void*, const char* message) { reportLibpngError(message); }

// Through the stream's buffer, as libpng's own stdio writer did: a full disk
// shows in the image data or only when the stream is flushed at the end.
bool toStream(void* context, const uint8_t* data, size_t size) {
  return std::fwrite(data, 1, size, static_cast<Save*>(context)->file) == size;
}

}  // namespace

void dmPngError(png_structp, png_const_charp message) {
  reportLibpngError(message);
  // Without a frame (an error while libpng creates its structure) libpng
  // falls back to its own recovery once this returns.
  if (pngTryContext.currentFrame) std::longjmp(*pngTryContext.currentFrame, 1);
}

int dmSavePng(const char* path, const RgbImage& image) {
  if (!path) {
    errno = EINVAL;
    return 0;
  }
  // The picture goes where a shell redirect would put it, through a
  // temporary that replaces a regular file only once it is complete.
  dexmora::OutputFile output(path);
  Save save{&image, nullptr};
  if (!output.open() || (save.file = output.stream()) == nullptr) {
    errno = output.failure().errnum != 0 ? output.failure().errnum : ENOMEM;
    return 0;
  }
  errno = 0;
  const dexmora::Expected<std::string> png = dexmora::encodePngRgbRows(
      image.width, image.height, dexmora::PngRgbHooks{bottomUpRows, onLibpngError, toStream, &save});
  const int drawError = errno;
  std::free(save.rows);
  pngTryContext.caught = png.ok() ? 0 : 1;
  if (png.ok() && output.commit()) return 1;
  // An error from libpng's own checks (not a failed system call) leaves errno 0.
  const int reason = png.ok() ? output.failure().errnum : drawError != 0 ? drawError : EINVAL;
  output.abandon();
  errno = reason != 0 ? reason : EIO;
  return 0;
}
