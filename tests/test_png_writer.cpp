#include "image/png_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

#include "png_reader.h"
#include "test_files.h"

namespace {

// A raster whose every byte differs from its neighbours', so any row flip,
// mirror or channel swap shows.
struct Raster {
  Raster(uint32_t width, uint32_t height) : bytes(static_cast<size_t>(width) * height * 3) {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 3);
    image = {width, height, bytes.data()};
  }
  std::vector<uint8_t> bytes;
  RgbImage image;
};

// Random-looking bytes that deflate cannot shrink much, for files larger
// than the stream buffer.
Raster noise(uint32_t width, uint32_t height) {
  Raster r(width, height);
  uint32_t state = 99;
  for (uint8_t& b : r.bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  r.image.pixels = r.bytes.data();
  return r;
}

// The buffer's rows in file order: bottom buffer row first.
std::vector<uint8_t> topDown(const Raster& r) {
  const size_t rowBytes = r.image.width * 3;
  std::vector<uint8_t> rows;
  for (uint32_t p = 0; p < r.image.height; ++p) {
    const uint8_t* row = r.bytes.data() + (r.image.height - 1 - p) * rowBytes;
    rows.insert(rows.end(), row, row + rowBytes);
  }
  return rows;
}

void expectPictureOf(const std::string& path, const Raster& r) {
  std::string error;
  const std::optional<PngPicture> picture = readPng(path, &error);
  ASSERT_TRUE(picture) << error;
  EXPECT_EQ(picture->width, r.image.width);
  EXPECT_EQ(picture->height, r.image.height);
  EXPECT_EQ(picture->bitDepth, 8);
  EXPECT_EQ(picture->colorType, 2);
  EXPECT_EQ(picture->compressionMethod, 0);
  EXPECT_EQ(picture->filterMethod, 0);
  EXPECT_EQ(picture->interlaceMethod, 0);
  ASSERT_GE(picture->chunkTypes.size(), 3u);
  EXPECT_EQ(picture->chunkTypes.front(), "IHDR");
  EXPECT_EQ(picture->chunkTypes.back(), "IEND");
  for (size_t i = 1; i + 1 < picture->chunkTypes.size(); ++i) EXPECT_EQ(picture->chunkTypes[i], "IDAT");
  EXPECT_EQ(picture->rgb, topDown(r));
}

TEST(SavePng, OnePixelKeepsItsThreeBytesInOrder) {
  TempDir dir;
  Raster r(1, 1);
  r.bytes = {0x12, 0x80, 0xFE};
  r.image.pixels = r.bytes.data();
  ASSERT_EQ(dmSavePng(dir.file("one.png").c_str(), r.image), 1);
  expectPictureOf(dir.file("one.png"), r);
}

TEST(SavePng, LastBufferRowBecomesTheTopRow) {
  TempDir dir;
  const Raster r(3, 4);
  ASSERT_EQ(dmSavePng(dir.file("rows.png").c_str(), r.image), 1);
  expectPictureOf(dir.file("rows.png"), r);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"rows.png"});
}

TEST(SavePng, SecondSaveReplacesTheFirstCompletely) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  const Raster big = noise(64, 64);
  const Raster small(2, 2);
  ASSERT_EQ(dmSavePng(path.c_str(), big.image), 1);
  ASSERT_EQ(dmSavePng(path.c_str(), small.image), 1);
  expectPictureOf(path, small);
}

TEST(SavePng, TryContextIsLeftAsFound) {
  TempDir dir;
  const Raster r(2, 2);
  const RgbImage empty = {0, 2, r.image.pixels};
  std::jmp_buf outer;
  pngTryContext.currentFrame = &outer;  // a caller's frame that must survive
  ASSERT_EQ(dmSavePng(dir.file("a.png").c_str(), r.image), 1);
  EXPECT_EQ(pngTryContext.currentFrame, &outer);
  EXPECT_EQ(pngTryContext.caught, 0);
  testing::internal::CaptureStderr();
  ASSERT_EQ(dmSavePng(dir.file("a.png").c_str(), empty), 0);
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

// A failed save reports 0 with the system's reason in errno, leaves the file
// that was at the path as it was, leaves no temporary file behind, and the
// next save to the same directory succeeds.
struct FailureCase {
  const char* name;
  std::function<std::string(const TempDir&)> path;  // where the failing save writes
  RgbImage (*image)(const Raster&);
  int errnoValue;
  bool libpngLine;  // whether "libpng error: " is printed
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

RgbImage whole(const Raster& r) { return r.image; }
RgbImage zeroWidth(const Raster& r) { return {0, r.image.height, r.image.pixels}; }
RgbImage zeroHeight(const Raster& r) { return {r.image.width, 0, r.image.pixels}; }

int countLines(const std::string& text, const std::string& prefix) {
  int count = 0;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (text.compare(start, prefix.size(), prefix) == 0) ++count;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return count;
}

class SavePngFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(SavePngFailure, KeepsThePreviousFileAndLeavesNothingBehind) {
  const FailureCase& c = GetParam();
  TempDir dir;
  const Raster previous(5, 5);
  const Raster next(4, 3);
  const Raster r(8, 8);
  ASSERT_EQ(dmSavePng(dir.file("output.png").c_str(), previous.image), 1);
  const std::vector<uint8_t> before = readFileBytes(dir.file("output.png")).value();
  writeFileBytes(dir.file("plain"), {1, 2, 3});
  ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0755), 0);
  const std::vector<std::string> entries = dir.entries();

  const std::string path = c.path(dir);
  testing::internal::CaptureStderr();
  errno = 0;
  EXPECT_EQ(dmSavePng(path.empty() ? nullptr : path.c_str(), c.image(r)), 0);
  const int reason = errno;
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(reason, c.errnoValue) << std::strerror(reason);
  if (c.libpngLine) {
    // libpng's own warnings may precede it; the writer adds exactly one line.
    EXPECT_EQ(countLines(printed, "libpng error: "), 1) << printed;
  } else {
    EXPECT_EQ(printed, "");
  }

  EXPECT_EQ(readFileBytes(dir.file("output.png")).value(), before);
  EXPECT_EQ(dir.entries(), entries);
  EXPECT_EQ(pngTryContext.currentFrame, nullptr);
  ASSERT_EQ(dmSavePng(dir.file("output.png").c_str(), next.image), 1);
  expectPictureOf(dir.file("output.png"), next);
  EXPECT_EQ(dir.entries(), entries);
}

std::string at(const TempDir& d, const char* name) { return d.file(name); }

INSTANTIATE_TEST_SUITE_P(
    Paths, SavePngFailure,
    testing::Values(
        FailureCase{"NullPath", [](const TempDir&) { return std::string(); }, whole, EINVAL, false},
        FailureCase{"MissingDirectory", [](const TempDir& d) { return at(d, "missing/output.png"); }, whole, ENOENT,
                    false},
        FailureCase{"ParentIsAFile", [](const TempDir& d) { return at(d, "plain/output.png"); }, whole, ENOTDIR,
                    false},
        FailureCase{"TargetIsADirectory", [](const TempDir& d) { return at(d, "folder"); }, whole, EISDIR, false},
        FailureCase{"ZeroWidth", [](const TempDir& d) { return at(d, "output.png"); }, zeroWidth, EINVAL, true},
        FailureCase{"ZeroHeight", [](const TempDir& d) { return at(d, "output.png"); }, zeroHeight, EINVAL,
                    true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// Runs one save in a child process whose files may not grow past `limit`
// bytes; returns the child's errno when the save failed, 0 when it succeeded.
int saveWithFileSizeLimit(const std::string& path, const RgbImage& image, rlim_t limit) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit cap = {limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &cap) != 0) _exit(100);
    const int written = dmSavePng(path.c_str(), image);
    _exit(written ? 0 : (errno == EFBIG ? 1 : 2));
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return -1;
  switch (WEXITSTATUS(status)) {
    case 0: return 0;
    case 1: return EFBIG;
    default: return -WEXITSTATUS(status);
  }
}

TEST(SavePngWriteError, KeepsThePreviousFileAndLeavesNothingBehind) {
  TempDir dir;
  const std::string path = dir.file("output.png");
  const Raster previous(3, 3);
  ASSERT_EQ(dmSavePng(path.c_str(), previous.image), 1);
  const std::vector<uint8_t> before = readFileBytes(path).value();

  const Raster large = noise(200, 200);  // far larger than one stream buffer
  const Raster small(6, 6);              // fits the stream buffer: fails at the final flush
  const struct {
    const char* name;
    const RgbImage& image;
    rlim_t limit;
  } cases[] = {{"in the middle of the image data", large.image, 1000}, {"at the final flush", small.image, 60}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(saveWithFileSizeLimit(path, c.image, c.limit), EFBIG);
    EXPECT_EQ(readFileBytes(path).value(), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"output.png"});
  }
  ASSERT_EQ(dmSavePng(path.c_str(), large.image), 1);
  expectPictureOf(path, large);
}

TEST(SavePngFileMode, NewFilesFollowTheUmaskAndReplacedOnesKeepTheirMode) {
  TempDir dir;
  const Raster r(2, 2);
  const mode_t saved = umask(027);
  const std::string fresh = dir.file("fresh.png");
  ASSERT_EQ(dmSavePng(fresh.c_str(), r.image), 1);
  const std::string kept = dir.file("kept.png");
  writeFileBytes(kept, {0});
  ASSERT_EQ(chmod(kept.c_str(), 0604), 0);
  ASSERT_EQ(dmSavePng(kept.c_str(), r.image), 1);
  umask(saved);

  struct stat info;
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_EQ(stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0604u);
}

}  // namespace
