// dexmora-cli's --help, man page and bash completion: laid out so that each
// option's text stays under it, naming every option the program takes, the
// exit statuses, and what the terminal preview and SVG really do.
#include <gtest/gtest.h>

#include <dexmora/option_set.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_cli_support.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kWidth = 79;

std::string helpText() {
  TempDir dir;
  CliRun help = runCli({"--help"}, "", dir.path());
  EXPECT_EQ(help.status, 0);
  return help.out;
}

std::string sourceFile(const char* relative) {
  return readFileString(fs::path(DEXMORA_SOURCE_DIR) / relative);
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

std::size_t indentOf(const std::string& line) { return line.find_first_not_of(' '); }

std::string firstWord(const std::string& line) {
  std::istringstream in(line);
  std::string word;
  in >> word;
  return word;
}

// `line` holds text that starts at `column` after spaces (an option's or an
// exit status's text, or its continuation).
bool textAt(const std::string& line, std::size_t column) {
  return line.size() > column && line.compare(column - 2, 2, "  ") == 0 && line[column] != ' ';
}

// The help with each paragraph and each option's text joined into one line,
// so that a sentence can be found whatever the line breaks.
std::string joined(const std::string& text) {
  std::string out;
  for (const std::string& line : lines(text)) {
    const std::size_t indent = line.find_first_not_of(" \t");
    out += indent == std::string::npos ? "\n" : line.substr(indent) + " ";
  }
  return out;
}

// The man page's text joined, without its bold marks.
std::string manText() {
  std::string text = joined(sourceFile("docs/man/dexmora-cli.1.scd"));
  text.erase(std::remove(text.begin(), text.end(), '*'), text.end());
  return text;
}

// Filled greedily: no line ends where the next line's first word would have
// fitted, which is what a sentence broken in the middle looks like. Checked
// for paragraphs (column 0), option texts (column 22) and the exit statuses
// (column 11).
TEST(CliHelp, EveryLineFitsAndEachTextIsFilledUnderItsOption) {
  const std::vector<std::string> help = lines(helpText());
  ASSERT_GT(help.size(), 100u);
  for (std::size_t i = 0; i < help.size(); ++i) {
    EXPECT_LE(help[i].size(), kWidth) << help[i];
    if (i == 0 || help[i].empty()) continue;
    const std::string& above = help[i - 1];
    const std::size_t indent = indentOf(help[i]);
    const bool continues = (indent == 0 && !above.empty() && indentOf(above) == 0 && above.back() != ':') ||
                           (indent == 22 && textAt(above, 22)) || (indent == 11 && textAt(above, 11));
    if (continues) {
      EXPECT_GT(above.size() + 1 + firstWord(help[i]).size(), kWidth)
          << "a line ends early:\n" << above << "\n" << help[i];
    }
  }
}

// The general paragraphs stand apart, not inside the last option above them.
TEST(CliHelp, ParagraphsOfTheirOwnForRenderingAndBatchWork) {
  const std::vector<std::string> help = lines(helpText());
  bool batchHeading = false;
  for (const char* start : {"Any of these options gives exact geometry", "A failed line never stops the batch",
                            "The terminal preview", "Batch work:"}) {
    bool found = false;
    for (const std::string& line : help) found = found || line.rfind(start, 0) == 0;
    EXPECT_TRUE(found) << "no line starts with: " << start;
    batchHeading = batchHeading || std::string(start) == "Batch work:";
  }
  EXPECT_TRUE(batchHeading);
}

// Every long option the program takes: the library's table and the command
// line's own.
std::vector<std::string> everyOption() {
  std::vector<std::string> names = {"output", "verbose", "verify", "dump", "codewords", "help", "version",
                                    "batch",  "tsv",     "tsv-header", "jobs", "quiet"};
  for (const dexmora::OptionInfo& info : dexmora::optionTable()) names.emplace_back(info.key);
  return names;
}

// The long options `text` names: "--" and the name that follows.
std::set<std::string> namedOptions(const std::string& text) {
  std::set<std::string> names;
  for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    std::size_t end = at + 2;
    while (end < text.size() && (std::islower(static_cast<unsigned char>(text[end])) || std::isdigit(static_cast<unsigned char>(text[end])) ||
                                 (text[end] == '-' && end + 1 < text.size() && std::islower(static_cast<unsigned char>(text[end + 1]))))) {
      ++end;
    }
    if (end > at + 2) names.insert(text.substr(at + 2, end - at - 2));
  }
  return names;
}

TEST(CliHelp, HelpManPageAndCompletionNameEveryOptionAndNoOther) {
  const std::vector<std::string> options = everyOption();
  const std::set<std::string> known(options.begin(), options.end());
  const struct {
    const char* what;
    std::string text;
  } documents[] = {{"--help", helpText()},
                   {"man page", sourceFile("docs/man/dexmora-cli.1.scd")},
                   {"completion", sourceFile("completion/dexmora-cli")}};
  for (const auto& document : documents) {
    ASSERT_FALSE(document.text.empty()) << document.what;
    const std::set<std::string> named = namedOptions(document.text);
    for (const std::string& option : options) EXPECT_EQ(named.count(option), 1u) << document.what << ": --" << option;
    for (const std::string& name : named) EXPECT_EQ(known.count(name), 1u) << document.what << " names --" << name;
  }
}

// The options named are the program's: none of them is unknown to it.
TEST(CliHelp, EveryOptionNamedIsTaken) {
  TempDir dir;
  for (const std::string& option : everyOption()) {
    CliRun run = runCli({"--" + option, "--help"}, "", dir.path());
    EXPECT_EQ(run.err.find("unknown option"), std::string::npos) << option << ": " << run.err;
  }
}

TEST(CliHelp, ExitStatusesInHelpAndManPage) {
  const std::string help = joined(helpText());
  const std::string man = joined(sourceFile("docs/man/dexmora-cli.1.scd"));
  for (const char* needle : {"  0 ", "  2 ", "  64 ", "  65 ", "  69 ", "  70 ", "  73 ", "  74 ", "128+N"}) {
    EXPECT_NE(helpText().find(needle), std::string::npos) << needle;
  }
  for (const char* status : {"*0*", "*2*", "*64*", "*65*", "*69*", "*70*", "*73*", "*74*", "*128+N*"}) {
    EXPECT_NE(man.find(status), std::string::npos) << status;
  }
  for (const char* signal : {"129 SIGHUP", "130 SIGINT (Ctrl-C)", "131 SIGQUIT", "143 SIGTERM"}) {
    EXPECT_NE(help.find(signal), std::string::npos) << signal;
    EXPECT_NE(manText().find(signal), std::string::npos) << signal;
  }
  EXPECT_NE(help.find("a picture over the size limit"), std::string::npos);
  EXPECT_NE(help.find("a refused file format"), std::string::npos);
}

// The preview lights the light modules: right on a dark terminal, a negative
// on a light one unless --invert; help and man page say which.
TEST(CliHelp, TerminalPreviewSaysWhichBackgroundItSuits) {
  for (const std::string& text : {joined(helpText()), manText()}) {
    const std::size_t dark = text.find("dark background");
    ASSERT_NE(dark, std::string::npos);
    EXPECT_NE(text.find("On a light background add --invert", dark), std::string::npos);
  }
  TempDir dir;
  const std::string lit = runCli({"--format", "txt", "X"}, "", dir.path()).out;
  const std::string inverted = runCli({"--format", "txt", "--invert", "X"}, "", dir.path()).out;
  // The first line is the quiet zone: lit (full blocks) unless inverted.
  EXPECT_EQ(lit.substr(0, lit.find('\n')), [] {
    std::string blocks;
    for (int i = 0; i < 14; ++i) blocks += "\u2588";
    return blocks;
  }());
  EXPECT_EQ(inverted.substr(0, inverted.find('\n')), std::string(14, ' '));
}

// A plain SVG has no physical size; --xdim gives it one. The help says so
// and no longer claims 0.5 mm for SVG.
TEST(CliHelp, SvgSizeIsToldAsWritten) {
  TempDir dir;
  ASSERT_EQ(runCli({"-o", "plain.svg", "X"}, "", dir.path()).status, 0);
  ASSERT_EQ(runCli({"--xdim", "0.5mm", "-o", "sized.svg", "X"}, "", dir.path()).status, 0);
  EXPECT_NE(readFileString(dir.path() / "plain.svg").find("width=\"70\" height=\"70\""), std::string::npos);
  EXPECT_NE(readFileString(dir.path() / "sized.svg").find("width=\"7mm\" height=\"7mm\""), std::string::npos);
  for (const std::string& text : {joined(helpText()), manText()}) {
    EXPECT_NE(text.find("without it an SVG has no physical size"), std::string::npos);
    EXPECT_EQ(text.find("SVG, PDF and EPS use it exactly"), std::string::npos);
  }
}

}  // namespace
