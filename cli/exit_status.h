#pragma once

// Exit statuses of dexmora-cli, after the BSD sysexits values. Exhausted
// memory inside the encoder ends the process with the core's own statuses
// (2, 3, 7) before any of these is reached.
constexpr int DM_CLI_EXIT_OK = 0;
constexpr int DM_CLI_EXIT_USAGE = 64;       // bad option, size or text
constexpr int DM_CLI_EXIT_CANT_CREATE = 73; // the picture could not be written
constexpr int DM_CLI_EXIT_IO_ERROR = 74;    // standard input or output failed
constexpr int DM_CLI_EXIT_NO_MEMORY = 2;    // the front end's own allocation failed
