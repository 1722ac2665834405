#include "cli/usage.h"

#include <algorithm>
#include <string_view>

#include "cli/size_option.h"

namespace {

// Every line of the help fits 79 columns; an option's text starts at column
// 22 and stays there, so each option's lines sit under it alone.
constexpr std::size_t kWidth = 79;
constexpr std::size_t kTextColumn = 22;

// Joins words that must stay on one line ("0.5 mm"); a space once filled.
constexpr char kNoBreak = '\x1f';

// `text` filled into lines of at most kWidth columns, each after `indent`
// spaces except the first, which continues `first` (already that wide).
// Split by hand: a string stream would bring the C++ locale and its
// wide-character functions into every run's start-up, for --help alone.
std::string fill(std::string_view text, std::size_t indent, std::string first) {
  std::string out;
  std::string line = std::move(first);
  bool empty = true;
  constexpr std::string_view kSpace = " \t\n";
  for (std::size_t start = text.find_first_not_of(kSpace); start != std::string_view::npos;
       start = text.find_first_not_of(kSpace, start)) {
    const std::size_t end = std::min(text.find_first_of(kSpace, start), text.size());
    const std::string_view word = text.substr(start, end - start);
    start = end;
    if (!empty && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n";
      line = std::string(indent, ' ');
      empty = true;
    }
    if (!empty) line += ' ';
    line += word;
    empty = false;
  }
  out += line + "\n";
  for (char& c : out)
    if (c == kNoBreak) c = ' ';
  return out;
}

std::string paragraph(const std::string& text) { return fill(text, 0, "") + "\n"; }

// "  NAMES               text…": the text on the same line when the names
// leave room, else on the next.
std::string item(const std::string& names, const std::string& text, std::size_t column = kTextColumn) {
  std::string head = "  " + names;
  if (head.size() + 2 > column) return head + "\n" + fill(text, column, std::string(column, ' '));
  head.resize(column, ' ');
  return fill(text, column, head);
}

std::string sizeAndShape() {
  return "Symbol size and shape:\n" +
         item("-s N, --size N",
              "symbol size: auto or 0 (the default) picks the smallest symbol that holds the text; N for an N x N "
              "square, RxC (rows x columns) for a rectangle. When the text does not fit the size asked for, the "
              "smallest larger one of the same shape that holds it is used and a warning names both. The sizes:") +
         sizeListText(24, 78) +
         item("--exact-size",
              "the size given with -s or nothing: a text that does not fit it is refused (exit 64) with what it "
              "needs, instead of getting a larger size.") +
         item("--shape SHAPE",
              "what auto chooses from: square (the default), rectangle or any (the smallest area of both). No "
              "effect when -s names a size.") +
         item("--dmre",
              "let auto choose the DMRE sizes too (rectangles of ISO/IEC 21471), and a rectangle named by -s fall "
              "back to them; without --shape it means --shape any.") +
         item("--dm144 LAYOUT",
              "the 144x144 symbol's error-correction layout: iso (the default, the standard's) or defacto (the "
              "rotated block order that some older scanners expect).") +
         "\n";
}

std::string encodation() {
  return "Encodation:\n" +
         item("-e MODE, --encodation MODE",
              "basic (the default: ASCII, digit pairs and Base 256, as the first release), minimal (the shortest "
              "stream over all modes), or one forced mode: ascii, c40, text, x12, edifact, base256. When a text "
              "is too long for another encodation but minimal fits it, the message says so and names the size.") +
         item("--gs1",
              "TEXT is GS1 element strings in bracket form, e.g. [01]09521234543213[17]271231[10]AB-123: FNC1 "
              "first, FNC1 after each variable-length field that is not last, every AI checked against the GS1 "
              "table.") +
         item("--gs1-parens",
              "the same with the AIs in parentheses, e.g. (01)09521234543213(10)AB-123; implies --gs1. A "
              "parenthesis in the data is written \\( or \\).") +
         item("--gs1-gs", "separate variable-length fields with the GS byte (29) instead of FNC1.") +
         item("--gs1-nocheck", "accept application identifiers the table does not know.") +
         item("--eci N", "put ECI designator N (0 to 999999) first.") +
         item("--utf8", "the same as --eci 26: the text is UTF-8.") +
         item("--reader-init", "a reader programming symbol.") +
         item("--macro 05|06", "the Macro 05 or Macro 06 header and trailer.") +
         item("--structured-append POSITION,COUNT[,ID]",
              "symbol POSITION of COUNT (2 to 16) in a sequence; ID (1 to 64516) tells the sequence apart from "
              "others.") +
         "\n";
}

std::string output() {
  return "Output:\n" +
         item("-o PATH, --output PATH",
              "where the picture goes: by default output.png in the current directory, or output.FORMAT with "
              "--format; - for standard output (the bytes alone, messages on stderr). PATH is opened as the "
              "shell's > would open it: what > would refuse is refused; a regular file already there is replaced "
              "only once the new picture is complete (and on the disk), keeping its mode; devices, pipes and "
              "/dev/stdout are written in place.") +
         item("--format FORMAT",
              "png, svg, pdf, eps or txt (the terminal preview). Without it the extension of PATH decides, in any "
              "case; .jpg, .jpeg, .gif, .bmp, .tif, .tiff and .webp are refused (formats not written), and any "
              "other name is PNG. An extension that contradicts --format is refused. --format txt without -o "
              "prints to standard output.") +
         item("-v, --verbose",
              "one line on stderr for each symbol: size, shape, encodation, data_length and capacity (in "
              "codewords), format and output path. Without it a run that succeeds says nothing on stderr but "
              "warnings.") +
         item("--verify",
              "PNG: before the file is put in place, read the picture back, compare every module with the "
              "symbol and decode it with zxing-cpp's reader; a mismatch is exit 70 and a file already at PATH "
              "stays as it was.") +
         item("--dump",
              "print the whole symbol, finder and alignment patterns included, one line of 0 and 1 per module "
              "row, top row first, 1 for a dark module; writes no file.") +
         item("--codewords",
              "print the codeword stream (data codewords, then the interleaved error codewords, as stored in the "
              "symbol) as decimal numbers on one line; writes no file.") +
         item("-h", "print the short help: the options used most and three examples.") +
         item("--help", "print this help, with every option.") + item("--version", "print the version.") + "\n";
}

std::string picture() {
  return "Picture:\n" +
         item("--module PX",
              "PNG: pixels per module (1 to 100). SVG without --xdim: user units per module (5 when not "
              "given).") +
         item("--xdim LEN",
              "the module size (X-dimension) with a unit, mm, mil or in, in any case and with an optional space: "
              "0.5mm, \"0.5\x1fmm\", 20mil. PDF and EPS are drawn at it (0.5mm when not given). An SVG gets it as "
              "its width and height; without it an SVG has no physical size, only --module units a module. A PNG "
              "records it as its resolution, and with --dpi it sets the pixels per module.") +
         item("--dpi N",
              "PNG: the printer's resolution (1 to 10000); pixels per module = round(X-dimension in inches x N), "
              "at least 1, with a warning when that changes the module by more than 10%; written as the "
              "picture's resolution (pHYs).") +
         item("--quiet-zone N", "the light margin in modules (0 allowed; default 2; the standard's minimum is 1).") +
         item("--fg COLOUR", "dark modules: RRGGBB or RRGGBBAA (default 000000).") +
         item("--bg COLOUR",
              "light modules and margin: RRGGBB, RRGGBBAA or transparent (default ffffff). Colours whose "
              "contrast is too low to scan are refused.") +
         item("--invert", "swap the dark and light colours.") + "\n" +
         paragraph("Any of these options gives exact geometry (every module the same number of pixels) and the "
                   "smallest PNG type (1-bit grey for black on white); without them the PNG is the default "
                   "picture described below. An option that changes nothing in what a run writes (--dpi with "
                   "SVG or PDF, --module with PDF, any of them with --dump) gets one warning, never a refusal.") +
         paragraph("The terminal preview (txt) draws two module rows per line in Unicode half blocks, the light "
                   "modules in the terminal's text colour: it is for a dark background. On a light background "
                   "add --invert, or scanners see a negative. --fg, --bg, --module, --xdim and --dpi do not "
                   "apply to it.");
}

std::string batchWork() {
  return "Batch work:\n" +
         item("--batch [FILE]",
              "one symbol per line of FILE (standard input when FILE is - or not given), every option above "
              "applied to each. Any bytes but \"\\n\" may be in a line; one trailing \"\\r\" is dropped; empty "
              "lines are skipped and counted; a line longer than 1 MiB is refused alone.") +
         item("-o TEMPLATE",
              "the file name of each line: {n} is its line number (counting every line from 1, empty ones too), "
              "{n:0W} the same zero-padded to W digits, {name} the TSV name; default {n:05}.png ({name} with "
              "--tsv). Its extension picks the format as above. A template that gives two lines the same name "
              "is refused before anything is written; from a pipe, the later line is refused and the first "
              "file kept.") +
         item("--tsv",
              "each line is NAME<TAB>TEXT; NAME must not be empty, . or .., nor contain /, and two lines may not "
              "share it; a third column is refused.") +
         item("--tsv-header", "with --tsv: the first line is a header row and is skipped.") +
         item("--tsv-any-name", "with --tsv: allow control characters and invalid UTF-8 in names (refused by "
              "default).") +
         item("-j N, --jobs N",
              "threads, 1 to 1024 (default: one per core); the files are the same whatever N is.") +
         item("-q, --quiet",
              "no progress bar (it is shown on stderr only when that is a terminal and the run takes more than "
              "half a second).") +
         "\n" +
         paragraph("A failed line never stops the batch: it gets one line on stderr, \"dexmora-cli: line N\" and "
                   "why, and the other files are written. With -v each file written gets its line, above the "
                   "progress bar. Files are not synced one by one: a single syncfs of the output file system at "
                   "the end puts them on the disk before the summary line (written, skipped, failed). A signal "
                   "(Ctrl-C, SIGTERM, SIGHUP, SIGQUIT) stops the taking of lines; the files in flight are "
                   "finished and synced, then the program dies of the signal, leaving only complete files. "
                   "Otherwise the exit status is the most serious that occurred: 73, 70, 65, else 0.");
}

std::string exitStatus() {
  constexpr std::size_t column = 11;
  return "Exit status:\n" + item("0", "the picture was written, or the symbol printed", column) +
         item("2", "out of memory; nothing was written", column) +
         item("64",
              "bad usage or input: an unknown option, a bad value, options that do not go together, an empty "
              "text, a text that does not fit (the largest symbol, or the size given with --exact-size) or that "
              "the encodation cannot carry, bad GS1 data, a refused file format, a picture over the size limit",
              column) +
         item("65",
              "a batch or a sheet refused some of its lines (each is named on stderr); the others were written",
              column) +
         item("69", "--verify's reader (zxing-cpp) is not installed, or --sheet's module", column) +
         item("70", "--verify found that the picture does not match the symbol, or an internal failure", column) +
         item("73", "the picture could not be written; a file already at PATH is kept", column) +
         item("74", "standard input could not be read or standard output not written", column) +
         item("128+N",
              "killed by signal N: 129 SIGHUP, 130 SIGINT (Ctrl-C), 131 SIGQUIT, 143 SIGTERM; no partial or "
              "temporary file is left",
              column);
}

}  // namespace

std::string helpItem(const std::string& names, const std::string& text) { return item(names, text); }

std::string helpParagraph(const std::string& text) { return paragraph(text); }

std::string cliShortUsageText() {
  return "Usage: dexmora-cli [OPTIONS] [-o PATH] [TEXT]\n"
         "       dexmora-cli --batch [OPTIONS] [-o TEMPLATE] [FILE]\n"
         "\n" +
         paragraph("Encodes TEXT (or standard input) as a Data Matrix symbol and writes output.png.") +
         item("-o PATH", "the picture: its extension picks PNG, SVG, PDF or EPS") +
         item("-s N", "size: auto (the default), N for NxN, RxC for a rectangle") +
         item("-e MODE", "basic (the default), minimal (the shortest), c40, ...") +
         item("--gs1", "TEXT is GS1 element strings: [01]09521234543213[10]AB-123") +
         item("--format FORMAT", "png, svg, pdf, eps or txt (a preview in the terminal)") +
         item("--xdim LEN", "the module size for print: 0.5mm, 20mil") +
         item("--module PX", "PNG: every module PX pixels square") +
         item("--verify", "PNG: read back and decoded before it is put in place") +
         item("--batch [FILE]", "one symbol per line of FILE, on every core; -o TEMPLATE") +
         item("-v", "one line on stderr for each symbol written") + "\n" +
         "Examples:\n"
         "  dexmora-cli -o hello.png Hello\n"
         "  dexmora-cli --gs1 --xdim 0.5mm -o label.pdf '[01]09521234543213[10]AB-123'\n"
         "  seq -f 'SN-%04g' 1 100 | dexmora-cli --batch -o 'sn-{n:03}.png'\n"
         "\n"
         "dexmora-cli --help lists every option, the sizes and the exit statuses.\n";
}

std::string cliUsageText() {
  return "Usage: dexmora-cli [OPTIONS] [-o PATH | --output PATH] [TEXT]\n"
         "       dexmora-cli --batch [OPTIONS] [-o TEMPLATE] [FILE]\n"
         "       dexmora-cli --sheet PAPER [OPTIONS] [-o PDF] [TEXT | --batch [FILE]]\n"
         "       dexmora-cli --dump [OPTIONS] [TEXT]\n"
         "       dexmora-cli --codewords [OPTIONS] [TEXT]\n"
         "       dexmora-cli -h | --help\n"
         "       dexmora-cli --version\n"
         "\n" +
         paragraph("Encodes TEXT as a Data Matrix ECC200 symbol and writes it as a PNG picture (or SVG, PDF, EPS "
                   "or terminal text).") +
         paragraph("TEXT is encoded byte for byte as given, any byte value included. Without TEXT, or with TEXT "
                   "\"-\", the text is read from standard input to its end, and one trailing newline (\"\\n\" or "
                   "\"\\r\\n\"), as echo adds, is dropped. Put -- before a TEXT that begins with \"-\". The text "
                   "must not be empty and must fit the largest symbol, 144x144 with 1558 data codewords (for "
                   "example 1558 letters or 3116 digits); a longer text is refused, never cut.") +
         sizeAndShape() + encodation() + output() + picture() + batchWork() + sheetUsage() +
         paragraph("The default picture of a square symbol is an 8-bit RGB PNG of 5 x side + 20 pixels: five "
                   "pixels a module, except the left finder column and one module row, which are four, inside a "
                   "light margin of 11 pixels on the left and at the bottom and 10 on the right and at the top. "
                   "Rectangular symbols are drawn with every module exactly 5 x 5 pixels inside a 10-pixel "
                   "margin.") +
         exitStatus();
}
