#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dexmora::serve {

/// Everything the command line sets, at its safe defaults.
struct ServeSettings {
  std::string listen = "127.0.0.1:8080";  ///< HOST:PORT, [IPV6]:PORT or *:PORT; port 0 picks a free one
  unsigned threads = 0;                   ///< threads polling the connections; 0 for one per core
  unsigned workers = 0;                   ///< threads making symbols; 0 for one per core
  unsigned maxConnections = 4096;         ///< open connections in total
  unsigned perAddress = 0;                ///< open connections per client address; 0 for no limit
  unsigned idleTimeout = 30;              ///< seconds a connection may stay silent
  size_t maxTarget = 8192;                ///< bytes of the request target (path and query)
  size_t maxBody = 16384;                 ///< bytes of a request body
  uint32_t maxSide = 10000;               ///< pixels a side of a PNG picture
  uint64_t maxPixels = 25000000;          ///< pixels of a PNG picture
  unsigned maxInFlight = 0;               ///< symbols queued and being made before 503; 0 for 16 per worker
  unsigned shutdownGrace = 30;            ///< seconds a stop signal waits for requests in progress
  size_t cacheBytes = 16 << 20;           ///< bytes of recent response bodies kept; 0 for none
  bool accessLog = true;
  std::string cors;                       ///< Access-Control-Allow-Origin, or empty for none
  std::vector<std::string> trustProxy;    ///< numeric addresses whose X-Forwarded-For is believed
};

/// Symbols queued and being made at once: the setting, or 16 per worker.
unsigned inFlightLimit(const ServeSettings& settings);

/// What the command line asks for.
struct ServeCommand {
  enum class Mode : uint8_t { Serve, Help, Version } mode = Mode::Serve;
  ServeSettings settings;
  std::string error;  ///< why the command line was refused, or empty
};

/// Parses argv[1..argc-1]: --name VALUE or --name=VALUE.
ServeCommand parseServeCommand(int argc, const char* const* argv);

/// The --help text.
std::string serveUsage();

}  // namespace dexmora::serve
