#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "test_files.h"
#include "test_render_support.h"

// How the child is started besides its arguments. It gets no descriptor of
// ours but 0-2 (and 3 when one is handed over), and dies with the test.
struct ServeStart {
  int listenFd = -1;               // handed over as a systemd socket: descriptor 3, LISTEN_FDS=1
  bool announceClosedFd = false;   // LISTEN_FDS=1 with descriptor 3 closed
  bool foreignListenPid = false;   // LISTEN_PID names another process
  unsigned long fileLimit = 0;     // RLIMIT_NOFILE (soft and hard) when not 0
  bool closeStandard = false;      // descriptors 0-2 closed: no log to read, ready once it answers
};

// A loopback TCP socket listening on a free port, or -1.
int listeningLoopbackSocket();
// The port a socket is bound to.
int portOf(int fd);

// dexmora-serve started as a child on an ephemeral loopback port, its
// standard error in a file; stopped with SIGTERM when the object goes.
class ServeProcess {
 public:
  explicit ServeProcess(std::vector<std::string> args = {}, ServeStart start = {});
  ~ServeProcess();
  ServeProcess(const ServeProcess&) = delete;
  ServeProcess& operator=(const ServeProcess&) = delete;

  int port() const { return m_port; }
  pid_t pid() const { return m_pid; }
  // "http://127.0.0.1:PORT" followed by `path`.
  std::string url(const std::string& path) const;
  // Sends `signal` and waits up to `seconds` for the exit; the exit status,
  // 128 + the signal that ended it, or -1 when it is still running.
  int stop(int signal, int seconds = 20);
  // Everything it wrote on standard error so far.
  std::string log() const;
  // Waits up to `seconds` for `text` in the log: an access line is written
  // once the answer is sent, a moment after the client has it.
  bool logShows(const std::string& text, int seconds = 5) const;

 private:
  TempDir m_dir;
  pid_t m_pid = -1;
  int m_port = 0;
};

// Runs dexmora-serve with `args` to its end (at most 20 seconds); its exit
// status, with standard output and error in `output`.
int runServe(const std::vector<std::string>& args, std::string* output, ServeStart start = {});

struct HttpReply {
  long status = 0;                            // 0 when the exchange failed
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string error;  // curl's words when status is 0

  std::string header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
  }
};

struct HttpCall {
  HttpCall(std::string method_, std::string url_, std::optional<std::string> body_ = std::nullopt,
           std::vector<std::string> headers_ = {})
      : method(std::move(method_)), url(std::move(url_)), body(std::move(body_)), headers(std::move(headers_)) {}

  std::string method;
  std::string url;
  std::optional<std::string> body;
  std::vector<std::string> headers;  // "Name: value"
};

// One request through libcurl, on a connection of its own.
HttpReply fetch(const HttpCall& call);
inline HttpReply get(const std::string& url) { return fetch({"GET", url, std::nullopt, {}}); }

// A connected TCP socket to the loopback port, or -1.
int connectLoopback(int port);
// Sends `request` on a fresh connection and reads until the server closes
// it or `seconds` pass; what came back.
std::string rawExchange(int port, const std::string& request, int seconds = 5);

// The answers in what a connection read, each its head and exactly
// Content-Length bytes of body (none for HEAD, 204 and 304 when
// `headAnswers`); `rest` holds what follows the last whole answer.
struct RawAnswers {
  std::vector<HttpReply> answers;
  std::string rest;
};
RawAnswers splitAnswers(const std::string& bytes, bool headAnswers = false);

// Percent-encodes every byte but unreserved ones.
std::string percentEncode(const std::string& bytes);

// What zxing-cpp's reader reads: the bytes and the symbology identifier.
using Decoded = dexmora::Reading;
// Decodes a PNG; nullopt when it is no PNG or holds no readable symbol.
std::optional<Decoded> decodePng(const std::string& png);
// Rasterises an SVG, PDF or EPS file with rsvg-convert, pdftoppm or gs and
// decodes it; nullopt when it does not scan. `tool` names the program needed.
std::optional<Decoded> decodeVector(const std::string& bytes, const std::string& format, std::string* tool);
