#pragma once

// Exit statuses of dexmora-cli, after the BSD sysexits values.
constexpr int DM_CLI_EXIT_OK = 0;
constexpr int DM_CLI_EXIT_NO_MEMORY = 2;    // memory ran out; nothing was written
constexpr int DM_CLI_EXIT_USAGE = 64;       // bad option, size or text
constexpr int DM_CLI_EXIT_DATA = 65;        // a batch refused some of its lines
constexpr int DM_CLI_EXIT_SOFTWARE = 70;    // --verify found a mismatch, or a picture could not be encoded
constexpr int DM_CLI_EXIT_CANT_CREATE = 73; // the picture could not be written
constexpr int DM_CLI_EXIT_IO_ERROR = 74;    // standard input or output failed
constexpr int DM_CLI_EXIT_INTERRUPTED = 130;
