#pragma once

/// @file
/// The C interface of libdexmora, for C programs and for every language that
/// binds through a C FFI (ctypes, cgo, Rust, .NET, Java, Node, Lua). C99, no
/// C++ type; the same encoder and renderer as the C++ face, options given as
/// dexmora-cli's long options without "--".
///
/// Functions that can fail return 0 (DEXMORA_OK) or one of the positive codes
/// below, and leave a message for dexmora_last_error(). They distrust their
/// arguments: a NULL pointer is DEXMORA_BAD_ARGUMENT, never a crash. Nothing
/// is kept between calls but each thread's last message, so any number of
/// threads may call at once; share a symbol or options between threads for
/// reading only.

#include <stddef.h>

#include <dexmora/export.h>

#ifdef __cplusplus
extern "C" {
#endif

/// What went wrong. The numbers are stable across 1.x; the names
/// (dexmora_error_name()) are those of the C++ ErrorCode.
enum dexmora_error_code {
  DEXMORA_OK = 0,                  ///< "ok": success
  DEXMORA_BAD_OPTION = 1,          ///< "bad_option": an unknown key, a value refused, or options that contradict each other
  DEXMORA_EMPTY_TEXT = 2,          ///< "empty_text": there is no text to encode
  DEXMORA_TOO_LONG = 3,            ///< "too_long": the text does not fit the largest symbol allowed
  DEXMORA_NOT_ENCODABLE = 4,       ///< "not_encodable": the chosen encodation cannot carry these bytes
  DEXMORA_BAD_GS1 = 5,             ///< "bad_gs1": the GS1 element strings are malformed or fail validation
  DEXMORA_PICTURE_TOO_LARGE = 6,   ///< "picture_too_large": the picture would exceed the limits
  DEXMORA_RENDER_FAILED = 7,       ///< "render_failed": the image library refused to encode the picture
  DEXMORA_WRITE_FAILED = 8,        ///< "write_failed": the file could not be written; the message says why
  DEXMORA_VERIFY_MISMATCH = 9,     ///< "verify_mismatch": a picture read back differently
  DEXMORA_OUT_OF_MEMORY = 10,      ///< "out_of_memory"
  DEXMORA_BAD_ARGUMENT = 11,       ///< "bad_argument": a NULL pointer where one is needed, or a length with no data
  DEXMORA_INTERNAL_ERROR = 12      ///< "internal_error": a fault inside the library; the message says which
};

/// The options of one symbol and its picture; nothing set means the
/// library's defaults (the first release's symbol and picture).
typedef struct dexmora_options dexmora_options;

/// A finished symbol: its modules and what encoding chose for the caller.
/// Never changes once made.
typedef struct dexmora_symbol dexmora_symbol;

/// New options, all defaults. The caller owns them and frees them with
/// dexmora_options_free(); NULL when memory ran out.
DEXMORA_EXPORT dexmora_options *dexmora_options_new(void);

/// Sets option `key` (a long option of dexmora-cli without "--", e.g.
/// "size", "encodation", "xdim") to `value` as the command line takes it; a
/// later value replaces an earlier one. A switch ("dmre", "gs1", "invert")
/// is set by "1" or NULL and cleared by "0". On failure the options are
/// unchanged and the message names `key` as given.
DEXMORA_EXPORT int dexmora_options_set(dexmora_options *options, const char *key, const char *value);

/// Frees options made by dexmora_options_new(); NULL does nothing.
DEXMORA_EXPORT void dexmora_options_free(dexmora_options *options);

/// Encodes `length` bytes of `data` (any bytes, zero included) with
/// `options` (NULL: the defaults) and stores the new symbol in `*symbol`,
/// which the caller frees with dexmora_symbol_free(). `*symbol` is NULL
/// after a failure. The options are checked together here, not changed.
DEXMORA_EXPORT int dexmora_encode(const void *data, size_t length, const dexmora_options *options,
                                  dexmora_symbol **symbol);

/// Module rows of `symbol`, finder included; -1 for NULL.
DEXMORA_EXPORT int dexmora_symbol_rows(const dexmora_symbol *symbol);

/// Module columns of `symbol`, finder included; -1 for NULL.
DEXMORA_EXPORT int dexmora_symbol_cols(const dexmora_symbol *symbol);

/// 1 when the module at `row` (from the top) and `col` (from the left), both
/// from 0, is dark, 0 when light; -1 for NULL or a place outside the symbol.
DEXMORA_EXPORT int dexmora_symbol_module(const dexmora_symbol *symbol, int row, int col);

/// The name of notice number `index` (from 0) of what encoding chose for
/// the caller, e.g. "size_raised"; NULL past the last one or for NULL. The
/// string belongs to the symbol.
DEXMORA_EXPORT const char *dexmora_symbol_notice(const dexmora_symbol *symbol, int index);

/// The one-line message of notice number `index` for the user, e.g. "the
/// text does not fit 10x10; using 12x12"; NULL where dexmora_symbol_notice()
/// is NULL. The string belongs to the symbol.
DEXMORA_EXPORT const char *dexmora_symbol_notice_message(const dexmora_symbol *symbol, int index);

/// Frees a symbol made by dexmora_encode(); NULL does nothing.
DEXMORA_EXPORT void dexmora_symbol_free(dexmora_symbol *symbol);

/// Renders `symbol` with the picture options of `options` (NULL: the
/// defaults) as "png", "svg", "pdf", "eps" or "txt" (any case); a NULL
/// `format` takes the options' "format", else PNG. Stores the file's bytes,
/// which the caller frees with dexmora_free(), in `*bytes` and their count
/// in `*length`; NULL and 0 after a failure.
DEXMORA_EXPORT int dexmora_render(const dexmora_symbol *symbol, const dexmora_options *options, const char *format,
                                  unsigned char **bytes, size_t *length);

/// Renders `symbol` as dexmora_render() does into the file at `path`, the
/// format chosen by the options' "format" or else the path's extension
/// (PNG when it names none). A regular file is replaced only by a complete
/// one; after a failure nothing is left behind.
DEXMORA_EXPORT int dexmora_write_file(const dexmora_symbol *symbol, const dexmora_options *options, const char *path);

/// Frees bytes handed out by dexmora_render(); NULL does nothing.
DEXMORA_EXPORT void dexmora_free(void *bytes);

/// The stable name of a code, e.g. "too_long" for DEXMORA_TOO_LONG, "ok"
/// for 0; NULL for a number that is no code. A static string.
DEXMORA_EXPORT const char *dexmora_error_name(int code);

/// The message of the last call that failed on this thread, one line that
/// names the problem and the input; "" before any failure. Successful calls
/// leave it alone. Valid until this thread's next failing call.
DEXMORA_EXPORT const char *dexmora_last_error(void);

/// The version of the library the program runs with, e.g. "1.0". A static string.
DEXMORA_EXPORT const char *dexmora_version(void);

#ifdef __cplusplus
}
#endif
