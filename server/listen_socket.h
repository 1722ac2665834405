#pragma once

#include <string>
#include <string_view>

#include <dexmora/error.h>

namespace dexmora::serve {

/// A listening socket and what to call it in messages.
struct ListenSocket {
  int fd = -1;
  std::string address;  ///< "127.0.0.1:8080", "[::1]:8080": the bound port, not 0
};

/// Binds and listens on `listenAt` (ADDR:PORT or [IPV6]:PORT, numeric only).
Expected<ListenSocket> openListenSocket(std::string_view listenAt);

/// The socket systemd passed (LISTEN_PID is this process, LISTEN_FDS is 1),
/// or fd -1 when it passed none. The variables are removed, so children do
/// not take the socket for theirs. More than one socket is an error.
Expected<ListenSocket> inheritedListenSocket();

}  // namespace dexmora::serve
