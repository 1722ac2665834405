#include "cli/usage.h"

#include "classic/symbol_tables.h"

namespace {

// The selectable sizes, twelve to a line, each line indented to the option
// descriptions.
std::string selectableSizeList() {
  std::string list;
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    list += i % 12 == 0 ? "\n                        " : " ";
    list += std::to_string(SelectableSizes[i]);
  }
  return list;
}

}  // namespace

std::string cliUsageText() {
  return std::string(
             "Usage: dexmora-cli [-s N | --size N] [-o PATH | --output PATH] [TEXT]\n"
             "       dexmora-cli --dump [-s N] [TEXT]\n"
             "       dexmora-cli --codewords [-s N] [TEXT]\n"
             "       dexmora-cli --help\n"
             "       dexmora-cli --version\n"
             "\n"
             "Encodes TEXT as a Data Matrix ECC200 symbol and writes it as a PNG picture.\n"
             "\n"
             "TEXT is encoded byte for byte as given. Without TEXT, or with TEXT \"-\", the\n"
             "text is read from standard input to its end, and one trailing newline (\"\\n\"\n"
             "or \"\\r\\n\"), as echo adds, is dropped. Put -- before a TEXT that begins with\n"
             "\"-\". The text must not be empty, must hold no zero byte and must fit the\n"
             "largest symbol, 144x144 with 1558 data codewords (for example 1558 letters or\n"
             "3116 digits); a longer text is refused, never cut.\n"
             "\n"
             "Options:\n"
             "  -s N, --size N      symbol side in modules. auto or 0 (the default) picks\n"
             "                      the smallest square symbol that holds the text; else\n"
             "                      one of:") +
         selectableSizeList() +
         ".\n"
         "                      When the text does not fit size N, the smallest larger\n"
         "                      size that holds it is used and a warning names both.\n"
         "  -o PATH, --output PATH\n"
         "                      where the PNG picture goes; default output.png in the\n"
         "                      current directory. A file already there is replaced\n"
         "                      only once the new picture is complete. Silent on success.\n"
         "  --dump              print the whole symbol, finder and alignment patterns\n"
         "                      included, one line of 0 and 1 per module row, top row\n"
         "                      first, 1 for a dark module; writes no file.\n"
         "  --codewords         print the codeword stream (data codewords, then the\n"
         "                      interleaved error codewords, as stored in the symbol) as\n"
         "                      decimal numbers on one line; writes no file.\n"
         "  -h, --help          print this help.\n"
         "  --version           print the version.\n"
         "\n"
         "Exit status:\n"
         "  0        the picture was written, or the symbol printed\n"
         "  64       bad usage or input: unknown option, bad size, empty text, a zero\n"
         "           byte in the text, a text too long for the largest symbol\n"
         "  73       the picture could not be written; a file already at PATH is kept\n"
         "  74       standard input could not be read or standard output not written\n"
         "  2, 3, 7  out of memory\n";
}
