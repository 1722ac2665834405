#pragma once

#include <sys/socket.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace dexmora::serve {

/// Accepts connections on the listening sockets and hands each one over.
/// Accepting ourselves lets the server wait instead of spinning when the
/// process runs out of descriptors, and stop taking connections at its cap
/// so they wait in the kernel's queue rather than being dropped.
class Acceptor {
 public:
  /// Takes a connected socket; the callee owns it from then on. False when
  /// it was refused (and closed).
  using Handoff = std::function<bool(int fd, const sockaddr* address, socklen_t length)>;

  /// `listening` are owned from now on and closed by stop(). At most `cap`
  /// connections are open at once, as counted by the hand-offs and closed().
  Acceptor(std::vector<int> listening, unsigned cap, Handoff handoff);
  ~Acceptor();
  Acceptor(const Acceptor&) = delete;
  Acceptor& operator=(const Acceptor&) = delete;

  /// Starts the accepting thread; false when it cannot.
  bool start();
  /// Stops accepting and closes the listening sockets: new connections are refused.
  void stop();
  /// A connection handed over has closed.
  void closed();

 private:
  void run();
  void wake();
  // Waits up to `milliseconds` for a wake-up; false once stopping.
  bool pause(int milliseconds);
  void reportShortage(int error);

  std::vector<int> m_listening;
  const unsigned m_cap;
  Handoff m_handoff;
  int m_wake = -1;  // an eventfd: stop() and closed() interrupt the poll
  std::atomic<bool> m_stopping{false};
  std::atomic<unsigned> m_open{0};
  long long m_lastReport = 0;  // steady seconds of the last shortage line
  std::thread m_thread;
};

}  // namespace dexmora::serve
