#include "server/listen_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include "dexmora_text/quoting.h"

#include <memory>

namespace dexmora::serve {

namespace {

constexpr int kFirstSystemdSocket = 3;

Error socketError(std::string_view where, std::string_view what, int error) {
  return Error(ErrorCode::BadOption, "cannot " + std::string(what) + " " + std::string(where) + ": " + std::strerror(error),
               error);
}

std::string addressOf(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return "?";
  char host[INET6_ADDRSTRLEN] = "?";
  if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
    return "[" + std::string(host) + "]:" + std::to_string(ntohs(v6->sin6_port));
  }
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(v4->sin_port));
  }
  if (address.ss_family == AF_UNIX) return "socket " + std::to_string(fd) + " (local)";
  return "socket " + std::to_string(fd);
}

void setPort(addrinfo& info, uint16_t port) {
  if (info.ai_family == AF_INET6) reinterpret_cast<sockaddr_in6*>(info.ai_addr)->sin6_port = htons(port);
  if (info.ai_family == AF_INET) reinterpret_cast<sockaddr_in*>(info.ai_addr)->sin_port = htons(port);
}

uint16_t portOf(int fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
  return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

void closeAll(const std::vector<ListenSocket>& sockets) {
  for (const ListenSocket& socket : sockets) close(socket.fd);
}

Expected<ListenSocket> listenOn(const addrinfo& info, std::string_view listenAt) {
  // Non-blocking: a connection the client dropped between poll() and
  // accept() must not leave the accepting thread asleep.
  const int fd = socket(info.ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return socketError(quoted(listenAt), "open a socket for", errno);
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // [::] next to 0.0.0.0 on one port: each family on its own socket.
  if (info.ai_family == AF_INET6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  const bool bound = bind(fd, info.ai_addr, info.ai_addrlen) == 0;
  const int error = errno;
  if (!bound || listen(fd, SOMAXCONN) != 0) {
    const int failure = bound ? errno : error;
    char host[NI_MAXHOST] = "?";
    getnameinfo(info.ai_addr, info.ai_addrlen, host, sizeof host, nullptr, 0, NI_NUMERICHOST);
    close(fd);
    return socketError(quoted(listenAt) + " (" + host + ")", bound ? "listen on" : "bind", failure);
  }
  return ListenSocket{fd, addressOf(fd)};
}

// Why descriptor `fd` from systemd cannot be served, or empty.
std::string unusable(int fd) {
  struct stat status {};
  if (fstat(fd, &status) != 0) return "is not open";
  if (!S_ISSOCK(status.st_mode)) return "is not a socket";
  int type = 0;
  socklen_t length = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM) return "is not a stream (TCP) socket";
  int listening = 0;
  length = sizeof listening;
  if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) != 0 || listening == 0) return "is not listening";
  return {};
}

bool parseCount(const char* text, long& value) {
  if (!text || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && *end == '\0' && value >= 0;
}

}  // namespace

Expected<std::vector<ListenSocket>> openListenSockets(std::string_view listenAt) {
  const size_t colon = listenAt.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == listenAt.size() || colon == 0) {
    return Error(ErrorCode::BadOption, "bad --listen " + quoted(listenAt) +
                                           ": use HOST:PORT, e.g. 127.0.0.1:8080, localhost:8080, [::1]:8080 or *:8080");
  }
  std::string host(listenAt.substr(0, colon));
  const std::string port(listenAt.substr(colon + 1));
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (const int error = getaddrinfo(host == "*" ? nullptr : host.c_str(), port.c_str(), &hints, &found); error != 0) {
    return Error(ErrorCode::BadOption, "bad --listen " + quoted(listenAt) + ": " + gai_strerror(error));
  }
  const std::unique_ptr<addrinfo, void (*)(addrinfo*)> owned(found, freeaddrinfo);
  size_t addresses = 0;
  for (addrinfo* info = found; info; info = info->ai_next) addresses += info->ai_family == AF_INET || info->ai_family == AF_INET6;
  std::vector<ListenSocket> sockets;
  std::vector<std::string> seen;
  uint16_t chosen = 0;
  for (addrinfo* info = found; info; info = info->ai_next) {
    if (info->ai_family != AF_INET && info->ai_family != AF_INET6) continue;
    char numeric[NI_MAXHOST] = "";
    getnameinfo(info->ai_addr, info->ai_addrlen, numeric, sizeof numeric, nullptr, 0, NI_NUMERICHOST);
    bool repeated = false;
    for (const std::string& address : seen) repeated = repeated || address == numeric;
    if (repeated) continue;  // a name may resolve to one address several times
    seen.emplace_back(numeric);
    if (chosen != 0) setPort(*info, chosen);
    Expected<ListenSocket> socket = listenOn(*info, listenAt);
    // A name for several addresses (localhost) is served where the machine
    // has that family; an address it lacks is no error then.
    const int error = socket ? 0 : socket.error().systemError();
    if (!socket && addresses > 1 && (error == EAFNOSUPPORT || error == EADDRNOTAVAIL)) continue;
    if (!socket) {
      closeAll(sockets);
      return socket.error();
    }
    if (chosen == 0) chosen = portOf(socket->fd);
    sockets.push_back(std::move(socket).value());
  }
  if (sockets.empty()) return Error(ErrorCode::BadOption, "bad --listen " + quoted(listenAt) + ": no IPv4 or IPv6 address");
  return sockets;
}

Expected<std::vector<ListenSocket>> inheritedListenSockets() {
  const char* pid = std::getenv("LISTEN_PID");
  const char* fds = std::getenv("LISTEN_FDS");
  if (!fds) return std::vector<ListenSocket>{};
  long owner = 0;
  long count = 0;
  // Variables meant for another process (a parent's, passed on) are not ours to act on.
  if (!parseCount(pid, owner) || owner != static_cast<long>(getpid())) return std::vector<ListenSocket>{};
  unsetenv("LISTEN_PID");
  unsetenv("LISTEN_FDS");
  unsetenv("LISTEN_FDNAMES");
  if (!parseCount(fds, count) || count > INT_MAX - kFirstSystemdSocket) {
    return Error(ErrorCode::BadOption, "bad LISTEN_FDS " + quoted(fds) + ": systemd passes a count of sockets");
  }
  std::vector<ListenSocket> sockets;
  for (int fd = kFirstSystemdSocket; fd < kFirstSystemdSocket + count; ++fd) {
    if (const std::string why = unusable(fd); !why.empty()) {
      return Error(ErrorCode::BadOption, "descriptor " + std::to_string(fd) + " passed by systemd (LISTEN_FDS=" +
                                             std::to_string(count) + ") " + why + "; give the service listening TCP sockets");
    }
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    sockets.push_back({fd, addressOf(fd)});
  }
  return sockets;
}

}  // namespace dexmora::serve
