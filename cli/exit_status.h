#pragma once

#include <dexmora/error.h>

// Exit statuses of dexmora-cli, after the BSD sysexits values.
constexpr int DM_CLI_EXIT_OK = 0;
constexpr int DM_CLI_EXIT_NO_MEMORY = 2;    // memory ran out; nothing was written
constexpr int DM_CLI_EXIT_USAGE = 64;       // bad option, size or text
constexpr int DM_CLI_EXIT_DATA = 65;        // a batch refused some of its lines
constexpr int DM_CLI_EXIT_UNAVAILABLE = 69; // --verify's reader is not installed
constexpr int DM_CLI_EXIT_SOFTWARE = 70;    // --verify found a mismatch, or an internal failure
constexpr int DM_CLI_EXIT_CANT_CREATE = 73; // the picture could not be written
constexpr int DM_CLI_EXIT_IO_ERROR = 74;    // standard input or output failed
// A signal ends the program with its default action, which shells report
// as 128 + N (129 SIGHUP, 130 SIGINT, 131 SIGQUIT, 143 SIGTERM).
constexpr int DM_CLI_EXIT_INTERRUPTED = 130;

// The status of a run the library refused: memory, an internal failure (a
// mismatch --verify found among them), or else the request itself.
inline int statusOf(const dexmora::Error& error) {
  switch (error.code()) {
    case dexmora::ErrorCode::OutOfMemory: return DM_CLI_EXIT_NO_MEMORY;
    case dexmora::ErrorCode::VerifyMismatch:
    case dexmora::ErrorCode::RenderFailed: return DM_CLI_EXIT_SOFTWARE;
    default: return DM_CLI_EXIT_USAGE;
  }
}
