/* The interface between dexmora-cli and its loadable sheet module
 * (dexmora-sheet-writer.so). The module brings HarfBuzz, fontconfig and
 * FreeType, which a run without --sheet never maps. Plain C: the program
 * carries its own copy of the C++ runtime, so no C++ object, allocation or
 * exception may pass between them. */
#pragma once

#include <stddef.h>

/* Raised whenever the functions below change; the program refuses a module
 * built for another number. */
#define DEXMORA_SHEET_MODULE_ABI 1

#define DEXMORA_SHEET_MODULE_FILE "dexmora-sheet-writer.so"

#ifdef __cplusplus
extern "C" {
#endif

/* One option in the command line's words: "grid" = "3x8", "xdim" = "fit",
 * "caption" = "{text}", "fg" = "00008b"; both strings end in NUL. */
typedef struct {
  const char* key;
  const char* value;
} dexmora_sheet_option;

/* One label: its text, TSV name and line number ({n}); a null `text` is a
 * cell left empty. */
typedef struct {
  const char* text;
  size_t text_length;
  const char* name;
  size_t name_length;
  size_t number;
} dexmora_sheet_line;

/* What the module says of line `index` (from 0), or of the whole run when
 * `index` is (size_t)-1; a refusal comes with the exit status a single run
 * ends with for it (64 a text the encoder refuses, 65 a label that does not
 * fit its cell). The message is the module's, valid only during the call.
 * Must not throw. */
enum { DEXMORA_SHEET_REFUSED = 0, DEXMORA_SHEET_WARNING = 1, DEXMORA_SHEET_REPORT = 2 };
typedef void (*dexmora_sheet_note)(void* context, int kind, size_t index, int status, const char* message);

/* Receives the PDF; the bytes are the module's, valid only during the call. */
typedef void (*dexmora_sheet_output)(void* context, const char* bytes, size_t length);

/* DEXMORA_SHEET_MODULE_ABI as the module was built. */
int dexmora_sheet_module_abi(void);

/* Encodes every line and lays the labels out as one PDF. Refused lines are
 * noted and leave their cells empty; with `verbose` every label placed gets
 * a report naming `path`. Returns 0 after passing the PDF to `output`, else
 * the exit status that stops the run (64 refused options, 2 out of memory,
 * 70 a font the subsetter cannot read), said in a note first. */
int dexmora_sheet_module_write(const dexmora_sheet_option* options, size_t option_count,
                               const dexmora_sheet_line* lines, size_t line_count, int verbose, const char* path,
                               dexmora_sheet_note note, dexmora_sheet_output output, void* context);

#ifdef __cplusplus
}
#endif
