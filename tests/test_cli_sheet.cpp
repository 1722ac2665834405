// dexmora-cli --sheet: one PDF of labels, refusals line by line. What the
// PDF holds is the sheet library's (test_sheet_pdf.cpp); here the command
// line must give the library's bytes for the same settings and say what it refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dexmora/sheet.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "sheet_support.h"
#include "test_cli_support.h"
#include "test_render_support.h"

namespace fs = std::filesystem;

namespace {

std::string listOf(const std::vector<std::string>& lines) {
  std::string list;
  for (const std::string& line : lines) list += line + "\n";
  return list;
}

// Their pages, paper and captions are held by
// SheetPdf.HundredSerialsFillFiveA4PagesAndEverySymbolReadsAsItsCaption.
TEST(CliSheet, AHundredSerialsMakeTheLibrarysSheet) {
  TempDir dir;
  const std::vector<std::string> lines = serials(100);
  const CliRun run = runCli({"--batch", "--sheet", "a4", "--grid", "3x8", "--caption", "{text}", "-o", "s.pdf"},
                            listOf(lines), dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "dexmora-cli: 100 labels placed, 0 refused\n");
  const std::string pdf = readFileString(dir.path() / "s.pdf");
  dexmora::SheetSettings settings;
  settings.setGrid({3, 8});
  EXPECT_TRUE(pdf == sheetOf(settings, lines).bytes);
  const CliRun again = runCli({"--batch", "--sheet", "a4", "--grid", "3x8", "--caption", "{text}", "-o", "-"},
                              listOf(lines), dir.path());
  EXPECT_TRUE(again.out == pdf);
}

TEST(CliSheet, SkippedCellsWideCaptionsAndEmptyLinesKeepLineNInCellN) {
  TempDir dir;
  const std::string wide = "WIDE-" + std::string(40, 'W');
  const CliRun run = runCli({"--batch", "--sheet", "a4", "--grid", "3x8", "--skip", "5", "--caption", "{text}"},
                            "SN-1\n" + wide + "\n\nSN-4\n", dir.path());
  EXPECT_EQ(run.status, 65);
  EXPECT_NE(run.err.find("dexmora-cli: line 2: the label needs 120.1 x 21.29 mm"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("but the cell is 70 x 37.13 mm\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("dexmora-cli: 2 labels placed, 1 empty line left empty, 1 refused\n"), std::string::npos);
  dexmora::SheetSettings settings;
  settings.setGrid({3, 8});
  settings.setSkip(5);
  // The library refuses the wide caption the same way; the empty line is a blank cell.
  EXPECT_TRUE(readFileString(dir.path() / "output.pdf") == sheetOf(settings, {"SN-1", wide, "", "SN-4"}).bytes);
}

TEST(CliSheet, TsvNamesFillTheCaptionAndBadLinesAreNamed) {
  TempDir dir;
  const CliRun run = runCli({"--batch", "--tsv", "--tsv-header", "--sheet", "100x150mm", "--grid", "1x2", "--caption",
                             "{name} #{n}", "--xdim", "fit", "-v", "-o", "roll.pdf"},
                            "name\ttext\ntube A\tA-1\nno tab here\ntube C\tC-3\textra\ntube D\tD-4\n", dir.path());
  EXPECT_EQ(run.status, 65) << run.err;
  EXPECT_NE(run.err.find("line 3: no TAB between the name and the text\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("line 4: a third column"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("line 2: size=10x10 shape=square"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("format=pdf output='roll.pdf'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("2 labels placed, 2 refused\n"), std::string::npos) << run.err;
  if (!haveTool("pdfinfo") || !haveTool("pdftotext")) GTEST_SKIP() << "poppler-utils is not installed";
  const std::string text = commandOutput("pdftotext " + dir.file("roll.pdf") + " -");
  EXPECT_NE(text.find("tube A #2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("tube D #5\n"), std::string::npos) << text;
  EXPECT_NE(commandOutput("pdfinfo " + dir.file("roll.pdf")).find("Pages:           2\n"), std::string::npos);
}

struct Refusal {
  const char* name;
  std::vector<std::string> args;
  int status;
  const char* says;
  bool written;  // output.pdf exists afterwards
};

void PrintTo(const Refusal& c, std::ostream* out) { *out << c.name; }

class CliSheetRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(CliSheetRefusal, ExitsWithItsStatusAndSaysWhy) {
  const Refusal& c = GetParam();
  TempDir dir;
  const CliRun run = runCli(c.args, "", dir.path());
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  EXPECT_EQ(fs::exists(dir.path() / "output.pdf"), c.written);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, CliSheetRefusal,
    ::testing::Values(
        Refusal{"Written", {"--sheet", "a5", "--caption", "{text}", "--outline", "HELLO"}, 0, "", true},
        Refusal{"FitsExactly", {"--sheet", "10x10mm", "HELLO-WORLD"}, 0, "", true},
        Refusal{"CaptionMakesItTooBig", {"--sheet", "20x10mm", "--caption", "{text}", "HELLO-WORLD"}, 65,
                "the label needs 20.87 x 13.29 mm (the 16x16 symbol with its quiet zone 10 x 10 mm", false},
        Refusal{"TextTooLong", {"--sheet", "a4", std::string(4000, 'x')}, 64, "the text is too long", false},
        Refusal{"BadGrid", {"--sheet", "a4", "--grid", "3x0", "X"}, 64, "bad --grid '3x0'", false},
        Refusal{"GridOffThePage", {"--sheet", "a4", "--grid", "3x8", "--cell", "71x30mm", "X"}, 64,
                "needs 213 x 240 mm", false},
        Refusal{"SheetOptionAlone", {"--grid", "3x8", "X"}, 64, "go with --sheet only", false},
        Refusal{"FitAlone", {"--xdim", "fit", "X"}, 64, "go with --sheet only", false},
        Refusal{"NameWithoutTsv", {"--sheet", "a4", "--caption", "{name}", "X"}, 64, "needs --batch --tsv", false},
        Refusal{"AnotherFormat", {"--sheet", "a4", "-o", "x.png", "X"}, 64, "'x.png' names a file of another format",
                false},
        Refusal{"Verify", {"--sheet", "a4", "--verify", "X"}, 64, "--verify reads back PNG pictures only", false},
        Refusal{"Dump", {"--sheet", "a4", "--dump", "X"}, 64, "--dump", false},
        Refusal{"BadFont", {"--sheet", "a4", "--font", "sans:weight=foo", "X"}, 64, "bad --font", false},
        Refusal{"BadCaptionField", {"--sheet", "a4", "--caption", "{txt}", "X"}, 64, "unknown field {txt}", false},
        Refusal{"Unwritable", {"--sheet", "a4", "-o", "missing/s.pdf", "X"}, 73, "does not exist", false},
        Refusal{"ModuleIgnoresDpi", {"--sheet", "a4", "--dpi", "300", "X"}, 0, "warning: --dpi has no effect", true}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST(CliSheet, AMissingModuleIsSaidOnceWithItsPath) {
  TempDir dir;
  setenv("DEXMORA_SHEET_MODULE", (dir.path() / "none.so").c_str(), 1);
  const CliRun run = runCli({"--sheet", "a4", "X"}, "", dir.path());
  unsetenv("DEXMORA_SHEET_MODULE");
  EXPECT_EQ(run.status, 69);
  EXPECT_NE(run.err.find("--sheet needs the sheet module: " + (dir.path() / "none.so").string() + " cannot be loaded"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir.path() / "output.pdf"));
}

}  // namespace
