#include "image/png_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

DmPngTryContext pngTryContext = {nullptr, 0, nullptr};

namespace {

// The writer's state for the one save in progress; everything is released
// before dmSavePng returns, so between saves these hold null.
std::FILE* pngFile = nullptr;
png_structp pngWrite = nullptr;
png_infop pngInfo = nullptr;
png_bytep* pngRows = nullptr;

// The picture is written beside the target and renamed over it only once it
// is complete, so a failed save never leaves a truncated file at the path.
std::string temporaryTemplate(const char* path) {
  const char* slash = std::strrchr(path, '/');
  std::string dir = slash ? std::string(path, slash + 1) : std::string();
  return dir + ".dexmora-XXXXXX";
}

// What fopen would give a new file.
mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Opens a fresh temporary file with `mode` for the picture; on failure nothing
// is left.
std::FILE* openTemporary(const char* path, mode_t mode, std::string& tempPath) {
  tempPath = temporaryTemplate(path);
  const int fd = mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  // Some file systems (FAT) refuse modes; the picture is still worth saving.
  static_cast<void>(fchmod(fd, mode));
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    const int reason = errno;
    close(fd);
    unlink(tempPath.c_str());
    errno = reason;
  }
  return file;
}

// Flushes the picture to the file and closes it; a failure at either step
// means the data did not all arrive, so it counts as a failed save. There is
// no fsync: the rename that follows already keeps the previous picture
// whole, and a sync per save would make every save wait for the disk.
bool closeChecked(std::FILE* file) {
  int reason = 0;
  if (std::fflush(file) != 0) reason = errno;
  if (std::fclose(file) != 0 && reason == 0) reason = errno;
  if (reason != 0) errno = reason;
  return reason == 0;
}

// The libpng part of the save, from the structures' creation to their
// destruction. Only plain data lives in this frame: dmPngError leaves libpng
// by longjmp into it, which must skip no destructor.
int writePng(const RgbImage& image) {
  pngWrite = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, dmPngError, nullptr);
  if (!pngWrite) {
    errno = ENOMEM;
    return 0;
  }
  pngInfo = png_create_info_struct(pngWrite);
  if (!pngInfo) {
    png_destroy_write_struct(&pngWrite, nullptr);
    errno = ENOMEM;
    return 0;
  }

  std::jmp_buf frame;
  std::jmp_buf* const outer = pngTryContext.currentFrame;
  pngTryContext.currentFrame = &frame;
  if (setjmp(frame) == 0) {
    png_init_io(pngWrite, pngFile);
    png_set_IHDR(pngWrite, pngInfo, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(pngWrite, pngInfo);
    pngRows = static_cast<png_bytep*>(std::malloc(image.height * sizeof(png_bytep)));
    if (!pngRows) {
      pngTryContext.thrownMessage = "dmSavePng: Out of memory";
      std::longjmp(*pngTryContext.currentFrame, 1);
    }
    // The buffer is stored bottom-up; PNG rows run top-down.
    const uint32_t rowBytes = image.width * 3u;
    for (uint32_t i = 0; i < image.height; ++i) pngRows[i] = image.pixels + (image.height - 1u - i) * rowBytes;
    png_write_image(pngWrite, pngRows);
    png_write_end(pngWrite, pngInfo);
    std::free(pngRows);
    pngRows = nullptr;
    png_destroy_write_struct(&pngWrite, &pngInfo);
    pngTryContext.currentFrame = outer;
    pngTryContext.caught = 0;
    return 1;
  }
  const int reason = errno;
  pngTryContext.currentFrame = outer;
  pngTryContext.caught = 1;
  png_destroy_write_struct(&pngWrite, &pngInfo);
  std::free(pngRows);
  pngRows = nullptr;
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
  // A link is followed, so the picture replaces the file it points to and
  // the link stays.
  std::string target = path;
  if (char* real = realpath(path, nullptr)) {
    target = real;
    std::free(real);
  }
  struct stat existing;
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) {
    errno = EISDIR;
    return 0;
  }
  // A device or pipe (such as /dev/stdout) holds no picture to keep and
  // cannot be replaced by a rename: the picture is written into it.
  const bool direct = exists && !S_ISREG(existing.st_mode);

  // A replaced file keeps its mode; a new one gets what fopen would give it.
  const mode_t mode = exists ? existing.st_mode & 07777 : newFileMode();
  std::string tempPath;
  pngFile = direct ? std::fopen(target.c_str(), "wb") : openTemporary(target.c_str(), mode, tempPath);
  if (!pngFile) return 0;

  errno = 0;
  const int written = writePng(image);
  std::FILE* const file = pngFile;
  pngFile = nullptr;
  if (written && closeChecked(file) && (direct || std::rename(tempPath.c_str(), target.c_str()) == 0)) return 1;
  const int reason = errno;
  if (!written) std::fclose(file);
  if (!direct) unlink(tempPath.c_str());
  errno = reason;
  return 0;
}
