#include "server/listen_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>
#include "dexmora_text/quoting.h"

namespace dexmora::serve {

namespace {

constexpr int kFirstSystemdSocket = 3;

Error socketError(std::string_view listenAt, std::string_view what, int error) {
  return Error(ErrorCode::BadOption, "cannot " + std::string(what) + " " + quoted(listenAt) + ": " + std::strerror(error),
               error);
}

std::string addressOf(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "?";
  char host[INET6_ADDRSTRLEN] = "?";
  unsigned port = 0;
  if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
    port = ntohs(v6->sin6_port);
    return "[" + std::string(host) + "]:" + std::to_string(port);
  }
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
    port = ntohs(v4->sin_port);
    return std::string(host) + ":" + std::to_string(port);
  }
  return "socket " + std::to_string(fd);
}

}  // namespace

Expected<ListenSocket> openListenSocket(std::string_view listenAt) {
  const size_t colon = listenAt.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == listenAt.size()) {
    return Error(ErrorCode::BadOption, "bad --listen " + quoted(listenAt) + ": use ADDR:PORT, e.g. 127.0.0.1:8080 or [::1]:8080");
  }
  std::string host(listenAt.substr(0, colon));
  const std::string port(listenAt.substr(colon + 1));
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (const int error = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); error != 0) {
    return Error(ErrorCode::BadOption, "bad --listen " + quoted(listenAt) + ": " + gai_strerror(error) +
                                           " (give a numeric address and port, e.g. 0.0.0.0:8080 or [::]:8080)");
  }
  // Non-blocking: every worker thread watches the socket, and the ones that
  // lose the race for a connection must not sleep in accept() while their
  // own connections wait.
  const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    const int error = errno;
    freeaddrinfo(found);
    return socketError(listenAt, "open a socket for", error);
  }
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const bool bound = bind(fd, found->ai_addr, found->ai_addrlen) == 0;
  const int error = errno;
  freeaddrinfo(found);
  if (!bound || listen(fd, SOMAXCONN) != 0) {
    const int failure = bound ? errno : error;
    close(fd);
    return socketError(listenAt, bound ? "listen on" : "bind", failure);
  }
  return ListenSocket{fd, addressOf(fd)};
}

Expected<ListenSocket> inheritedListenSocket() {
  const char* pid = std::getenv("LISTEN_PID");
  const char* fds = std::getenv("LISTEN_FDS");
  if (!pid || !fds || std::strtol(pid, nullptr, 10) != static_cast<long>(getpid())) return ListenSocket{};
  const long count = std::strtol(fds, nullptr, 10);
  unsetenv("LISTEN_PID");
  unsetenv("LISTEN_FDS");
  unsetenv("LISTEN_FDNAMES");
  if (count == 0) return ListenSocket{};
  if (count != 1) {
    return Error(ErrorCode::BadOption, "systemd passed " + std::to_string(count) + " sockets; give the service one");
  }
  fcntl(kFirstSystemdSocket, F_SETFD, FD_CLOEXEC);
  const int flags = fcntl(kFirstSystemdSocket, F_GETFL);
  if (flags != -1) fcntl(kFirstSystemdSocket, F_SETFL, flags | O_NONBLOCK);
  return ListenSocket{kFirstSystemdSocket, addressOf(kFirstSystemdSocket)};
}

}  // namespace dexmora::serve
