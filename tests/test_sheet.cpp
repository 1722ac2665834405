#include <gtest/gtest.h>

#include <dexmora/encode.h>
#include <dexmora/sheet.h>

#include <string>
#include <vector>

#include "test_render_support.h"

using namespace dexmora;

namespace {

struct ExtentCase {
  const char* text;
  double width;  // 0: refused
  double height;
};

class PaperText : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(PaperText, GivesMillimetresOrNamesTheValue) {
  const ExtentCase& c = GetParam();
  const Expected<SheetExtent> paper = parsePaper(c.text);
  if (c.width == 0) {
    ASSERT_FALSE(paper.ok()) << c.text;
    EXPECT_NE(paper.error().message().find(c.text), std::string::npos) << paper.error().message();
    EXPECT_EQ(paper.error().code(), ErrorCode::BadOption);
    return;
  }
  ASSERT_TRUE(paper.ok()) << paper.error().message();
  EXPECT_NEAR(paper->width, c.width, 1e-9);
  EXPECT_NEAR(paper->height, c.height, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Papers, PaperText,
    ::testing::Values(ExtentCase{"a4", 210, 297}, ExtentCase{"A5", 148, 210}, ExtentCase{"letter", 215.9, 279.4},
                      ExtentCase{"Legal", 215.9, 355.6}, ExtentCase{"100x150mm", 100, 150},
                      ExtentCase{"4inx6in", 101.6, 152.4}, ExtentCase{"10x15cm", 100, 150},
                      ExtentCase{"72x144pt", 25.4, 50.8}, ExtentCase{"2.5in x 1in", 0, 0},
                      ExtentCase{"100x150", 0, 0}, ExtentCase{"100mmx", 0, 0}, ExtentCase{"0x150mm", 0, 0},
                      ExtentCase{"6000x100mm", 0, 0}, ExtentCase{"a3", 0, 0}, ExtentCase{"1x2x3mm", 0, 0},
                      ExtentCase{"-5x10mm", 0, 0}, ExtentCase{"", 0, 0}));

struct PairCase {
  const char* text;
  bool margin;  // parseMargin, else parsePitch
  double first;  // < 0: refused
  double second;
};

class PairText : public ::testing::TestWithParam<PairCase> {};

TEST_P(PairText, ReadsTwoLengthsWithASharedUnit) {
  const PairCase& c = GetParam();
  const Expected<SheetPair> pair = c.margin ? parseMargin(c.text) : parsePitch(c.text);
  if (c.first < 0) {
    ASSERT_FALSE(pair.ok()) << c.text;
    EXPECT_EQ(pair.error().key(), c.margin ? "sheet-margin" : "pitch");
    EXPECT_EQ(pair.error().value(), c.text);
    return;
  }
  ASSERT_TRUE(pair.ok()) << pair.error().message();
  EXPECT_NEAR(pair->first, c.first, 1e-9);
  EXPECT_NEAR(pair->second, c.second, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Pairs, PairText,
                         ::testing::Values(PairCase{"10,7.5mm", true, 10, 7.5}, PairCase{"0,0mm", true, 0, 0},
                                           PairCase{"1cm,0.5in", true, 10, 12.7}, PairCase{"0,0mm", false, -1, 0},
                                           PairCase{"66.5,38.1mm", false, 66.5, 38.1},
                                           PairCase{"10mm,5", true, -1, 0}, PairCase{"10", true, -1, 0},
                                           PairCase{"1,2,3mm", false, -1, 0}));

TEST(SheetText, GridCaptionSizeAndSideTakeTheirRangesOnly) {
  EXPECT_EQ(parseGrid("3x8")->columns, 3);
  EXPECT_EQ(parseGrid("3X8")->rows, 8);
  for (const char* bad : {"0x8", "3x101", "3", "x8", "3x8x1", "3 x 8", "-1x2"}) {
    EXPECT_FALSE(parseGrid(bad).ok()) << bad;
  }
  EXPECT_DOUBLE_EQ(parseCaptionSize("8").value(), 8);
  EXPECT_DOUBLE_EQ(parseCaptionSize("6.5pt").value(), 6.5);
  for (const char* bad : {"0.5", "145", "8mm", "", "pt"}) EXPECT_FALSE(parseCaptionSize(bad).ok()) << bad;
  EXPECT_EQ(parseCaptionSide("right").value(), CaptionSide::Right);
  EXPECT_EQ(parseCaptionSide("below").value(), CaptionSide::Below);
  EXPECT_FALSE(parseCaptionSide("above").ok());
}

struct KeyCase {
  const char* key;
  const char* value;
  const char* shows;  // the setting afterwards, as shown(); nullptr: refused
};

// The one setting `key` sets, as text.
std::string shown(const SheetSettings& s, const std::string& key) {
  const auto number = [](double value) { return std::to_string(value).substr(0, std::to_string(value).find('.') + 2); };
  if (key == "sheet") return number(s.paper().width) + "x" + number(s.paper().height);
  if (key == "grid") return std::to_string(s.grid().columns) + "x" + std::to_string(s.grid().rows);
  if (key == "cell") return s.cell() ? number(s.cell()->width) + "x" + number(s.cell()->height) : "";
  if (key == "sheet-margin") return s.margin() ? number(s.margin()->first) + "," + number(s.margin()->second) : "";
  if (key == "pitch") return s.pitch() ? number(s.pitch()->first) + "," + number(s.pitch()->second) : "";
  if (key == "skip") return std::to_string(s.skip());
  if (key == "caption-side") return s.captionSide() == CaptionSide::Right ? "right" : "below";
  if (key == "caption-size") return number(s.captionSize());
  if (key == "font") return s.font();
  if (key == "outline") return s.outline() ? "on" : "off";
  if (key == "xdim") return s.xdimFit() ? "fit" : "given";
  return "?";
}

class SheetKey : public ::testing::TestWithParam<KeyCase> {};

// The keys front ends pass on, each through its parser into its one
// setting; refused values name their option.
TEST_P(SheetKey, SetsItsSettingOrNamesTheOption) {
  const KeyCase& c = GetParam();
  const std::string key = c.key;
  SheetSettings settings;
  EXPECT_EQ(isSheetOption(c.key, c.value),
            key != "caption" && key != "size" && (key != "xdim" || std::string(c.value) == "fit"));
  const Expected<void> set = setSheetOption(settings, c.key, c.value);
  ASSERT_EQ(set.ok(), c.shows != nullptr) << key << "=" << c.value;
  if (set.ok()) {
    EXPECT_EQ(shown(settings, key), c.shows);
  } else if (isSheetOption(c.key, "fit")) {
    EXPECT_EQ(set.error().key(), key) << set.error().message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SheetKey,
    ::testing::Values(KeyCase{"sheet", "letter", "215.9x279.4"}, KeyCase{"grid", "3x8", "3x8"},
                      KeyCase{"cell", "70x37mm", "70.0x37.0"}, KeyCase{"sheet-margin", "10,7.5mm", "10.0,7.5"},
                      KeyCase{"pitch", "71,38mm", "71.0,38.0"}, KeyCase{"skip", "5", "5"},
                      KeyCase{"skip", "-1", nullptr}, KeyCase{"skip", "x", nullptr},
                      KeyCase{"caption-side", "right", "right"}, KeyCase{"caption-size", "6.5", "6.5"},
                      KeyCase{"font", "serif:bold", "serif:bold"}, KeyCase{"font", "", nullptr},
                      KeyCase{"outline", "", "on"}, KeyCase{"outline", "maybe", nullptr}, KeyCase{"xdim", "fit", "fit"},
                      KeyCase{"xdim", "0.5mm", nullptr}, KeyCase{"caption", "{text}", nullptr},
                      KeyCase{"size", "10", nullptr}));

struct LayoutCase {
  const char* name;
  const char* paper;
  SheetGrid grid;
  const char* cell;    // "" for none
  const char* margin;  // "" for none
  const char* pitch;   // "" for none
  // Expected, written out from the label makers' figures rather than the
  // layout code: the second cell's and the last cell's top-left corners and
  // the cell size, in mm.
  double secondLeft, secondTop, lastLeft, lastTop, width, height;
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, PutsCellsWhereTheSheetHasThem) {
  const LayoutCase& c = GetParam();
  SheetSettings settings;
  settings.setPaper(parsePaper(c.paper).value());
  settings.setGrid(c.grid);
  if (*c.cell) settings.setCell(parseCellSize(c.cell).value());
  if (*c.margin) settings.setMargin(parseMargin(c.margin).value());
  if (*c.pitch) settings.setPitch(parsePitch(c.pitch).value());
  const Expected<SheetLayout> layout = SheetLayout::make(settings);
  ASSERT_TRUE(layout.ok()) << layout.error().message();
  const SheetCell second = layout->pageCell(0, 1);
  const SheetCell last = layout->pageCell(0, layout->cellsPerPage() - 1);
  EXPECT_NEAR(second.left, c.secondLeft, 1e-6);
  EXPECT_NEAR(second.top, c.secondTop, 1e-6);
  EXPECT_NEAR(last.left, c.lastLeft, 1e-6);
  EXPECT_NEAR(last.top, c.lastTop, 1e-6);
  EXPECT_NEAR(last.width, c.width, 1e-6);
  EXPECT_NEAR(last.height, c.height, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, Layout,
    ::testing::Values(
        LayoutCase{"A4_3x8", "a4", {3, 8}, "", "", "", 70, 0, 140, 259.875, 70, 37.125},
        // Avery L7160 style: 63.5 x 38.1 mm, 21 to a sheet, centred.
        LayoutCase{"A4_L7160", "a4", {3, 7}, "63.5x38.1mm", "", "66.04,38.1mm", 7.21 + 66.04, 15.15,
                   7.21 + 2 * 66.04, 15.15 + 6 * 38.1, 63.5, 38.1},
        LayoutCase{"Letter_5160", "letter", {3, 10}, "2.625x1in", "0.5,0.1875in", "2.75,1in", 4.7625 + 69.85,
                   12.7, 4.7625 + 2 * 69.85, 12.7 + 9 * 25.4, 66.675, 25.4},
        LayoutCase{"MarginsShareThePage", "a4", {2, 4}, "", "10,5mm", "", 105, 10, 105, 10 + 3 * 69.25, 100, 69.25},
        LayoutCase{"PitchIsTheCell", "a5", {2, 2}, "", "0,0mm", "50,60mm", 50, 0, 50, 60, 50, 60},
        LayoutCase{"Roll", "100x150mm", {1, 2}, "", "", "", 0, 75, 0, 75, 100, 75}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

struct BadLayoutCase {
  const char* name;
  SheetGrid grid;
  const char* cell;
  const char* margin;
  const char* pitch;
  int skip;
  const char* says;
};

class BadLayout : public ::testing::TestWithParam<BadLayoutCase> {};

TEST_P(BadLayout, IsRefusedWithTheSizesInvolved) {
  const BadLayoutCase& c = GetParam();
  SheetSettings settings;
  settings.setGrid(c.grid);
  if (*c.cell) settings.setCell(parseCellSize(c.cell).value());
  if (*c.margin) settings.setMargin(parseMargin(c.margin).value());
  if (*c.pitch) settings.setPitch(parsePitch(c.pitch).value());
  settings.setSkip(c.skip);
  const Expected<SheetLayout> layout = SheetLayout::make(settings);
  ASSERT_FALSE(layout.ok());
  EXPECT_EQ(layout.error().code(), ErrorCode::BadOption);
  EXPECT_NE(layout.error().message().find(c.says), std::string::npos) << layout.error().message();
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, BadLayout,
    ::testing::Values(BadLayoutCase{"GridWiderThanPage", {3, 1}, "71x10mm", "", "", 0, "needs 213 x 10 mm"},
                      BadLayoutCase{"MarginPushesOff", {3, 8}, "70x37mm", "1,1mm", "", 0, "needs 211 x 297 mm"},
                      BadLayoutCase{"PitchOverlaps", {3, 8}, "70x37mm", "", "60,37mm", 0, "would overlap"},
                      BadLayoutCase{"MarginsFillThePage", {1, 1}, "", "150,10mm", "", 0, "leave no room"},
                      BadLayoutCase{"SkipAWholePage", {3, 8}, "", "", "", 24, "from 0 to 23"},
                      BadLayoutCase{"NegativeSkip", {3, 8}, "", "", "", -1, "skipping -1"}),
    [](const ::testing::TestParamInfo<BadLayoutCase>& info) { return std::string(info.param.name); });

TEST(Layout, SkippedCellsMoveEveryLabelAndAddPages) {
  SheetSettings settings;
  settings.setGrid({3, 8});
  settings.setSkip(5);
  const SheetLayout layout = SheetLayout::make(settings).value();
  // Label 1 (index 0) in cell 6: column 3 of row 2.
  EXPECT_NEAR(layout.labelCell(0).left, 140, 1e-9);
  EXPECT_NEAR(layout.labelCell(0).top, 37.125, 1e-9);
  EXPECT_EQ(layout.labelCell(18).page, 0u);
  EXPECT_EQ(layout.labelCell(19).page, 1u);
  EXPECT_NEAR(layout.labelCell(19).left, 0, 1e-9);
  EXPECT_EQ(layout.pages(19), 1u);
  EXPECT_EQ(layout.pages(20), 2u);
  EXPECT_EQ(layout.pages(0), 1u);
}

struct CaptionCase {
  const char* pattern;
  const char* expanded;  // nullptr: refused
};

class Caption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(Caption, ExpandsItsFields) {
  const CaptionCase& c = GetParam();
  const Expected<CaptionTemplate> caption = CaptionTemplate::parse(c.pattern);
  if (c.expanded == nullptr) {
    ASSERT_FALSE(caption.ok()) << c.pattern;
    EXPECT_EQ(caption.error().message().rfind("bad caption '", 0), 0u) << caption.error().message();
    return;
  }
  ASSERT_TRUE(caption.ok()) << caption.error().message();
  EXPECT_EQ(caption->expand("SN-7", "tube", 12), c.expanded);
  EXPECT_EQ(caption->usesName(), std::string(c.pattern).find("{name}") != std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Templates, Caption,
                         ::testing::Values(CaptionCase{"{text}", "SN-7"}, CaptionCase{"#{n}: {name}", "#12: tube"},
                                           CaptionCase{"{{{text}}}", "{SN-7}"}, CaptionCase{"", ""},
                                           CaptionCase{"Lt{n}tL", "Lt12tL"}, CaptionCase{"{txt}", nullptr},
                                           CaptionCase{"{text", nullptr}, CaptionCase{"a}b", nullptr}));

// The first symbol's module size in points: the scale of its `cm`.
double moduleScale(const std::string& pdf) {
  const std::string content = inflatedPdf(pdf);
  const size_t cm = content.find(" cm\n");
  if (cm == std::string::npos) return 0;
  return std::stod(content.substr(content.rfind('\n', cm) + 1));
}

SheetLabel label(const std::string& text, const std::string& caption) {
  return SheetLabel(encode(text).value(), caption);
}

TEST(SheetWriter, RefusesWhatDoesNotFitItsCellAndKeepsTheOthers) {
  SheetSettings settings;
  settings.setGrid({3, 8});
  SheetWriter writer = SheetWriter::open(settings).value();
  const std::vector<SheetLabel> labels = {
      label("SN-1", "SN-1"), label("SN-2", std::string(60, 'W')), SheetLabel(), label(std::string(600, '7'), "big"),
      label("SN-5", "\x01"), label("SN-6", "\xC3("), label("SN-7", "SN-7")};
  const Expected<SheetPdf> sheet = writer.pdf(labels);
  ASSERT_TRUE(sheet.ok()) << sheet.error().message();
  ASSERT_EQ(sheet->refused.size(), 4u);
  const struct {
    size_t index;
    ErrorCode code;
    const char* says;
  } expected[] = {{1, ErrorCode::PictureTooLarge, "but the cell is 70 x 37.13 mm"},
                  {3, ErrorCode::PictureTooLarge, "the 72x72 symbol with its quiet zone 38 x 38 mm"},
                  {4, ErrorCode::NotEncodable, "control character U+0001"},
                  {5, ErrorCode::NotEncodable, "not valid UTF-8"}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sheet->refused[i].index, expected[i].index);
    EXPECT_EQ(sheet->refused[i].error.code(), expected[i].code);
    EXPECT_NE(sheet->refused[i].error.message().find(expected[i].says), std::string::npos)
        << sheet->refused[i].error.message();
  }
  EXPECT_EQ(writer.pdf(labels)->bytes, sheet->bytes);
}

// --xdim fit: the largest X-dimension at which symbol, quiet zone and
// caption fill the cell's tighter side; refused only where even that is
// below the smallest X-dimension drawn.
TEST(SheetWriter, FittedSymbolsFillTheCell) {
  for (const CaptionSide side : {CaptionSide::Below, CaptionSide::Right}) {
    SheetSettings settings;
    settings.setPaper(parsePaper("60x20mm").value());
    settings.setXdimFit(true);
    settings.setCaptionSide(side);
    SheetWriter writer = SheetWriter::open(settings).value();
    const Symbol symbol = encode("SN-0001").value();  // 12x12, 16 modules with the quiet zone
    const Expected<SheetPdf> sheet = writer.pdf({SheetLabel(symbol, "")});
    ASSERT_TRUE(sheet.ok());
    EXPECT_TRUE(sheet->refused.empty());
    // 20 mm / 16 modules: the module scale in points, 1.25 mm x 72 / 25.4.
    EXPECT_NEAR(moduleScale(sheet->bytes), 1.25 * 72 / 25.4, 1e-9);
    const Expected<SheetPdf> wide = writer.pdf({SheetLabel(symbol, std::string(40, 'M'))});
    ASSERT_EQ(wide->refused.size(), 1u);
  }
}

TEST(SheetWriter, OpeningChecksEverySetting) {
  SheetSettings settings;
  settings.setCaptionSize(0.5);
  EXPECT_FALSE(SheetWriter::open(settings).ok());
  settings.setCaptionSize(8);
  settings.setFont("sans:weight=foo");
  EXPECT_EQ(SheetWriter::open(settings).error().message().rfind("bad font 'sans:weight=foo'", 0), 0u);
  settings.setFont("sans-serif");
  RenderSettings render;
  render.setForeground(kWhite);
  settings.setRender(render);
  EXPECT_NE(SheetWriter::open(settings).error().message().find("contrast"), std::string::npos);
  SheetSettings copy = settings;
  copy.setGrid({2, 2});
  EXPECT_EQ(settings.grid().columns, 1);
  EXPECT_EQ(copy.render().foreground(), kWhite);
}

}  // namespace
