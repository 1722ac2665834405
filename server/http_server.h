#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include <dexmora/error.h>

#include "server/metrics.h"
#include "server/routes.h"
#include "server/settings.h"

struct MHD_Daemon;

namespace dexmora::serve {

/// The HTTP server: libmicrohttpd's daemon on a listening socket, its
/// worker threads calling the Service.
class HttpServer {
 public:
  /// `settings` must have threads set (not 0); the server keeps a reference.
  HttpServer(const ServeSettings& settings, Metrics& metrics);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  /// Starts serving `listenFd`; libmicrohttpd owns it from then on and
  /// closes it when it stops.
  Expected<void> start(int listenFd);
  /// Stops accepting connections; requests in progress go on.
  void quiesce();
  /// Waits until no request is in progress or `grace` has passed; true when none is.
  bool waitForRequests(std::chrono::seconds grace);
  /// Closes every connection and stops the threads.
  void stop();

  // libmicrohttpd's callbacks reach the server through these.
  struct Exchange;
  Exchange* begin(const char* target);
  int answer(void* connection, Exchange& exchange, const char* url, const char* method, const char* upload,
             size_t* uploadSize);
  void finish(void* connection, Exchange* exchange, int termination);

 private:
  int queue(void* connection, Exchange& exchange, Reply reply);

  const ServeSettings& m_settings;
  Metrics& m_metrics;
  Service m_service;
  MHD_Daemon* m_daemon = nullptr;
  std::atomic<int> m_requests{0};
  std::atomic<bool> m_stopping{false};
};

}  // namespace dexmora::serve
