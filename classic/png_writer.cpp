#include "classic/png_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "render/output_file.h"

DmPngTryContext pngTryContext = {nullptr, 0, nullptr};

namespace {

// The state of one save, owned by the dmSavePng call that made it; every
// field is released before that call returns.
struct PngSave {
  std::FILE* file = nullptr;  // owned by the output file
  png_structp write = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
};

// The libpng part of the save, from the structures' creation to their
// destruction. Only plain data lives in this frame: dmPngError leaves libpng
// by longjmp into it, which must skip no destructor.
int writePng(PngSave& save, const RgbImage& image) {
  save.write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, dmPngError, nullptr);
  if (!save.write) {
    errno = ENOMEM;
    return 0;
  }
  save.info = png_create_info_struct(save.write);
  if (!save.info) {
    png_destroy_write_struct(&save.write, nullptr);
    errno = ENOMEM;
    return 0;
  }

  std::jmp_buf frame;
  std::jmp_buf* const outer = pngTryContext.currentFrame;
  pngTryContext.currentFrame = &frame;
  if (setjmp(frame) == 0) {
    png_init_io(save.write, save.file);
    png_set_IHDR(save.write, save.info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(save.write, save.info);
    save.rows = static_cast<png_bytep*>(std::malloc(image.height * sizeof(png_bytep)));
    if (!save.rows) {
      pngTryContext.thrownMessage = "dmSavePng: Out of memory";
      std::longjmp(*pngTryContext.currentFrame, 1);
    }
    // The buffer is stored bottom-up; PNG rows run top-down.
    const uint32_t rowBytes = image.width * 3u;
    for (uint32_t i = 0; i < image.height; ++i) save.rows[i] = image.pixels + (image.height - 1u - i) * rowBytes;
    png_write_image(save.write, save.rows);
    png_write_end(save.write, save.info);
    std::free(save.rows);
    save.rows = nullptr;
    png_destroy_write_struct(&save.write, &save.info);
    pngTryContext.currentFrame = outer;
    pngTryContext.caught = 0;
    return 1;
  }
  const int reason = errno;
  pngTryContext.currentFrame = outer;
  pngTryContext.caught = 1;
  png_destroy_write_struct(&save.write, &save.info);
  std::free(save.rows);
  save.rows = nullptr;
  // An error from libpng's own checks (not a failed system call) leaves errno 0.
  errno = reason != 0 ? reason : EINVAL;
  return 0;
}

}  // namespace

void dmPngError(png_structp, png_const_charp message) {
  const int reason = errno;
  std::fprintf(stderr, "libpng error: %s\n", message);
  errno = reason;
  pngTryContext.thrownMessage = message;
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
  // temporary that replaces a regular file only once it is complete, so a
  // failed save never leaves a truncated file at the path.
  dexmora::OutputFile output(path);
  PngSave save;
  if (!output.open() || (save.file = output.stream()) == nullptr) {
    errno = output.failure().errnum != 0 ? output.failure().errnum : ENOMEM;
    return 0;
  }
  errno = 0;
  const bool drawn = writePng(save, image) != 0;
  if (drawn && output.commit()) return 1;
  const int reason = drawn ? output.failure().errnum : errno;
  output.abandon();
  errno = reason != 0 ? reason : EIO;
  return 0;
}
