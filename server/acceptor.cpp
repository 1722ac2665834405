#include "server/acceptor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace dexmora::serve {

namespace {

// How long accepting pauses when descriptors run out: short enough that a
// freed descriptor is used soon, long enough to cost no CPU.
constexpr int kShortagePauseMs = 100;

long long steadySeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isShortage(int error) { return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM; }

}  // namespace

Acceptor::Acceptor(std::vector<int> listening, unsigned cap, Handoff handoff)
    : m_listening(std::move(listening)), m_cap(cap), m_handoff(std::move(handoff)) {}

Acceptor::~Acceptor() {
  stop();
  if (m_wake >= 0) close(m_wake);
}

bool Acceptor::start() {
  m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_wake < 0) return false;
  try {
    m_thread = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void Acceptor::stop() {
  m_stopping.store(true, std::memory_order_release);
  wake();
  if (m_thread.joinable()) m_thread.join();
  for (const int fd : m_listening) close(fd);
  m_listening.clear();
}

void Acceptor::closed() {
  // Never below zero, whatever order the library reports closes in.
  unsigned open = m_open.load(std::memory_order_acquire);
  while (open > 0 && !m_open.compare_exchange_weak(open, open - 1, std::memory_order_acq_rel)) {
  }
  if (open >= m_cap) wake();
}

void Acceptor::wake() {
  if (m_wake < 0) return;
  const uint64_t one = 1;
  const ssize_t written = write(m_wake, &one, sizeof one);
  (void)written;  // the counter is already non-zero: the poll wakes anyway
}

bool Acceptor::pause(int milliseconds) {
  pollfd wake{m_wake, POLLIN, 0};
  if (poll(&wake, 1, milliseconds) > 0) {
    uint64_t count = 0;
    const ssize_t got = read(m_wake, &count, sizeof count);
    (void)got;
  }
  return !m_stopping.load(std::memory_order_acquire);
}

void Acceptor::reportShortage(int error) {
  // One line a second at most: a shortage lasts, the log must not fill with it.
  const long long now = steadySeconds();
  if (now == m_lastReport) return;
  m_lastReport = now;
  std::fprintf(stderr, "dexmora-serve: cannot accept a connection: %s; waiting for connections to close\n",
               std::strerror(error));
}

void Acceptor::run() {
  std::vector<pollfd> watched;
  for (const int fd : m_listening) watched.push_back({fd, POLLIN, 0});
  watched.push_back({m_wake, POLLIN, 0});
  while (!m_stopping.load(std::memory_order_acquire)) {
    // At the cap, connections wait in the kernel's queue until one closes.
    if (m_open.load(std::memory_order_acquire) >= m_cap) {
      if (!pause(-1)) return;
      continue;
    }
    for (pollfd& p : watched) p.revents = 0;
    if (poll(watched.data(), watched.size(), -1) < 0) continue;
    if (watched.back().revents != 0 && !pause(0)) return;
    for (size_t i = 0; i + 1 < watched.size(); ++i) {
      if ((watched[i].revents & POLLIN) == 0) continue;
      sockaddr_storage address{};
      socklen_t length = sizeof address;
      const int fd = accept4(watched[i].fd, reinterpret_cast<sockaddr*>(&address), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) {
        const int error = errno;
        if (isShortage(error)) {
          reportShortage(error);
          if (!pause(kShortagePauseMs)) return;
        }
        continue;  // EAGAIN (another thread took it), ECONNABORTED, EINTR
      }
      m_open.fetch_add(1, std::memory_order_acq_rel);
      if (!m_handoff(fd, reinterpret_cast<const sockaddr*>(&address), length)) closed();
    }
  }
}

}  // namespace dexmora::serve
