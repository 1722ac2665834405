// dexmora-cli's command line as scripts meet it: every option in each of its
// spellings, bundles, "--" and "-", repeats, missing values, unknown options
// and the refusals, each run held to its exact standard output, standard
// error, exit status and the files it leaves.
#include <gtest/gtest.h>

#include <dexmora/option_set.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "test_cli_support.h"

namespace {

// Stand for the --help and -h texts, which CliHelp checks line by line.
const std::string kHelp = "<the --help text>";
const std::string kShortHelp = "<the -h text>";

// What "A" gives as the terminal preview, the modules and the codewords.
const std::string kPreviewOfA =
    "\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\n"
    "\u2588\u2588 \u2580\u2584\u2580 \u2588\u2584\u2588 \u2580\u2588\u2588\n"
    "\u2588\u2588 \u2588\u2588\u2580 \u2584\u2580\u2584\u2580\u2580\u2588\u2588\n"
    "\u2588\u2588 \u2588\u2588 \u2588\u2584\u2580\u2588\u2580\u2580\u2588\u2588\n"
    "\u2588\u2588  \u2588\u2584\u2580\u2580  \u2588\u2580\u2588\u2588\n"
    "\u2588\u2588  \u2580\u2580\u2580\u2580 \u2580\u2580\u2580\u2588\u2588\n"
    "\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\u2588\n";
const std::string kDumpOfA = "1010101010\n1101100011\n1000110100\n1001101011\n1001010000\n"
                             "1001001011\n1101001100\n1100111101\n1100001000\n1111111111\n";
const std::string kCodewordsOfA = "66 129 70 138 234 82 82 95\n";

std::string refused(const std::string& why) { return "dexmora-cli: " + why + "; see --help\n"; }

std::string unknown(const std::string& name, const std::string& near = "") {
  return refused("unknown option '" + name + "' " +
                 (near.empty() ? "(put -- before a TEXT that begins with -)" : "(did you mean " + near + "?)"));
}

std::string badSwitch(const std::string& option, const std::string& value) {
  return refused("bad " + option + " '" + value + "': use 1 or 0 (true or false, yes or no, on or off)");
}

std::string badSize(const std::string& size) {
  return refused("bad size '" + size + "': use auto, 0, a square side from 10 to 144 or rows x columns such as 16x48");
}

// Several spellings of one request, and what each of them gives. The working
// directory holds "list" (the line "one") beforehand; `files` is what else
// it holds afterwards.
struct Row {
  const char* name;
  std::vector<std::vector<std::string>> spellings;
  int status;
  std::string out;
  std::string err;
  std::vector<std::string> files = {};
  std::string input = "";
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class CliCommandLine : public ::testing::TestWithParam<Row> {};

TEST_P(CliCommandLine, EverySpellingGivesExactlyThis) {
  const Row& row = GetParam();
  const std::string out = row.out == kHelp        ? runCli({"--help"}, "", TempDir().path()).out
                          : row.out == kShortHelp ? runCli({"-h"}, "", TempDir().path()).out
                                                  : row.out;
  for (const std::vector<std::string>& args : row.spellings) {
    TempDir dir;
    writeFileBytes(dir.file("list"), {'o', 'n', 'e', '\n'});
    const CliRun run = runCli(args, row.input, dir.path());
    std::vector<std::string> files = dir.entries();
    files.erase(std::remove(files.begin(), files.end(), "list"), files.end());
    std::string spelled;
    for (const std::string& arg : args) spelled += " '" + arg + "'";
    EXPECT_EQ(run.status, row.status) << spelled;
    EXPECT_EQ(run.out, out) << spelled;
    EXPECT_EQ(run.err, row.err) << spelled;
    EXPECT_EQ(files, row.files) << spelled;
  }
}

// What the command line did before it read its options with getopt_long,
// and still does (the whole table passes on both parsers).
INSTANTIATE_TEST_SUITE_P(Contract, CliCommandLine, ::testing::ValuesIn(std::vector<Row>{
      {"Size", {{"-s", "12", "--codewords", "A"}, {"-s12", "--codewords", "A"}, {"--size", "12", "--codewords", "A"},
                {"--size=12", "--codewords", "A"}, {"--codewords", "A", "-s", "12"}},
           0, "66 129 70 220 115 148 153 230 126 236 190 58\n", ""},
      {"Encodation", {{"-e", "c40", "--codewords", "ABCDEF"}, {"-ec40", "--codewords", "ABCDEF"},
                      {"--encodation", "c40", "--codewords", "ABCDEF"}, {"--encodation=c40", "--codewords", "ABCDEF"},
                      {"--codewords", "ABCDEF", "-e", "c40"}}, 0, "230 89 233 109 36 61 21 239 170 33 249 89\n", ""},
      {"Shape", {{"-v", "--shape", "rectangle", "--codewords", "ABCDEF"},
                 {"-v", "--shape=rectangle", "--codewords", "ABCDEF"},
                 {"-v", "--codewords", "ABCDEF", "--shape", "rectangle"}},
           0, "66 67 68 69 70 71 129 56 206 101 24 100 239 159 115 138 178 115 217 83 71\n",
           "dexmora-cli: size=8x32 shape=rectangle encodation=basic data_length=6 capacity=10\n"},
      {"Dmre", {{"-v", "--dmre", "-s", "8x18", "--codewords", "ABCDEFGHIJKLMNOPQ"},
                {"-v", "-s", "8x18", "--codewords", "ABCDEFGHIJKLMNOPQ", "--dmre"},
                {"-v", "--dmre=1", "-s", "8x18", "--codewords", "ABCDEFGHIJKLMNOPQ"}},
           0,
           "66 67 68 69 70 71 72 73 74 75 76 77 78 79 80 81 82 129 166 186 223 30 223 26 205 41 195 28 37 243 16 20 "
           "36\n",
           "dexmora-cli: warning: the text does not fit 8x18; using 8x48\ndexmora-cli: size=8x48 shape=dmre "
           "encodation=basic data_length=17 capacity=18\n"},
      {"Dm144", {{"--dm144", "defacto", "--codewords", "A"}, {"--dm144=defacto", "--codewords", "A"},
                 {"--codewords", "A", "--dm144", "iso"}}, 0, kCodewordsOfA, ""},
      {"ExactSize", {{"--exact-size", "-s", "10", "LONGER"}, {"-s", "10", "LONGER", "--exact-size"},
                     {"--exact-size=yes", "-s", "10", "LONGER"}},
           64, "",
           "dexmora-cli: the text is too long for 10x10: it needs 6 codewords, and 10x10 holds 3; without "
           "--exact-size it gets 14x14\n"},
      {"Gs1", {{"--gs1", "--codewords", "[01]09521234543213"}, {"--codewords", "[01]09521234543213", "--gs1"},
               {"--gs1=true", "--codewords", "[01]09521234543213"},
               {"--gs1-parens", "--codewords", "(01)09521234543213"}},
           0, "232 131 139 182 142 164 184 162 143 129 251 147 205 39 92 61 34 47 24 89 163 27 74 58\n", ""},
      {"Gs1Options", {{"--gs1", "--gs1-gs", "--gs1-nocheck", "--codewords", "[99]A[98]B"},
                      {"--gs1", "--gs1-gs=on", "--gs1-nocheck=1", "--codewords", "[99]A[98]B"}},
           0, "232 229 66 30 228 67 129 56 15 70 71 179 124 132 238 247 208 136\n", ""},
      {"Eci", {{"--eci", "3", "--codewords", "A"}, {"--eci=3", "--codewords", "A"},
               {"--codewords", "A", "--eci", "3"}}, 0, "241 4 66 9 127 223 239 203\n", ""},
      {"Utf8", {{"--utf8", "--codewords", "A"}, {"--codewords", "A", "--utf8"}, {"--utf8=1", "--codewords", "A"}},
           0, "241 27 66 166 112 92 166 155\n", ""},
      {"ReaderInit", {{"--reader-init", "--codewords", "A"}, {"--reader-init=yes", "--codewords", "A"}},
           0, "234 66 129 25 164 83 33 223\n", ""},
      {"Macro", {{"--macro", "05", "--codewords", "A"}, {"--macro=05", "--codewords", "A"}},
           0, "236 66 129 93 23 73 246 182\n", ""},
      {"StructuredAppend", {{"--structured-append", "1,2", "--codewords", "A"},
                            {"--structured-append=1,2", "--codewords", "A"}},
           0, "233 15 1 1 66 203 170 63 195 116 230 224\n", ""},
      {"PictureOptionsWithCodewords",
       {{"--codewords", "--module", "3", "--xdim", "1mm", "--quiet-zone", "4", "--fg", "123456", "--bg", "ffffcc",
         "--invert", "A"},
        {"--codewords", "--module=3", "--xdim=1mm", "--quiet-zone=4", "--fg=123456", "--bg=ffffcc", "--invert=on",
         "A"}},
           0, kCodewordsOfA,
           "dexmora-cli: warning: --module, --xdim, --quiet-zone, --fg, --bg and --invert have no effect on "
           "--codewords, which prints numbers\n"},
      {"DpiWithCodewords", {{"--codewords", "--dpi", "300", "A"}, {"--codewords", "--dpi=300", "A"}},
           0, kCodewordsOfA, "dexmora-cli: warning: --dpi has no effect on --codewords, which prints numbers\n"},
      {"FormatWithDump", {{"--format", "svg", "--dump", "A"}, {"--format=svg", "--dump", "A"},
                          {"--dump", "A", "--format", "svg"}},
           0, kDumpOfA,
           "dexmora-cli: warning: --format has no effect on --dump, which prints the modules as 0 and 1\n"},
      {"FormatTxt", {{"--format", "txt", "A"}, {"--format=TXT", "A"}, {"-o", "-", "--format", "txt", "A"}},
           0, kPreviewOfA, ""},
      {"Output", {{"-o", "a.png", "A"}, {"-oa.png", "A"}, {"--output", "a.png", "A"}, {"--output=a.png", "A"},
                  {"A", "-o", "a.png"}, {"-o", "b.png", "-o", "a.png", "A"}}, 0, "", "", {"a.png"}},
      {"OutputNamedLikeOptions", {{"-o", "--", "A"}}, 0, "", "", {"--"}},
      {"OutputEqualsSign", {{"-o=x.png", "A"}}, 0, "", "", {"=x.png"}},
      {"Verbose", {{"-v", "-o", "a.png", "A"}, {"--verbose", "-o", "a.png", "A"}, {"-o", "a.png", "A", "-v"},
                   {"-vv", "-o", "a.png", "A"}, {"--verbose=1", "-o", "a.png", "A"}, {"-voa.png", "A"}},
           0, "",
           "dexmora-cli: size=10x10 shape=square encodation=basic data_length=1 capacity=3 format=png output='a.png'\n",
           {"a.png"}},
      {"Verify", {{"--verify", "-o", "a.png", "A"}, {"-o", "a.png", "A", "--verify"},
                  {"--verify=true", "-o", "a.png", "A"}}, 0, "", "", {"a.png"}},
      {"Dump", {{"--dump", "A"}, {"A", "--dump"}, {"--dump", "--dump", "A"}, {"--dump=1", "A"}, {"--dump=on", "A"}},
           0, kDumpOfA, ""},
      {"Codewords", {{"--codewords", "A"}, {"A", "--codewords"}, {"--codewords=yes", "A"}},
           0, kCodewordsOfA, ""},
      {"Help", {{"--help"}, {"A", "--help"}, {"--help=1"}, {"--help", "-s", "11"}, {"--help", "--version"},
                {"-h", "--help"}, {"--help", "-h"}, {"-vh", "--help"}}, 0, kHelp, ""},
      {"ShortHelp", {{"-h"}, {"-h", "A"}, {"-vh"}, {"-hv", "--batch"}, {"--version", "-h"}, {"-h", "--help=0", "-h"}},
           0, kShortHelp, ""},
      {"Version", {{"--version"}, {"--version", "A"}, {"A", "--version"}, {"--version=yes"},
                   {"--version", "--dump", "--codewords"}}, 0, "dexmora-cli 1.0\n", ""},
      {"SwitchesTurnedOff", {{"--dump=0", "A"}, {"--dump=false", "A"}, {"--codewords=no", "A"}, {"--help=off", "A"},
                             {"--version=0", "A"}, {"--verbose=false", "A"}, {"--verify=no", "A"}},
           0, "", "", {"output.png"}},
      {"Batch", {{"--batch"}, {"--batch", "-"}, {"-", "--batch"}, {"--batch=1"}, {"--batch", "--", "-"}},
           0, "", "dexmora-cli: 2 written, 0 failed\n", {"00001.png", "00002.png"}, "one\ntwo\n"},
      {"BatchFile", {{"--batch", "list"}, {"list", "--batch"}},
           0, "", "dexmora-cli: 1 written, 0 failed\n", {"00001.png"}},
      {"BatchTsv", {{"--batch", "--tsv", "--tsv-header", "--tsv-any-name", "-o", "{name}"},
                    {"--batch", "--tsv=1", "--tsv-header=yes", "--tsv-any-name=on", "-o", "{name}"}},
           0, "", "dexmora-cli: 1 written, 0 failed\n", {"x.png"}, "name\ttext\nx.png\tone\n"},
      {"BatchJobsQuiet", {{"--batch", "-j", "2", "-q"}, {"--batch", "-j2", "--quiet"},
                          {"--batch", "--jobs", "2", "-q"}, {"--batch", "--jobs=2", "--quiet=1"}, {"--batch", "-qj2"},
                          {"--batch", "-j", ""}}, 0, "", "dexmora-cli: 1 written, 0 failed\n", {"00001.png"}, "one\n"},
      {"BatchVerboseQuiet", {{"--batch", "-qv"}, {"--batch", "-vq"}, {"--batch", "-v", "-q"}, {"-vvqq", "--batch"}},
           0, "",
           "dexmora-cli: line 1: size=10x10 shape=square encodation=basic data_length=3 capacity=3 format=png "
           "output='00001.png'\ndexmora-cli: 1 written, 0 failed\n",
           {"00001.png"}, "one\n"},
      {"DoubleDashThenText", {{"--codewords", "--", "-5"}, {"-s", "10", "--codewords", "--", "-5"}},
           0, "46 54 129 203 186 39 48 75\n", ""},
      {"DoubleDashThenOptionName", {{"--codewords", "--", "--help"}},
           0, "46 46 105 102 109 113 129 56 61 91 154 172 192 45 150 107 233 182\n", ""},
      {"DoubleDashThenDash", {{"--codewords", "--", "-"}}, 0, "46 129 70 246 163 235 125 243\n", ""},
      {"DoubleDashAlone", {{"--codewords", "--"}, {"--codewords", "-"}, {"--codewords"}, {"-", "--codewords", "--"}},
           0, kCodewordsOfA, "", {}, "A\n"},
      {"DashIsStandardInput", {{"--codewords", "-"}}, 0, kCodewordsOfA, "", {}, "A\r\n"},
      {"TextThenDoubleDash", {{"--codewords", "A", "--"}}, 0, kCodewordsOfA, ""},
      {"OutputToStandardOutput", {{"-o", "-", "--format", "txt", "A"}, {"-o-", "--format", "txt", "A"},
                                  {"--output=-", "--format=txt", "A"}},
           0, kPreviewOfA, ""},
      {"RepeatedSize", {{"-s", "10", "-s", "12", "--codewords", "A"},
                        {"--size=14", "--size", "12", "--codewords", "A"}},
           0, "66 129 70 220 115 148 153 230 126 236 190 58\n", ""},
      {"RepeatedFormat", {{"--format", "svg", "--format", "txt", "A"}},
           0, kPreviewOfA, ""},
      {"RepeatedOutputEmptyLast", {{"-o", "a.png", "-o", "", "A"}, {"-o", "a.png", "--output=", "A"}},
           64, "", refused("the output path is empty")},
      {"RepeatedSizeBadLast", {{"--size", "10", "--size=", "A"}}, 64, "", badSize("")},
      {"SizeWithoutValue", {{"-s"}, {"--size"}, {"A", "-s"}, {"--dump=maybe", "-s"}, {"--sise", "A", "-s"},
                            {"--help", "-s"}, {"-vs"}}, 64, "", refused("option '-s/--size' needs a size")},
      {"OutputWithoutValue", {{"-o"}, {"--output"}, {"A", "--output"}, {"--version", "-o"}},
           64, "", refused("option '-o/--output' needs a path")},
      {"EncodationWithoutValue", {{"-e"}, {"--encodation"}, {"A", "-e"}},
           64, "", refused("option '--encodation' needs a value")},
      {"JobsWithoutValue", {{"-j"}, {"--jobs"}, {"--batch", "-j"}, {"-qvj"}},
           64, "", refused("option '--jobs' needs a value")},
      {"ShapeWithoutValue", {{"--shape"}, {"A", "--shape"}}, 64, "", refused("option '--shape' needs a value")},
      {"FormatWithoutValue", {{"--format"}, {"A", "--format"}}, 64, "", refused("option '--format' needs a value")},
      {"ValueTakesTheNextArgument", {{"--size", "--dump"}, {"-s", "--dump"}, {"--size", "--dump", "A"}},
           64, "", badSize("--dump")},
      {"ValueTakesDoubleDash", {{"-s", "--", "A"}}, 64, "", badSize("--")},
      {"ValueTakesDash", {{"-s", "-"}, {"-vs-"}, {"-s", "-", "A"}}, 64, "", badSize("-")},
      {"EmptyValue", {{"--size=", "A"}, {"-s", "", "A"}}, 64, "", badSize("")},
      {"ShortValueWithEquals", {{"-s=10", "A"}}, 64, "", badSize("=10")},
      {"UnknownLong", {{"--colour", "A"}, {"A", "--colour"}, {"--colour=red", "A"}}, 64, "", unknown("--colour")},
      {"MistypedLibraryOption", {{"--sise", "10", "A"}, {"--sise=10", "A"}, {"A", "--sise"}},
           64, "", unknown("--sise", "--size")},
      {"OptionInCapitals", {{"--Size", "10", "A"}}, 64, "", unknown("--Size", "--size")},
      {"MistypedOwnOption", {{"--verbos", "A"}, {"-v", "--verbos"}}, 64, "", unknown("--verbos", "--verbose")},
      {"MistypedWithValue", {{"--formt=svg", "A"}, {"--formt", "svg", "A"}}, 64, "", unknown("--formt", "--format")},
      {"MistypedLongerName", {{"--exact-sise", "A"}}, 64, "", unknown("--exact-sise", "--exact-size")},
      {"TransposedLetters", {{"--tsv-hedaer"}}, 64, "", unknown("--tsv-hedaer", "--tsv-header")},
      {"ThreeDashes", {{"---size", "10", "A"}}, 64, "", unknown("---size", "--size")},
      {"AbbreviationIsNoOption", {{"--siz", "10", "A"}, {"--siz=10", "A"}, {"--siz"}},
           64, "", unknown("--siz", "--size")},
      {"AmbiguousAbbreviation", {{"--ver"}, {"--ver", "A"}, {"--ver=1"}}, 64, "", unknown("--ver")},
      {"NothingBeforeEquals", {{"--=x", "A"}}, 64, "", unknown("--")},
      {"UnknownShort", {{"-x", "A"}, {"-x"}, {"A", "-x"}}, 64, "", unknown("-x")},
      {"UnknownLetterInBundle", {{"-vx", "A"}, {"-qvx", "A"}, {"-vx=1", "A"}}, 64, "", unknown("-x")},
      {"UnknownFirstLetterOfBundle", {{"-xv", "A"}}, 64, "", unknown("-xv")},
      {"UnknownLetterAndTheRest", {{"-vxy", "A"}}, 64, "", unknown("-xy")},
      {"TextStartingWithDash", {{"-5"}, {"-5", "A"}}, 64, "", unknown("-5")},
      {"TheLastUnknownIsNamed", {{"--sise", "--formt", "A"}, {"-x", "--formt", "A"}},
           64, "", unknown("--formt", "--format")},
      {"UnknownBeforeTwoTexts", {{"A", "B", "--sise"}}, 64, "", unknown("--sise", "--size")},
      {"TwoTexts", {{"A", "B"}, {"A", "B", "C"}, {"--version", "A", "B"}, {"--", "A", "B"}},
           64, "", refused("more than one TEXT given: 'B'")},
      {"TwoEmptyTexts", {{"", ""}}, 64, "", refused("more than one TEXT given: ''")},
      {"DashAndText", {{"-", "A"}, {"--", "-", "A"}}, 64, "", refused("more than one TEXT given: 'A'")},
      {"EmptyText", {{""}, {"--", ""}}, 64, "", "dexmora-cli: the text is empty\n"},
      {"DumpAndCodewords", {{"--dump", "--codewords", "A"}},
           64, "", refused("--dump and --codewords exclude each other")},
      {"OutputWithDump", {{"--dump", "-o", "x.png", "A"}, {"--codewords", "--output=x.png", "A"}},
           64, "", refused("--output does not go with --dump or --codewords, which write no file")},
      {"EmptyOutputPath", {{"-o", "", "A"}, {"--output=", "A"}}, 64, "", refused("the output path is empty")},
      {"BadSize", {{"-s", "11", "A"}, {"-s11", "A"}, {"--size=11", "A"}}, 64, "", badSize("11")},
      {"BadValues", {{"--shape", "round", "-e", "utf16", "--format", "gif", "A"}},
           64, "", refused("bad encodation 'utf16': use basic, minimal, ascii, c40, text, x12, edifact or base256")},
      {"UnwrittenFormat", {{"-o", "d.jpg", "A"}},
           64, "",
           refused("'d.jpg': .jpg is a picture format this library does not write; use .png, .svg, .pdf, .eps or "
                   ".txt")},
      {"ExtensionAgainstFormat", {{"--format", "pdf", "-o", "d.png", "A"}},
           64, "", refused("'d.png' names a .png file but --format asks for pdf")},
      {"VerifyWithSvg", {{"--verify", "--format", "svg", "A"}},
           64, "", refused("--verify reads back PNG pictures only; it does not go with vector or text output")},
      {"BatchOptionsWithoutBatch", {{"--tsv", "A"}, {"-q", "A"}, {"-j", "2", "A"}, {"--tsv-header", "A"},
                                    {"--tsv-any-name", "A"}, {"-qv", "A"}, {"--batch=0", "--tsv", "A"}},
           64, "", refused("--tsv, --tsv-header, --tsv-any-name, --jobs and --quiet go with --batch only")},
      {"BatchWithDump", {{"--batch", "--dump"}, {"--batch", "--codewords"}},
           64, "", refused("--batch writes files and does not go with --dump or --codewords")},
      {"BatchToStandardOutput", {{"--batch", "-o", "-"}, {"--batch", "-vo-"}},
           64, "", refused("a batch writes one file per line and cannot write them all to standard output")},
      {"TsvOptionsWithoutTsv", {{"--batch", "--tsv-header"}, {"--batch", "--tsv-any-name"}},
           64, "", refused("--tsv-header and --tsv-any-name go with --tsv only")},
      {"BadJobs", {{"--batch", "-j", "0"}, {"--batch", "--jobs=0"}},
           64, "", refused("bad --jobs '0': use a number of threads from 1 to 1024")},
      {"JobsNotANumber", {{"--batch", "-j", "x"}},
           64, "", refused("bad --jobs 'x': use a number of threads from 1 to 1024")},
      {"TooManyJobs", {{"--batch", "-j", "1025"}},
           64, "", refused("bad --jobs '1025': use a number of threads from 1 to 1024")},
      {"MissingBatchFile", {{"--batch", "nofile"}},
           74, "", "dexmora-cli: cannot read 'nofile': No such file or directory\n"},
      {"MissingDirectory", {{"-o", "no/such/a.png", "A"}},
           73, "", "dexmora-cli: cannot write 'no/such/a.png': the directory 'no/such' does not exist\n"},
    }), caseName<Row>);

// Where the command line now follows the usual conventions: a bundle's last
// letter may take the next argument, a switch's value means what the
// library's parser says (so "=0" turns it off), -j repeats like the others,
// and an argument is never taken as a second value of the option before it.
INSTANTIATE_TEST_SUITE_P(Conventions, CliCommandLine, ::testing::ValuesIn(std::vector<Row>{
      {"BundleEndsInAValueOption", {{"-vs", "12", "--codewords", "A"}, {"-v", "-s", "12", "--codewords", "A"}},
           0, "66 129 70 220 115 148 153 230 126 236 190 58\n",
           "dexmora-cli: size=12x12 shape=square encodation=basic data_length=1 capacity=5\n"},
      {"BundleEndsInOutput", {{"-vo", "a.png", "A"}},
           0, "",
           "dexmora-cli: size=10x10 shape=square encodation=basic data_length=1 capacity=3 format=png output='a.png'\n",
           {"a.png"}},
      {"RepeatedJobs", {{"--batch", "-j", "1", "-j", "2"}, {"--batch", "--jobs=1", "--jobs", "2"}},
           0, "", "dexmora-cli: 1 written, 0 failed\n", {"00001.png"}, "one\n"},
      {"LibrarySwitchTurnedOff",
       {{"--invert=0", "--format", "txt", "A"}, {"--invert", "--invert=off", "--format=txt", "A"}},
           0, kPreviewOfA, ""},
      {"EmptySwitchValue", {{"--dump=", "A"}}, 0, kDumpOfA, ""},
      {"BadLibrarySwitchValue", {{"--dmre=maybe", "A"}}, 64, "", badSwitch("--dmre", "maybe")},
      {"BadOwnSwitchValue", {{"--dump=maybe", "A"}, {"--sise", "--dump=maybe"}}, 64, "", badSwitch("--dump", "maybe")},
      {"SwitchValuesInLowerCase", {{"--dump=TRUE", "A"}}, 64, "", badSwitch("--dump", "TRUE")},
      {"DashInABundle", {{"-v-", "A"}}, 64, "", unknown("--")},
      {"NegativeNumberAfterAValue", {{"-o", "-", "-5"}, {"--dpi", "300", "-5", "A"}}, 64, "", unknown("-5")},
      {"DoubleDashAsAValue", {{"--format", "--", "-v"}},
           64, "", refused("bad format '--': use png, svg, pdf, eps or txt")},
    }), caseName<Row>);

// The command line's own long options; the library's come from its table.
const std::vector<std::string> kOwnSwitches = {"help",  "version", "dump", "codewords",    "verify", "verbose",
                                               "batch", "tsv",     "tsv-header", "tsv-any-name", "quiet"};

std::vector<std::string> longOptions(bool switchesOnly) {
  std::vector<std::string> names = kOwnSwitches;
  if (!switchesOnly) names.insert(names.end(), {"output", "jobs"});
  for (const dexmora::OptionInfo& info : dexmora::optionTable()) {
    if (info.isSwitch || !switchesOnly) names.emplace_back(info.key);
  }
  return names;
}

bool sameRun(const CliRun& a, const CliRun& b) { return a.status == b.status && a.out == b.out && a.err == b.err; }

// Every switch, the command line's and the library's: "=1", "=yes", ... are
// the switch given alone, "=0", "=no", ... all the same, and that is the
// switch not given, except for a picture option, which given at all asks
// for exact geometry.
TEST(CliSwitchValues, MeanWhatTheLibrarysParserSays) {
  TempDir dir;
  const auto run = [&](const std::string& arg) { return runCli({arg, "--codewords", "A"}, "", dir.path()); };
  const CliRun without = runCli({"--codewords", "A"}, "", dir.path());
  for (const std::string& key : longOptions(true)) {
    const CliRun alone = run("--" + key);
    const CliRun off = run("--" + key + "=0");
    for (const char* yes : {"", "1", "true", "yes", "on"}) {
      EXPECT_TRUE(sameRun(run("--" + key + "=" + yes), alone)) << key << yes;
    }
    for (const char* no : {"false", "no", "off"}) EXPECT_TRUE(sameRun(run("--" + key + "=" + no), off)) << key << no;
    const dexmora::OptionInfo* info = dexmora::findOption(key);
    if (info == nullptr || !info->rendering) {
      EXPECT_TRUE(sameRun(off, without)) << key;
    }
  }
  EXPECT_TRUE(dir.entries().empty());
}

// glibc would take "--verbos" for --verbose; a name is an option only whole.
TEST(CliLongOptions, NoShortenedNameIsTaken) {
  TempDir dir;
  const std::vector<std::string> names = longOptions(false);
  for (const std::string& name : names) {
    const std::string shortened = name.substr(0, name.size() - 1);
    if (std::find(names.begin(), names.end(), shortened) != names.end()) continue;
    for (const std::string& arg : {"--" + shortened, "--" + shortened + "=1"}) {
      const CliRun run = runCli({arg, "A"}, "", dir.path());
      EXPECT_EQ(run.status, 64) << arg;
      EXPECT_EQ(run.err.rfind("dexmora-cli: unknown option '--" + shortened + "'", 0), 0u) << run.err;
    }
  }
  EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
