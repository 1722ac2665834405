// One request, one answer, whichever door it comes through: the notices
// table is shared with the Python and service tests, and the picture rule is
// held for the library as the command line has it.
#include <gtest/gtest.h>

#include <dexmora/dexmora.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "dexmora_frontend/key_names.h"
#include "notices_table.h"
#include "test_cli_support.h"
#include "test_files.h"

namespace {

std::string noticesText(const std::vector<dexmora::Notice>& notices) {
  if (notices.empty()) return "-";
  std::string text;
  for (const dexmora::Notice& notice : notices) {
    text += (text.empty() ? "" : ";") + std::string(notice.name()) + ":";
    for (size_t i = 0; i < notice.figures().size(); ++i) {
      text += (i ? "," : "") + notice.figures()[i].first + "=" + notice.figures()[i].second;
    }
  }
  return text;
}

dexmora::Expected<dexmora::Symbol> encodeRow(const NoticeRow& row) {
  dexmora::OptionSet options;
  EXPECT_TRUE(options.set("size", row.size).ok());
  if (row.exact) {
    EXPECT_TRUE(options.set("exact-size", "1").ok());
  }
  EXPECT_TRUE(options.finish().ok());
  return dexmora::encode(row.text, options.encodeOptions());
}

TEST(NoticesTable, TheLibraryNamesEveryChoiceWithItsFigures) {
  const std::vector<NoticeRow> rows = noticeRows();
  ASSERT_GE(rows.size(), 8u);
  for (const NoticeRow& row : rows) {
    SCOPED_TRACE("'" + row.text + "' at " + row.size);
    const dexmora::Expected<dexmora::Symbol> symbol = encodeRow(row);
    if (row.used == "-") {
      ASSERT_FALSE(symbol.ok());
      EXPECT_EQ(dexmora::errorName(symbol.error().code()), row.expected);
      continue;
    }
    ASSERT_TRUE(symbol.ok()) << symbol.error().message();
    EXPECT_EQ(dexmora::sizeName(*symbol), row.used);
    EXPECT_EQ(noticesText(symbol->notices()), row.expected);
    for (const dexmora::Notice& notice : symbol->notices()) {
      EXPECT_EQ(notice.message(), "the text does not fit " + std::string(notice.figure("asked")) + "; using " +
                                      std::string(notice.figure("used")));
    }
  }
}

// The command line says the same: each notice is its warning line, each
// error its message with status 64.
TEST(NoticesTable, TheCommandLineShowsTheLibrarysNoticesAndErrors) {
  const TempDir dir;
  for (const NoticeRow& row : noticeRows()) {
    SCOPED_TRACE("'" + row.text + "' at " + row.size);
    std::vector<std::string> args = {"-s", row.size, "--codewords"};
    if (row.exact) args.push_back("--exact-size");
    args.push_back("--");
    args.push_back(row.text);
    const CliRun run = runCli(args, "", dir.path());
    const dexmora::Expected<dexmora::Symbol> symbol = encodeRow(row);
    if (!symbol) {
      EXPECT_EQ(run.status, 64);
      EXPECT_EQ(run.err, "dexmora-cli: " + symbol.error().message(dexmora::commandLineKey) + "\n");
      continue;
    }
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dexmora::codewordsText(*symbol));
    std::string warnings;
    for (const dexmora::Notice& notice : symbol->notices()) warnings += "dexmora-cli: warning: " + notice.message() + "\n";
    EXPECT_EQ(run.err, warnings);
  }
}

struct PictureCase {
  const char* name;
  const char* key;    // the one option given, "" for none
  const char* value;
  uint32_t side;      // of the 10x10 symbol's picture
  int colorType;      // 2: the first release's 8-bit RGB; 0 or 3: the compact exact PNG
};

// Each picture setting alone draws exactly; none at all is the first
// release's picture. Set through OptionSet (every front end) and through
// RenderSettings directly (C++ callers), with the same result.
class PictureRule : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureRule, AnySettingGivenDrawsExactly) {
  const PictureCase& c = GetParam();
  const dexmora::Symbol symbol = dexmora::encode("123456").value();
  dexmora::OptionSet options;
  if (*c.key) {
    ASSERT_TRUE(options.set(c.key, c.value).ok());
  }
  ASSERT_TRUE(options.finish().ok());
  EXPECT_EQ(options.renderSettings().exact(), *c.key != 0);
  const std::string bytes = dexmora::render(symbol, dexmora::OutputFormat::Png, options.renderSettings()).value().bytes;
  const TempDir dir;
  const std::string path = (dir.path() / "p.png").string();
  std::ofstream(path, std::ios::binary) << bytes;
  const std::optional<PngPicture> png = readPng(path);
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, c.side);
  EXPECT_EQ(png->height, c.side);
  EXPECT_EQ(png->colorType, c.colorType);
  EXPECT_EQ(png->bitDepth, c.colorType == 2 ? 8 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    EachSettingAlone, PictureRule,
    ::testing::Values(PictureCase{"none", "", "", 70, 2}, PictureCase{"module", "module", "8", 112, 0},
                      PictureCase{"quiet_zone", "quiet-zone", "3", 80, 0},
                      PictureCase{"quiet_zone_default", "quiet-zone", "2", 70, 0},
                      PictureCase{"fg", "fg", "000080", 70, 3}, PictureCase{"bg_white", "bg", "ffffff", 70, 0},
                      PictureCase{"invert", "invert", "1", 70, 0}, PictureCase{"dpi", "dpi", "254", 70, 0},
                      PictureCase{"xdim", "xdim", "1mm", 70, 0}),
    [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.name); });

TEST(PictureRule, ModulePixelsAloneInCxxGivesThatManyPixels) {
  const dexmora::Symbol symbol = dexmora::encode("123456").value();
  dexmora::RenderSettings settings;
  settings.setModulePixels(8);
  const dexmora::Rendering rendering = dexmora::render(symbol, dexmora::OutputFormat::Png, settings).value();
  dexmora::OptionSet options;
  ASSERT_TRUE(options.set("module", "8").ok());
  ASSERT_TRUE(options.finish().ok());
  EXPECT_EQ(rendering.bytes, dexmora::render(symbol, dexmora::OutputFormat::Png, options.renderSettings()).value().bytes);
  EXPECT_EQ(rendering.bytes.substr(16, 8), std::string("\0\0\0\x70\0\0\0\x70", 8));  // IHDR: 112 x 112
}

TEST(PictureRule, RoundedModuleIsANoticeWithItsFigures) {
  dexmora::RenderSettings settings;
  settings.setDpi(150).setXdimMm(0.25);
  const dexmora::Rendering rendering =
      dexmora::render(dexmora::encode("123456").value(), dexmora::OutputFormat::Png, settings).value();
  ASSERT_EQ(rendering.notices.size(), 1u);
  const dexmora::Notice& notice = rendering.notices[0];
  EXPECT_EQ(notice.name(), "module_rounded");
  EXPECT_EQ(notice.figures(), (std::vector<dexmora::NoticeFigure>{
                                  {"dpi", "150"}, {"xdim", "0.25"}, {"pixels", "1"}, {"drawn", "0.169"}}));
  EXPECT_EQ(notice.message(), "at 150 dpi an X-dimension of 0.25 mm is 1.48 pixels; drawn as 1 (0.169 mm)");
}

}  // namespace
