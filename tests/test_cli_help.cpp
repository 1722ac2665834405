// dexmora-cli's --help, man page and bash completion: each option's text
// filled under it, every option named, and what they say held against the program.
#include <gtest/gtest.h>

#include <dexmora/option_set.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {

std::string helpText() {
  TempDir dir;
  return runCli({"--help"}, "", dir.path()).out;
}

std::string sourceFile(const char* relative) { return readFileString(fs::path(DEXMORA_SOURCE_DIR) / relative); }

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// Paragraphs and option texts each on one line, without the man page's bold
// marks, so that a sentence is found whatever the line breaks.
std::string joined(const std::string& text) {
  std::string out;
  for (const std::string& line : lines(text)) {
    const std::size_t indent = line.find_first_not_of(" \t");
    out += indent == std::string::npos ? "\n" : line.substr(indent) + " ";
  }
  out.erase(std::remove(out.begin(), out.end(), '*'), out.end());
  return out;
}

// Text starting at `column` after at least two spaces: an option's or exit
// status's text, or its continuation.
bool textAt(const std::string& line, std::size_t column) {
  return line.size() > column && line.compare(column - 2, 2, "  ") == 0 && line[column] != ' ';
}

// Filled greedily: no line ends where the next one's first word would have
// fitted (a sentence broken in the middle), for paragraphs (column 0),
// option texts (22) and exit statuses (11); general paragraphs stand apart.
TEST(CliHelp, EveryTextIsFilledUnderItsOptionAndParagraphsStandApart) {
  const std::vector<std::string> help = lines(helpText());
  ASSERT_GT(help.size(), 100u);
  for (std::size_t i = 1; i < help.size(); ++i) {
    const std::string& above = help[i - 1];
    const std::string& line = help[i];
    EXPECT_LE(line.size(), 79u) << line;
    const std::size_t indent = line.find_first_not_of(' ');
    const bool continues = (indent == 0 && !above.empty() && above[0] != ' ' && above.back() != ':') ||
                           (indent == 22 && textAt(above, 22)) || (indent == 11 && textAt(above, 11));
    const std::size_t firstWord = std::min(line.find(' ', indent), line.size()) - indent;
    if (continues) {
      EXPECT_GT(above.size() + 1 + firstWord, 79u) << above << "\n" << line;
    }
  }
  for (const char* start : {"Any of these options gives exact geometry", "The terminal preview", "Batch work:",
                            "A failed line never stops the batch"}) {
    EXPECT_TRUE(std::any_of(help.begin(), help.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; }))
        << start;
  }
}

// The long options `text` names.
std::set<std::string> namedOptions(const std::string& text) {
  std::set<std::string> names;
  for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    std::size_t end = at + 2;
    while (end < text.size() && ((text[end] >= 'a' && text[end] <= 'z') || (text[end] >= '0' && text[end] <= '9') ||
                                 (text[end] == '-' && end + 1 < text.size() && text[end + 1] >= 'a'))) {
      ++end;
    }
    if (end > at + 2) names.insert(text.substr(at + 2, end - at - 2));
  }
  return names;
}

TEST(CliHelp, HelpManPageAndCompletionNameEveryOptionTakenAndNoOther) {
  std::set<std::string> options = {"output", "verbose", "verify", "dump", "codewords", "help",
                                   "version", "batch", "tsv", "tsv-header", "tsv-any-name", "jobs", "quiet",
                                   "sheet", "grid", "cell", "sheet-margin", "pitch", "skip", "caption",
                                   "caption-side", "caption-size", "font", "outline"};
  for (const dexmora::OptionInfo& info : dexmora::optionTable()) options.emplace(info.key);
  TempDir dir;
  for (const std::string& option : options) {
    EXPECT_EQ(runCli({"--" + option, "--help"}, "", dir.path()).err.find("unknown option"), std::string::npos);
  }
  for (const char* source : {"", "docs/man/dexmora-cli.1.scd", "completion/dexmora-cli"}) {
    const std::string text = *source ? sourceFile(source) : helpText();
    ASSERT_FALSE(text.empty()) << source;
    EXPECT_EQ(namedOptions(text), options) << (*source ? source : "--help");
  }
}

// -h fits a screen: at most 30 lines of the help's width, ten of the options
// --help lists, three examples and the way to the full text.
TEST(CliHelp, ShortHelpFitsAScreenAndNamesOnlyRealOptions) {
  const std::string help = helpText();
  const std::string brief = runCli({"-h"}, "", TempDir().path()).out;
  const std::vector<std::string> shown = lines(brief);
  EXPECT_LE(shown.size(), 30u);
  std::size_t options = 0, examples = 0;
  for (const std::string& line : shown) {
    EXPECT_LE(line.size(), 79u) << line;
    options += line.rfind("  -", 0) == 0;
    examples += line.rfind("  dexmora-cli ", 0) == 0 || line.find("| dexmora-cli ") != std::string::npos;
  }
  EXPECT_EQ(options, 10u);
  EXPECT_EQ(examples, 3u);
  EXPECT_NE(brief.find("dexmora-cli --help lists every option"), std::string::npos);
  const std::set<std::string> named = namedOptions(brief), all = namedOptions(help);
  EXPECT_TRUE(std::includes(all.begin(), all.end(), named.begin(), named.end()));
}

// Sentences both --help and the man page must hold, checked against the
// program below where a run can show them.
TEST(CliHelp, HelpAndManPageSayWhatTheProgramDoes) {
  const std::string help = helpText();
  const std::string man = sourceFile("docs/man/dexmora-cli.1.scd");
  for (const std::string& text : {joined(help), joined(man)}) {
    for (const char* sentence :
         {"129 SIGHUP, 130 SIGINT (Ctrl-C), 131 SIGQUIT, 143 SIGTERM", "--verify's reader (zxing-cpp) is not installed",
          "a refused file format, a picture over the size limit", "it is for a dark background",
          "On a light background add --invert", "without it an SVG has no physical size",
          "PDF and EPS are drawn at it (0.5mm when not given)", "(--dpi with SVG or PDF, --module with PDF"}) {
      EXPECT_NE(text.find(sentence), std::string::npos) << sentence;
    }
  }
  for (const std::string status : {"0", "2", "64", "65", "69", "70", "73", "74", "128+N"}) {
    EXPECT_NE(help.find("\n  " + status + " "), std::string::npos) << status;
    EXPECT_NE(man.find("\n*" + status + "*\n"), std::string::npos) << status;
  }
  // The preview lights light modules: its quiet zone is a row of full blocks, dark under --invert.
  TempDir dir;
  std::string blocks;
  for (int i = 0; i < 14; ++i) blocks += "\u2588";
  EXPECT_EQ(lines(runCli({"--format", "txt", "X"}, "", dir.path()).out).at(0), blocks);
  EXPECT_EQ(lines(runCli({"--format", "txt", "--invert", "X"}, "", dir.path()).out).at(0), std::string(14, ' '));
  // 14 modules at --module's 5 units without --xdim, 0.5 mm with it.
  ASSERT_EQ(runCli({"-o", "plain.svg", "X"}, "", dir.path()).status, 0);
  ASSERT_EQ(runCli({"--xdim", "0.5mm", "-o", "sized.svg", "X"}, "", dir.path()).status, 0);
  EXPECT_NE(readFileString(dir.path() / "plain.svg").find("width=\"70\" height=\"70\""), std::string::npos);
  EXPECT_NE(readFileString(dir.path() / "sized.svg").find("width=\"7mm\" height=\"7mm\""), std::string::npos);
}

}  // namespace
