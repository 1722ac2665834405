#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include <dexmora/version.h>

#include "dexmora_frontend/process_start.h"
#include "server/http_server.h"
#include "server/listen_socket.h"
#include "server/metrics.h"
#include "server/settings.h"

namespace {

using namespace dexmora::serve;

constexpr int kExitUsage = 64;
constexpr int kExitUnavailable = 69;
constexpr int kExitSoftware = 70;
// Descriptors kept for everything but client connections: the listening
// sockets, the wake-up pipes of each thread, standard streams, and the few
// connections the library still holds after telling us they closed.
constexpr long long kReservedFiles = 64;

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "dexmora-serve: %s\n", message.c_str());
  return status;
}

// Every connection is a descriptor: take all the system lets us, and admit
// no more connections than there are descriptors for. Signed, so that a low
// limit gives a small cap rather than a huge one.
void fitConnectionsToFileLimit(ServeSettings& settings) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY) return;
  const long long files = static_cast<long long>(std::min<rlim_t>(limit.rlim_cur, 1LL << 40));
  const long long room = std::max(1LL, files - kReservedFiles - 2LL * settings.threads);
  if (settings.maxConnections > room) {
    std::fprintf(stderr, "dexmora-serve: warning: at most %lld files may be open; admitting %lld connections, not %u\n",
                 files, room, settings.maxConnections);
    settings.maxConnections = static_cast<unsigned>(room);
  }
}

std::string addressList(const std::vector<ListenSocket>& sockets) {
  std::string list;
  for (const ListenSocket& socket : sockets) list += (list.empty() ? "" : ", ") + socket.address;
  return list;
}

int serve(ServeSettings settings) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  if (settings.threads == 0) settings.threads = cores;
  if (settings.workers == 0) settings.workers = cores;
  fitConnectionsToFileLimit(settings);

  // Every thread inherits this mask, so only sigwait() below sees the stop
  // signals; a peer closing its end must not end the process.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaddset(&stopSignals, signal);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  dexmora::Expected<std::vector<ListenSocket>> inherited = inheritedListenSockets();
  if (!inherited) return fail(kExitUsage, inherited.error().message());
  dexmora::Expected<std::vector<ListenSocket>> sockets =
      !inherited->empty() ? std::move(inherited) : openListenSockets(settings.listen);
  if (!sockets) return fail(sockets.error().systemError() != 0 ? kExitUnavailable : kExitUsage, sockets.error().message());
  const std::string addresses = addressList(*sockets);
  std::vector<int> fds;
  for (const ListenSocket& socket : *sockets) fds.push_back(socket.fd);

  Metrics metrics;
  HttpServer server(settings, metrics);
  if (dexmora::Expected<void> started = server.start(std::move(fds)); !started) {
    return fail(kExitUnavailable, started.error().message());
  }
  std::fprintf(stderr, "dexmora-serve: listening on %s (%u threads, %u workers, up to %u connections)\n",
               addresses.c_str(), settings.threads, settings.workers, settings.maxConnections);
  std::fflush(stderr);

  int signal = 0;
  if (sigwait(&stopSignals, &signal) != 0) return fail(kExitSoftware, "cannot wait for signals");
  std::fprintf(stderr, "dexmora-serve: %s: no new connections; finishing the requests in progress\n",
               strsignal(signal));
  server.quiesce();
  if (!server.waitForRequests(std::chrono::seconds(settings.shutdownGrace))) {
    std::fprintf(stderr, "dexmora-serve: requests still in progress after %u seconds are cut off\n",
                 settings.shutdownGrace);
  }
  server.stop();
  std::fprintf(stderr, "dexmora-serve: stopped\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything is opened: a socket must never become descriptor 2 and
  // receive the log.
  if (!reserveStandardDescriptors()) return kExitSoftware;
  const ServeCommand command = parseServeCommand(argc, argv);
  if (!command.error.empty()) return fail(kExitUsage, command.error + "; see --help");
  switch (command.mode) {
    case ServeCommand::Mode::Help: std::fputs(serveUsage().c_str(), stdout); return 0;
    case ServeCommand::Mode::Version:
      std::printf("dexmora-serve %.*s\n", static_cast<int>(dexmora::libraryVersion().size()),
                  dexmora::libraryVersion().data());
      return 0;
    default: return serve(command.settings);
  }
}
