#include "classic/picture_steps.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <utility>

#include <dexmora/render.h>

#include "png_reader.h"
#include "symbol_fixture.h"
#include "test_files.h"

namespace {

// The picture of `text` at `side` as the pipeline paints it: the encoder's
// raster, linked to the symbol it shows.
struct Painted {
  Painted(int side, const std::string& text) : job(side, text) {
    EXPECT_EQ(dmRenderImage(job.encoder(), "/dev/null"), 1);
  }
  const RgbImage& image() { return job.encoder().image; }

  ClassicJob job;
};

// The file holds the library's picture of the symbol, byte for byte: an
// 8-bit RGB PNG of IHDR, IDAT chunks and IEND whose rows are the raster's,
// last buffer row first.
void expectPictureOf(const std::string& path, Painted& painted) {
  const dexmora::Expected<dexmora::Rendering> rendering =
      dexmora::render(painted.job.finished(), dexmora::OutputFormat::Png);
  ASSERT_TRUE(rendering);
  EXPECT_EQ(readFileString(path), rendering->bytes);
  std::string error;
  const std::optional<PngPicture> picture = readPng(path, &error);
  ASSERT_TRUE(picture) << error;
  const RgbImage& image = painted.image();
  EXPECT_EQ(picture->width, image.width);
  EXPECT_EQ(picture->height, image.height);
  EXPECT_EQ(picture->bitDepth, 8);
  EXPECT_EQ(picture->colorType, 2);
  EXPECT_EQ(picture->compressionMethod, 0);
  EXPECT_EQ(picture->filterMethod, 0);
  EXPECT_EQ(picture->interlaceMethod, 0);
  ASSERT_GE(picture->chunkTypes.size(), 3u);
  EXPECT_EQ(picture->chunkTypes.front(), "IHDR");
  EXPECT_EQ(picture->chunkTypes.back(), "IEND");
  for (size_t i = 1; i + 1 < picture->chunkTypes.size(); ++i) EXPECT_EQ(picture->chunkTypes[i], "IDAT");
  std::vector<uint8_t> rows;
  for (uint32_t p = 0; p < image.height; ++p) {
    const std::vector<uint8_t> row = painted.job.rasterRow(image.height - 1 - p);
    rows.insert(rows.end(), row.begin(), row.end());
  }
  EXPECT_EQ(picture->rgb, rows);
}

// Saves in turn to one path: the smallest picture, one of four regions and
// the largest, of several IDAT chunks. Each replaces the previous file
// completely and leaves nothing else behind.
TEST(SavePng, EachSaveReplacesTheFileWithItsPicture) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  for (const auto& [side, text] : {std::pair<int, const char*>{144, "ABC"}, {10, "123456"}, {32, "Dexmora"}}) {
    SCOPED_TRACE(side);
    Painted painted(side, text);
    ASSERT_EQ(dmSavePng(path.c_str(), painted.image()), 1);
    expectPictureOf(path, painted);
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
  Painted painted(12, "A1");
  ASSERT_EQ(dmSavePng(link.c_str(), painted.image()), 1);
  struct stat linkStat;
  ASSERT_EQ(lstat(link.c_str(), &linkStat), 0);
  EXPECT_TRUE(S_ISLNK(linkStat.st_mode));
  expectPictureOf(real, painted);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.png", "real.png"}));

  ASSERT_EQ(dmSavePng("/dev/null", painted.image()), 1);
  struct stat device;
  ASSERT_EQ(stat("/dev/null", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
  errno = 0;
  EXPECT_EQ(dmSavePng("/dev/full", painted.image()), 0);
  EXPECT_EQ(errno, ENOSPC);
  ASSERT_EQ(stat("/dev/full", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
}

// A caller's frame survives a save; a failed write is no throw.
TEST(SavePng, TryContextIsLeftAsFound) {
  TempDir dir;
  Painted painted(0, "A");
  std::jmp_buf outer;
  pngTryContext.currentFrame = &outer;
  pngTryContext.caught = 1;
  ASSERT_EQ(dmSavePng(dir.file("a.png").c_str(), painted.image()), 1);
  EXPECT_EQ(pngTryContext.currentFrame, &outer);
  EXPECT_EQ(pngTryContext.caught, 0);
  ASSERT_EQ(dmSavePng(dir.file("missing/a.png").c_str(), painted.image()), 0);
  EXPECT_EQ(pngTryContext.currentFrame, &outer);
  EXPECT_EQ(pngTryContext.caught, 0);
  pngTryContext.currentFrame = nullptr;
}

TEST(PngError, WithoutAFrameItPrintsAndReturns) {
  ASSERT_EQ(pngTryContext.currentFrame, nullptr);
  testing::internal::CaptureStderr();
  dmPngError(nullptr, "no frame here");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "libpng error: no frame here\n");
  EXPECT_STREQ(pngTryContext.thrownMessage, "no frame here");
}

TEST(PngError, WithAFrameItJumpsThere) {
  std::jmp_buf frame;
  volatile int jumps = 0;
  testing::internal::CaptureStderr();
  if (setjmp(frame) == 0) {
    pngTryContext.currentFrame = &frame;
    dmPngError(nullptr, "thrown");
  } else {
    ++jumps;
  }
  pngTryContext.currentFrame = nullptr;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "libpng error: thrown\n");
  EXPECT_EQ(jumps, 1);
  EXPECT_STREQ(pngTryContext.thrownMessage, "thrown");
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

// How many bytes short of the picture the file size limit is; 0 for none.
constexpr rlim_t kNoLimit = 0;
constexpr rlim_t kOneByteShort = 1;
constexpr rlim_t kFarShort = 5000;

// A failed save returns 0 with the reason in errno, prints nothing, leaves
// the file that was at the path as it was, leaves no temporary file behind,
// and the next save to the same directory succeeds.
struct FailureCase {
  const char* name;
  const char* file;  // in the test directory; null for a null path
  bool showsSymbol;  // false: a raster made elsewhere, which shows no symbol
  rlim_t bytesShort;
  int errnoValue;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class SavePngFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(SavePngFailure, KeepsThePreviousFileAndLeavesNothingBehind) {
  const FailureCase& c = GetParam();
  TempDir dir;
  const std::string output = dir.file("output.png");
  Painted previous(10, "before");
  ASSERT_EQ(dmSavePng(output.c_str(), previous.image()), 1);
  const std::vector<uint8_t> before = readFileBytes(output).value();
  writeFileBytes(dir.file("plain"), {1, 2, 3});
  ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0755), 0);
  const std::vector<std::string> entries = dir.entries();

  const std::string path = c.file ? dir.file(c.file) : std::string();
  Painted painted(144, "large");
  RgbImage image = painted.image();
  if (!c.showsSymbol) image.symbol = nullptr;
  testing::internal::CaptureStderr();
  std::pair<int, int> saved;
  if (c.bytesShort != kNoLimit) {
    const size_t size = dexmora::render(painted.job.finished(), dexmora::OutputFormat::Png)->bytes.size();
    ASSERT_GT(size, c.bytesShort);
    saved = saveWithFileSizeLimit(path, image, size - c.bytesShort);
  } else {
    errno = 0;
    saved.first = dmSavePng(c.file ? path.c_str() : nullptr, image);
    saved.second = errno;
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(saved.first, 0);
  EXPECT_EQ(saved.second, c.errnoValue) << std::strerror(saved.second);

  EXPECT_EQ(readFileBytes(output).value(), before);
  EXPECT_EQ(dir.entries(), entries);
  EXPECT_EQ(pngTryContext.currentFrame, nullptr);
  Painted next(14, "after");
  ASSERT_EQ(dmSavePng(output.c_str(), next.image()), 1);
  expectPictureOf(output, next);
  EXPECT_EQ(dir.entries(), entries);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SavePngFailure,
    testing::Values(FailureCase{"NullPath", nullptr, true, kNoLimit, EINVAL},
                    FailureCase{"RasterShowsNoSymbol", "output.png", false, kNoLimit, EINVAL},
                    FailureCase{"MissingDirectory", "missing/output.png", true, kNoLimit, ENOENT},
                    FailureCase{"ParentIsAFile", "plain/output.png", true, kNoLimit, ENOTDIR},
                    FailureCase{"TargetIsADirectory", "folder", true, kNoLimit, EISDIR},
                    FailureCase{"TemporaryFilesName", ".output.png.1.dexmora-tmp", true, kNoLimit, EINVAL},
                    FailureCase{"WriteErrorEarly", "output.png", true, kFarShort, EFBIG},
                    FailureCase{"WriteErrorAtTheLastByte", "output.png", true, kOneByteShort, EFBIG}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(SavePngFileMode, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode) {
  TempDir dir;
  Painted painted(0, "mode");
  const mode_t saved = umask(027);
  const std::string fresh = dir.file("fresh.png");
  ASSERT_EQ(dmSavePng(fresh.c_str(), painted.image()), 1);
  const std::string kept = dir.file("kept.png");
  writeFileBytes(kept, {0});
  ASSERT_EQ(chmod(kept.c_str(), 0604), 0);
  ASSERT_EQ(dmSavePng(kept.c_str(), painted.image()), 1);
  umask(saved);

  struct stat info;
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0604u);
}

}  // namespace
