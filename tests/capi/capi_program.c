/* The C interface from a C99 program: capi_program DIR encodes "123456",
   checks its modules, writes DIR/123456.png for the driver to scan, and
   walks every failure path, each of which must give its code and a message
   naming the input. Prints one line per fault; exits 1 after any. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <dexmora/dexmora_c.h>

static int faults = 0;

static void check(int ok, const char *what, const char *detail) {
  if (!ok) {
    fprintf(stderr, "capi_program: %s: %s\n", what, detail ? detail : "");
    ++faults;
  }
}

/* The finder of an ECC200 symbol: solid left column and bottom row,
   alternating top row and right column, dark in the bottom right corner. */
static void check_finder(const dexmora_symbol *symbol) {
  int rows = dexmora_symbol_rows(symbol), cols = dexmora_symbol_cols(symbol), i;
  for (i = 0; i < rows; ++i) {
    check(dexmora_symbol_module(symbol, i, 0) == 1, "left column", NULL);
    check(dexmora_symbol_module(symbol, i, cols - 1) == ((rows - 1 - i) % 2 ? 0 : 1), "right column", NULL);
  }
  for (i = 0; i < cols; ++i) {
    check(dexmora_symbol_module(symbol, rows - 1, i) == 1, "bottom row", NULL);
    check(dexmora_symbol_module(symbol, 0, i) == (i % 2 ? 0 : 1), "top row", NULL);
  }
  check(dexmora_symbol_module(symbol, -1, 0) == -1 && dexmora_symbol_module(symbol, 0, cols) == -1 &&
            dexmora_symbol_module(symbol, rows, 0) == -1 && dexmora_symbol_module(NULL, 0, 0) == -1,
        "a place outside the symbol is not -1", NULL);
}

enum call { SET, ENCODE, RENDER, WRITE };
enum { NO_OPTIONS = 1, NO_SYMBOL = 2, NO_OUT = 4 };

struct failure {
  const char *what;
  enum call call;
  unsigned nulls;
  const char *setup[4];  /* keys and values set before the call */
  const char *a, *b;     /* SET: key, value; ENCODE: data; RENDER: format; WRITE: path in DIR */
  size_t length;         /* ENCODE: bytes of data */
  int expected;
  const char *needle;    /* in the message */
};

static const struct failure failures[] = {
    {"set on NULL options", SET, NO_OPTIONS, {0}, "size", "10", 0, DEXMORA_BAD_ARGUMENT, "NULL"},
    {"set a NULL key", SET, 0, {0}, NULL, "1", 0, DEXMORA_BAD_ARGUMENT, "key"},
    {"unknown key", SET, 0, {0}, "sise", "10", 0, DEXMORA_BAD_OPTION, "sise"},
    {"bad size", SET, 0, {0}, "size", "11", 0, DEXMORA_BAD_OPTION, "11"},
    {"size without a value", SET, 0, {0}, "size", NULL, 0, DEXMORA_BAD_OPTION, "size"},
    {"bad switch value", SET, 0, {0}, "dmre", "maybe", 0, DEXMORA_BAD_OPTION, "maybe"},
    {"bad colour", SET, 0, {0}, "fg", "#12", 0, DEXMORA_BAD_OPTION, "#12"},
    {"format of no picture", SET, 0, {0}, "format", "gif", 0, DEXMORA_BAD_OPTION, "gif"},
    {"no data", ENCODE, 0, {0}, NULL, NULL, 0, DEXMORA_EMPTY_TEXT, ""},
    {"empty data", ENCODE, 0, {0}, "", NULL, 0, DEXMORA_EMPTY_TEXT, "empty"},
    {"NULL data with a length", ENCODE, 0, {0}, NULL, NULL, 3, DEXMORA_BAD_ARGUMENT, "3"},
    {"NULL place for the symbol", ENCODE, NO_OUT, {0}, "x", NULL, 1, DEXMORA_BAD_ARGUMENT, "NULL"},
    {"contradicting options", ENCODE, 0, {"dmre", NULL, "shape", "square"}, "x", NULL, 1, DEXMORA_BAD_OPTION, "dmre"},
    {"exact size too small", ENCODE, 0, {"size", "10", "exact-size", "1"}, "1234567", NULL, 7, DEXMORA_TOO_LONG, "10x10"},
    {"lower case in X12", ENCODE, 0, {"encodation", "x12"}, "a", NULL, 1, DEXMORA_NOT_ENCODABLE, ""},
    {"bad GS1", ENCODE, 0, {"gs1", "1"}, "[01]123", NULL, 7, DEXMORA_BAD_GS1, "(01)"},
    {"render NULL symbol", RENDER, NO_SYMBOL, {0}, "png", NULL, 0, DEXMORA_BAD_ARGUMENT, "symbol"},
    {"render to NULL", RENDER, NO_OUT, {0}, "png", NULL, 0, DEXMORA_BAD_ARGUMENT, "NULL"},
    {"render a GIF", RENDER, 0, {0}, "gif", NULL, 0, DEXMORA_BAD_OPTION, "gif"},
    {"write NULL symbol", WRITE, NO_SYMBOL, {0}, "x.png", NULL, 0, DEXMORA_BAD_ARGUMENT, "symbol"},
    {"write NULL path", WRITE, NO_OUT, {0}, NULL, NULL, 0, DEXMORA_BAD_ARGUMENT, "path"},
    {"no such folder", WRITE, 0, {0}, "no-such/x.png", NULL, 0, DEXMORA_WRITE_FAILED, "no-such"},
    {"folder is a file", WRITE, 0, {0}, "123456.png/x.png", NULL, 0, DEXMORA_WRITE_FAILED, "123456.png"},
    {"path is a folder", WRITE, 0, {0}, ".", NULL, 0, DEXMORA_WRITE_FAILED, ""},
    {"JPEG asked for", WRITE, 0, {0}, "x.jpg", NULL, 0, DEXMORA_BAD_OPTION, "jpg"},
    {"format contradicts path", WRITE, 0, {"format", "svg"}, "x.pdf", NULL, 0, DEXMORA_BAD_OPTION, "pdf"},
    {"temporary's name", WRITE, 0, {0}, ".x.png.1.dexmora-tmp", NULL, 0, DEXMORA_BAD_OPTION, "dexmora-tmp"},
};

static int attempt(const struct failure *f, const char *dir, const dexmora_symbol *good) {
  dexmora_options *options = dexmora_options_new();
  dexmora_symbol *made = NULL;
  unsigned char *bytes = NULL;
  size_t length = 1;
  char path[4096];
  int code = -1, i;
  for (i = 0; i < 4 && f->setup[i]; i += 2) check(dexmora_options_set(options, f->setup[i], f->setup[i + 1]) == 0, f->what, "setup");
  snprintf(path, sizeof path, "%s/%s", dir, f->a ? f->a : "");
  switch (f->call) {
    case SET: code = dexmora_options_set(f->nulls & NO_OPTIONS ? NULL : options, f->a, f->b); break;
    case ENCODE:
      code = dexmora_encode(f->a, f->length, options, f->nulls & NO_OUT ? NULL : &made);
      if (!(f->nulls & NO_OUT)) check(made == NULL, f->what, "a symbol after a failure");
      break;
    case RENDER:
      code = dexmora_render(f->nulls & NO_SYMBOL ? NULL : good, options, f->a, f->nulls & NO_OUT ? NULL : &bytes, &length);
      check(bytes == NULL && (length == 0 || f->nulls & NO_OUT), f->what, "bytes after a failure");
      break;
    case WRITE: code = dexmora_write_file(f->nulls & NO_SYMBOL ? NULL : good, options, f->nulls & NO_OUT ? NULL : path); break;
  }
  dexmora_symbol_free(made);
  dexmora_options_free(options);
  return code;
}

int main(int argc, char **argv) {
  static char long_text[4000];
  char path[4096];
  dexmora_symbol *symbol = NULL, *raised = NULL;
  dexmora_options *options = dexmora_options_new();
  unsigned char *bytes = NULL;
  size_t length = 0, i;
  int code;
  if (argc != 2) return 2;

  check(dexmora_version()[0] != '\0' && dexmora_last_error()[0] == '\0', "version or a message before any failure", NULL);
  check(dexmora_error_name(0) && !strcmp(dexmora_error_name(0), "ok") && dexmora_error_name(-1) == NULL &&
            dexmora_error_name(DEXMORA_INTERNAL_ERROR + 1) == NULL, "error names", NULL);

  check(dexmora_encode("123456", 6, NULL, &symbol) == 0, "encode 123456", dexmora_last_error());
  check(dexmora_symbol_rows(symbol) == 10 && dexmora_symbol_cols(symbol) == 10, "123456 is not 10x10", NULL);
  check_finder(symbol);
  check(dexmora_symbol_notice(symbol, 0) == NULL, "a notice nobody caused", NULL);
  snprintf(path, sizeof path, "%s/123456.png", argv[1]);
  check(dexmora_write_file(symbol, NULL, path) == 0, "write 123456.png", dexmora_last_error());
  check(dexmora_render(symbol, NULL, "SVG", &bytes, &length) == 0 && length > 5 && !memcmp(bytes, "<?xml", 5),
        "render an SVG", dexmora_last_error());
  dexmora_free(bytes);

  /* A rectangle tells rows from columns; the options stay open after an encode. */
  check(dexmora_options_set(options, "shape", "rectangle") == 0, "set shape", dexmora_last_error());
  check(dexmora_encode("123456", 6, options, &raised) == 0, "encode a rectangle", dexmora_last_error());
  check(dexmora_symbol_rows(raised) == 8 && dexmora_symbol_cols(raised) == 18, "123456 is not 8x18", NULL);
  check_finder(raised);
  dexmora_symbol_free(raised);
  check(dexmora_options_set(options, "shape", "square") == 0 && dexmora_options_set(options, "size", "10") == 0,
        "set shape and size", dexmora_last_error());
  check(dexmora_encode("1234567", 7, options, &raised) == 0, "encode with size 10", dexmora_last_error());
  check(dexmora_symbol_rows(raised) == 12 && dexmora_symbol_notice(raised, 0) &&
            !strcmp(dexmora_symbol_notice(raised, 0), "size_raised") && dexmora_symbol_notice(raised, 1) == NULL &&
            strstr(dexmora_symbol_notice_message(raised, 0), "10x10") && dexmora_symbol_notice_message(raised, 1) == NULL,
        "size_raised", NULL);
  check_finder(raised);
  dexmora_symbol_free(raised);

  /* A switch set with NULL is cleared with "0": without ECI 26 first, the text takes fewer modules. */
  check(dexmora_options_set(options, "utf8", NULL) == 0 && dexmora_encode("\xc3\xa9" "1", 3, options, &raised) == 0,
        "utf8 set", dexmora_last_error());
  code = dexmora_symbol_rows(raised);
  dexmora_symbol_free(raised);
  check(dexmora_options_set(options, "utf8", "0") == 0 && dexmora_encode("\xc3\xa9" "1", 3, options, &raised) == 0 &&
            dexmora_symbol_rows(raised) < code, "utf8 cleared", dexmora_last_error());
  dexmora_symbol_free(raised);

  memset(long_text, 'A', sizeof long_text);
  code = dexmora_encode(long_text, sizeof long_text, NULL, &raised);
  check(code == DEXMORA_TOO_LONG && !strcmp(dexmora_error_name(code), "too_long") &&
            strstr(dexmora_last_error(), "4000") && raised == NULL, "4000 letters", dexmora_last_error());

  for (i = 0; i < sizeof failures / sizeof failures[0]; ++i) {
    code = attempt(&failures[i], argv[1], symbol);
    check(code == failures[i].expected, failures[i].what, dexmora_error_name(code));
    check(strstr(dexmora_last_error(), failures[i].needle) != NULL && dexmora_last_error()[0] != '\0', failures[i].what,
          dexmora_last_error());
  }
  check(dexmora_symbol_rows(NULL) == -1 && dexmora_symbol_cols(NULL) == -1 && dexmora_symbol_notice(NULL, 0) == NULL,
        "getters of NULL", NULL);
  dexmora_options_free(NULL);
  dexmora_symbol_free(NULL);
  dexmora_free(NULL);
  dexmora_options_free(options);
  dexmora_symbol_free(symbol);
  if (faults == 0) printf("capi_program: %u failure paths walked\n", (unsigned)(sizeof failures / sizeof failures[0]));
  return faults ? 1 : 0;
}
