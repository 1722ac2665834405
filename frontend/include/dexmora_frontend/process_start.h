#pragma once

// What dexmora-cli and dexmora-serve settle before anything else: descriptors 0-2 held, so no
// file it creates or message it writes lands on one the caller closed, and
// SIGXFSZ ignored, so a file-size limit fails that file's write (EFBIG,
// "File too large") instead of killing the process.

// A closed descriptor 0, 1 or 2 gets /dev/null opened in the direction it is
// not used (standard input for writing, the outputs for reading), so using it
// still fails with EBADF as when closed, and only what uses it fails. False
// when that cannot be done; the caller must then stop without a word.
bool reserveStandardDescriptors();

void ignoreFileSizeSignal();
