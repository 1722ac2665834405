#include "server/settings.h"

#include <arpa/inet.h>

#include <charconv>
#include <functional>
#include <string_view>
#include <vector>

#include <dexmora/option_set.h>
#include <dexmora/error.h>
#include <dexmora/options.h>
#include "dexmora_text/quoting.h"

namespace dexmora::serve {

namespace {

template <typename T>
bool parseNumber(std::string_view text, T low, T high, T& value) {
  T parsed{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
    return false;
  }
  value = parsed;
  return true;
}

// A value that goes into a response header: a control byte would end the
// header early and let the value write headers of its own.
bool fitsHeader(std::string_view value) {
  for (const char c : value)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  return !value.empty();
}

// Each address of a comma-separated list, numeric IPv4 or IPv6, written the
// way inet_ntop writes a peer's address so that the two compare equal.
bool addTrustedProxies(ServeSettings& settings, std::string_view list) {
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string address(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    unsigned char binary[16];
    char text[INET6_ADDRSTRLEN];
    const int family = address.find(':') == std::string::npos ? AF_INET : AF_INET6;
    if (inet_pton(family, address.c_str(), binary) != 1 || !inet_ntop(family, binary, text, sizeof text)) return false;
    settings.trustProxy.emplace_back(text);
  }
  return !settings.trustProxy.empty();
}

struct Flag {
  std::string_view name;
  std::string_view syntax;
  std::function<bool(ServeSettings&, std::string_view)> apply;
  std::string_view help;
};

template <typename T>
std::function<bool(ServeSettings&, std::string_view)> number(T ServeSettings::*field, T low, T high) {
  return [=](ServeSettings& settings, std::string_view text) { return parseNumber(text, low, high, settings.*field); };
}

const std::vector<Flag>& flags() {
  static const std::vector<Flag> table = {
      {"listen", "HOST:PORT", [](ServeSettings& s, std::string_view v) { s.listen = v; return !v.empty(); },
       "where to listen (default 127.0.0.1:8080; localhost:8080, [::1]:8080, *:8080; port 0 picks one)"},
      {"threads", "N", number(&ServeSettings::threads, 0u, 1024u),
       "threads serving connections (default: one per core)"},
      {"workers", "N", number(&ServeSettings::workers, 0u, 1024u), "threads making symbols (default: one per core)"},
      {"max-connections", "N", number(&ServeSettings::maxConnections, 1u, 1000000u),
       "open connections in total (default 4096)"},
      {"per-address", "N", number(&ServeSettings::perAddress, 0u, 1000000u),
       "open connections per client address (default 0: no limit)"},
      {"idle-timeout", "SECONDS", number(&ServeSettings::idleTimeout, 1u, 86400u),
       "close a connection silent this long (default 30)"},
      {"max-target", "BYTES", number<size_t>(&ServeSettings::maxTarget, 64, 1 << 20),
       "longest request target, path and query (default 8192)"},
      {"max-body", "BYTES", number<size_t>(&ServeSettings::maxBody, 0, 1 << 24),
       "largest request body (default 16384)"},
      {"max-side", "PIXELS", number<uint32_t>(&ServeSettings::maxSide, 1, 1000000),
       "widest PNG picture (default 10000)"},
      {"max-pixels", "PIXELS", number<uint64_t>(&ServeSettings::maxPixels, 1, 4000000000ULL),
       "largest PNG picture in pixels (default 25000000)"},
      {"max-in-flight", "N", number(&ServeSettings::maxInFlight, 0u, 100000u),
       "symbols queued and being made before 503 (default 0: 16 per worker)"},
      {"cache", "BYTES", number<size_t>(&ServeSettings::cacheBytes, 0, size_t{1} << 34),
       "bytes of recent answers kept to send again (default 16777216; 0 for none)"},
      {"shutdown-grace", "SECONDS", number(&ServeSettings::shutdownGrace, 0u, 3600u),
       "how long a stop signal waits for requests in progress (default 30)"},
      {"access-log", "on|off",
       [](ServeSettings& s, std::string_view v) {
         const Expected<bool> on = parseSwitch("access-log", v);
         if (on) s.accessLog = *on;
         return on.ok();
       },
       "one line per request on standard error (default on)"},
      {"cors", "ORIGIN|*", [](ServeSettings& s, std::string_view v) { s.cors = v; return fitsHeader(v); },
       "let browsers from ORIGIN (or any, *) call the service"},
      {"trust-proxy", "ADDR,...", addTrustedProxies,
       "log the X-Forwarded-For client of requests from these proxies"},
  };
  return table;
}

}  // namespace

unsigned inFlightLimit(const ServeSettings& settings) {
  return settings.maxInFlight != 0 ? settings.maxInFlight : 16 * settings.workers;
}

std::string serveUsage() {
  std::string text =
      "Usage: dexmora-serve [OPTION]...\n"
      "Serves Data Matrix ECC200 symbols over HTTP:\n"
      "  GET  /v1/datamatrix?data=TEXT&format=png|svg|pdf|eps|txt|json&OPTION=VALUE...\n"
      "  POST /v1/datamatrix?OPTION=VALUE...   (the body is the data)\n"
      "and the generator page at /, /healthz, /metrics and /v1/openapi.json.\n\n"
      "Options:\n";
  for (const Flag& flag : flags()) {
    std::string left = "  --" + std::string(flag.name) + " " + std::string(flag.syntax);
    if (left.size() < 28) left.resize(28, ' ');
    text += left + " " + std::string(flag.help) + "\n";
  }
  text +=
      "  -h, --help                 show this help\n"
      "      --version              show the version\n\n"
      "Started by systemd with listening sockets (LISTEN_FDS), it serves those\n"
      "and --listen does not count. SIGTERM, SIGINT, SIGHUP and SIGQUIT stop\n"
      "accepting, let the requests in progress finish and exit 0.\n"
      "In the query and in form bodies a + is a space and %2B a plus.\n"
      "See dexmora-serve(1).\n";
  return text;
}

ServeCommand parseServeCommand(int argc, const char* const* argv) {
  ServeCommand command;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      command.mode = ServeCommand::Mode::Help;
      return command;
    }
    if (arg == "--version") {
      command.mode = ServeCommand::Mode::Version;
      return command;
    }
    if (arg.substr(0, 2) != "--") {
      command.error = "unexpected argument " + quoted(arg);
      return command;
    }
    const size_t equals = arg.find('=');
    const std::string_view name = arg.substr(2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
    const Flag* flag = nullptr;
    for (const Flag& candidate : flags())
      if (candidate.name == name) flag = &candidate;
    if (!flag) {
      command.error = "unknown option " + quoted(arg);
      return command;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      command.error = "option --" + std::string(name) + " needs a value";
      return command;
    }
    if (!flag->apply(command.settings, value)) {
      command.error = "bad --" + std::string(name) + " " + quoted(value) + ": use " + std::string(flag->syntax) +
                      " (" + std::string(flag->help) + ")";
      return command;
    }
  }
  return command;
}

}  // namespace dexmora::serve
