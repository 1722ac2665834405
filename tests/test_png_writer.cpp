#include "classic/png_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sstream>
#include <utility>

#include "png_reader.h"
#include "test_files.h"

namespace {

// A raster whose every byte differs from its neighbours', so any row flip,
// mirror or channel swap shows; or, with `noise`, random-looking bytes that
// deflate cannot shrink much, for files larger than the stream buffer.
struct Raster {
  Raster(uint32_t w, uint32_t h, bool noise = false) : width(w), height(h), bytes(size_t{w} * h * 3) {
    uint32_t state = 99;
    for (size_t i = 0; i < bytes.size(); ++i) {
      state = state * 1664525u + 1013904223u;
      bytes[i] = static_cast<uint8_t>(noise ? state >> 24 : i * 7 + i / 3);
    }
  }
  // The writer only reads the pixels.
  RgbImage image() const { return {width, height, const_cast<uint8_t*>(bytes.data())}; }

  uint32_t width;
  uint32_t height;
  std::vector<uint8_t> bytes;
};

// The file is an 8-bit RGB PNG of IHDR, IDAT chunks and IEND whose rows are
// the buffer's, last buffer row first.
void expectPictureOf(const std::string& path, const Raster& r) {
  std::string error;
  const std::optional<PngPicture> picture = readPng(path, &error);
  ASSERT_TRUE(picture) << error;
  EXPECT_EQ(picture->width, r.width);
  EXPECT_EQ(picture->height, r.height);
  EXPECT_EQ(picture->bitDepth, 8);
  EXPECT_EQ(picture->colorType, 2);
  EXPECT_EQ(picture->compressionMethod, 0);
  EXPECT_EQ(picture->filterMethod, 0);
  EXPECT_EQ(picture->interlaceMethod, 0);
  ASSERT_GE(picture->chunkTypes.size(), 3u);
  EXPECT_EQ(picture->chunkTypes.front(), "IHDR");
  EXPECT_EQ(picture->chunkTypes.back(), "IEND");
  for (size_t i = 1; i + 1 < picture->chunkTypes.size(); ++i) EXPECT_EQ(picture->chunkTypes[i], "IDAT");
  const size_t rowBytes = size_t{r.width} * 3;
  std::vector<uint8_t> rows;
  for (uint32_t p = 0; p < r.height; ++p) {
    const uint8_t* row = r.bytes.data() + (r.height - 1 - p) * rowBytes;
    rows.insert(rows.end(), row, row + rowBytes);
  }
  EXPECT_EQ(picture->rgb, rows);
}

// Saves in turn to one path: a picture of several IDAT chunks, one pixel
// whose three bytes must keep their order, and rows that must come out last
// buffer row first. Each replaces the previous file completely and leaves
// nothing else behind.
TEST(SavePng, EachSaveReplacesTheFileWithItsRaster) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  Raster onePixel(1, 1);
  onePixel.bytes = {0x12, 0x80, 0xFE};
  for (const Raster& r : {Raster(64, 64, true), onePixel, Raster(3, 4)}) {
    SCOPED_TRACE(testing::Message() << r.width << "x" << r.height);
    ASSERT_EQ(dmSavePng(path.c_str(), r.image()), 1);
    expectPictureOf(path, r);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"output.png"});
  }
}

// A link keeps pointing at the file it names, which takes the picture; a
// device has no picture to keep and is written in place, never replaced.
TEST(SavePng, LinksAreFollowedAndDevicesWrittenInPlace) {
  TempDir dir;
  const std::string real = dir.file("real.png");
  const std::string link = dir.file("link.png");
  writeFileBytes(real, {1, 2, 3});
  ASSERT_EQ(symlink("real.png", link.c_str()), 0);
  const Raster r(3, 2);
  ASSERT_EQ(dmSavePng(link.c_str(), r.image()), 1);
  struct stat linkStat;
  ASSERT_EQ(lstat(link.c_str(), &linkStat), 0);
  EXPECT_TRUE(S_ISLNK(linkStat.st_mode));
  expectPictureOf(real, r);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.png", "real.png"}));

  ASSERT_EQ(dmSavePng("/dev/null", r.image()), 1);
  struct stat device;
  ASSERT_EQ(stat("/dev/null", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
  errno = 0;
  EXPECT_EQ(dmSavePng("/dev/full", r.image()), 0);
  EXPECT_EQ(errno, ENOSPC);
  ASSERT_EQ(stat("/dev/full", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
}

TEST(SavePng, TryContextIsLeftAsFound) {
  TempDir dir;
  const Raster r(2, 2);
  std::jmp_buf outer;
  pngTryContext.currentFrame = &outer;  // a caller's frame that must survive
  ASSERT_EQ(dmSavePng(dir.file("a.png").c_str(), r.image()), 1);
  EXPECT_EQ(pngTryContext.currentFrame, &outer);
  EXPECT_EQ(pngTryContext.caught, 0);
  testing::internal::CaptureStderr();
  ASSERT_EQ(dmSavePng(dir.file("a.png").c_str(), Raster(0, 2).image()), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(pngTryContext.currentFrame, &outer);
  EXPECT_EQ(pngTryContext.caught, 1);
  EXPECT_NE(pngTryContext.thrownMessage, nullptr);
  pngTryContext.currentFrame = nullptr;
}

TEST(PngError, WithoutAFrameItPrintsAndReturns) {
  ASSERT_EQ(pngTryContext.currentFrame, nullptr);
  testing::internal::CaptureStderr();
  dmPngError(nullptr, "no frame here");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "libpng error: no frame here\n");
  EXPECT_STREQ(pngTryContext.thrownMessage, "no frame here");
}

// Runs one save in a child process whose files may not grow past `limit`
// bytes, with SIGXFSZ ignored so that the write fails with EFBIG instead.
// Returns the save's result and errno.
std::pair<int, int> saveWithFileSizeLimit(const std::string& path, const RgbImage& image, rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit cap = {limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &cap) != 0) _exit(254);
    _exit(dmSavePng(path.c_str(), image) ? 255 : errno);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return {-1, -1};
  return WEXITSTATUS(status) == 255 ? std::make_pair(1, 0) : std::make_pair(0, WEXITSTATUS(status));
}

// A failed save returns 0 with the system's reason in errno, leaves the file
// that was at the path as it was, leaves no temporary file behind, and the
// next save to the same directory succeeds.
struct FailureCase {
  const char* name;
  const char* file;  // in the test directory; null for a null path
  uint32_t width, height;
  bool noise;
  rlim_t fileSizeLimit;  // 0: none, else the save runs in a child under this limit
  int errnoValue;
  bool libpngLine;  // whether "libpng error: " is printed
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

int countLines(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.rfind(prefix, 0) == 0;
  return count;
}

class SavePngFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(SavePngFailure, KeepsThePreviousFileAndLeavesNothingBehind) {
  const FailureCase& c = GetParam();
  TempDir dir;
  const std::string output = dir.file("output.png");
  ASSERT_EQ(dmSavePng(output.c_str(), Raster(5, 5).image()), 1);
  const std::vector<uint8_t> before = readFileBytes(output).value();
  writeFileBytes(dir.file("plain"), {1, 2, 3});
  ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0755), 0);
  const std::vector<std::string> entries = dir.entries();

  const std::string path = c.file ? dir.file(c.file) : std::string();
  const Raster r(c.width, c.height, c.noise);
  testing::internal::CaptureStderr();
  std::pair<int, int> saved;
  if (c.fileSizeLimit) {
    saved = saveWithFileSizeLimit(path, r.image(), c.fileSizeLimit);
  } else {
    errno = 0;
    saved.first = dmSavePng(c.file ? path.c_str() : nullptr, r.image());
    saved.second = errno;
  }
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(saved.first, 0);
  EXPECT_EQ(saved.second, c.errnoValue) << std::strerror(saved.second);
  if (c.libpngLine) {
    // libpng's own warnings may precede it; the writer adds exactly one line.
    EXPECT_EQ(countLines(printed, "libpng error: "), 1) << printed;
  } else {
    EXPECT_EQ(printed, "");
  }

  EXPECT_EQ(readFileBytes(output).value(), before);
  EXPECT_EQ(dir.entries(), entries);
  EXPECT_EQ(pngTryContext.currentFrame, nullptr);
  const Raster next(4, 3);
  ASSERT_EQ(dmSavePng(output.c_str(), next.image()), 1);
  expectPictureOf(output, next);
  EXPECT_EQ(dir.entries(), entries);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SavePngFailure,
    testing::Values(
        FailureCase{"NullPath", nullptr, 8, 8, false, 0, EINVAL, false},
        FailureCase{"MissingDirectory", "missing/output.png", 8, 8, false, 0, ENOENT, false},
        FailureCase{"ParentIsAFile", "plain/output.png", 8, 8, false, 0, ENOTDIR, false},
        FailureCase{"TargetIsADirectory", "folder", 8, 8, false, 0, EISDIR, false},
        FailureCase{"ZeroWidth", "output.png", 0, 8, false, 0, EINVAL, true},
        FailureCase{"ZeroHeight", "output.png", 8, 0, false, 0, EINVAL, true},
        // Far larger than one stream buffer: libpng's write fails mid-image.
        FailureCase{"WriteErrorInTheImageData", "output.png", 200, 200, true, 1000, EFBIG, true},
        // Fits the stream buffer: the final flush fails.
        FailureCase{"WriteErrorAtTheFinalFlush", "output.png", 6, 6, false, 60, EFBIG, false}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(SavePngFileMode, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode) {
  TempDir dir;
  const Raster r(2, 2);
  const mode_t saved = umask(027);
  const std::string fresh = dir.file("fresh.png");
  ASSERT_EQ(dmSavePng(fresh.c_str(), r.image()), 1);
  const std::string kept = dir.file("kept.png");
  writeFileBytes(kept, {0});
  ASSERT_EQ(chmod(kept.c_str(), 0604), 0);
  ASSERT_EQ(dmSavePng(kept.c_str(), r.image()), 1);
  umask(saved);

  struct stat info;
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0604u);
}

}  // namespace
