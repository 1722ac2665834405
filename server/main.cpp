#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <string>
#include <sys/resource.h>
#include <thread>

#include <dexmora/version.h>

#include "server/http_server.h"
#include "server/listen_socket.h"
#include "server/metrics.h"
#include "server/settings.h"

namespace {

using namespace dexmora::serve;

constexpr int kExitUsage = 64;
constexpr int kExitUnavailable = 69;
// Descriptors kept for everything but client connections: the listening
// socket, the wake-up pipes of each thread, standard streams.
constexpr rlim_t kReservedFiles = 64;

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "dexmora-serve: %s\n", message.c_str());
  return status;
}

// Every connection is a descriptor: take all the system lets us, and admit
// no more connections than there are descriptors for.
void fitConnectionsToFileLimit(ServeSettings& settings) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  if (limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur <= kReservedFiles) return;
  const rlim_t room = limit.rlim_cur - kReservedFiles - 2 * settings.threads;
  if (settings.maxConnections > room) {
    std::fprintf(stderr, "dexmora-serve: warning: at most %llu files may be open; admitting %llu connections, not %u\n",
                 static_cast<unsigned long long>(limit.rlim_cur), static_cast<unsigned long long>(room),
                 settings.maxConnections);
    settings.maxConnections = static_cast<unsigned>(room);
  }
}

int serve(ServeSettings settings) {
  if (settings.threads == 0) settings.threads = std::max(1u, std::thread::hardware_concurrency());
  fitConnectionsToFileLimit(settings);

  // The worker threads inherit this mask, so only sigwait() below sees the
  // signals; a peer closing its end must not end the process.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  dexmora::Expected<ListenSocket> inherited = inheritedListenSocket();
  if (!inherited) return fail(kExitUsage, inherited.error().message());
  dexmora::Expected<ListenSocket> socket = inherited->fd >= 0 ? inherited : openListenSocket(settings.listen);
  if (!socket) return fail(socket.error().systemError() != 0 ? kExitUnavailable : kExitUsage, socket.error().message());

  Metrics metrics;
  HttpServer server(settings, metrics);
  if (dexmora::Expected<void> started = server.start(socket->fd); !started) {
    return fail(kExitUnavailable, started.error().message());
  }
  std::fprintf(stderr, "dexmora-serve: listening on %s (%u threads, up to %u connections)\n", socket->address.c_str(),
               settings.threads, settings.maxConnections);
  std::fflush(stderr);

  int signal = 0;
  sigwait(&stopSignals, &signal);
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
