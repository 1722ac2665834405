#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>

namespace dexmora::serve {

/// A listening socket and what to call it in messages.
struct ListenSocket {
  int fd = -1;
  std::string address;  ///< "127.0.0.1:8080", "[::1]:8080": the bound port, not 0
};

/// Binds and listens on every address `listenAt` names: HOST:PORT with a
/// name or a numeric address, [IPV6]:PORT, or *:PORT for every interface.
/// Port 0 takes a free port, the same one for every address. The sockets are
/// the caller's to close; on an error none is left open.
Expected<std::vector<ListenSocket>> openListenSockets(std::string_view listenAt);

/// The sockets systemd passed (LISTEN_PID is this process), each checked to be
/// an open, listening stream socket; none when it passed none. The variables
/// are removed, so children do not take the sockets for theirs.
Expected<std::vector<ListenSocket>> inheritedListenSockets();

}  // namespace dexmora::serve
