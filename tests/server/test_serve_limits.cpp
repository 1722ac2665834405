#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "serve_fixture.h"
#include "test_cli_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string statusLine(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }

// Up to `count` open connections to `port`: fewer when one could not be made.
std::vector<int> openConnections(int port, int count) {
  std::vector<int> fds;
  for (int i = 0; i < count; ++i) {
    const int fd = connectLoopback(port);
    if (fd < 0) break;
    fds.push_back(fd);
  }
  return fds;
}

// Refused by libmicrohttpd or by us, a request far over a limit is answered
// with its status and costs the server nothing.
TEST(ServeLimits, HugeTargetAndHugeBody) {
  ServeProcess server;
  const std::string hugeTarget = "GET /v1/datamatrix?data=" + std::string(200000, 'x') + " HTTP/1.1\r\nHost: a\r\n\r\n";
  EXPECT_EQ(statusLine(rawExchange(server.port(), hugeTarget)), "HTTP/1.1 414 URI Too Long");
  const HttpReply body = fetch({"POST", server.url("/v1/datamatrix"), std::string(10 << 20, 'x')});
  EXPECT_EQ(body.status, 413);
  const std::string declared = "POST /v1/datamatrix HTTP/1.1\r\nHost: a\r\nContent-Length: 99999999999\r\n\r\n";
  EXPECT_EQ(statusLine(rawExchange(server.port(), declared)), "HTTP/1.1 413 Content Too Large");
  // A chunked body has no length to refuse: past the limit the connection closes.
  std::string chunked = "POST /v1/datamatrix HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (int i = 0; i < 40; ++i) chunked += "400\r\n" + std::string(1024, 'x') + "\r\n";
  EXPECT_EQ(rawExchange(server.port(), chunked + "0\r\n\r\n").find("200 OK"), std::string::npos);
  EXPECT_EQ(get(server.url("/healthz")).status, 200);
}

struct Malformed {
  const char* name;
  std::string request;
  const char* status;  // the start of the status line
};

// One server for the cases, stopped and reaped when they end.
class MalformedRequests : public ::testing::TestWithParam<Malformed> {
 protected:
  static void SetUpTestSuite() { server = new ServeProcess; }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  static ServeProcess* server;
};
ServeProcess* MalformedRequests::server = nullptr;

// Nothing a client sends stops the server: each gets a status or a closed
// connection, and the next request is answered.
TEST_P(MalformedRequests, AreRefusedAndTheServerGoesOn) {
  const Malformed& c = GetParam();
  const std::string answer = rawExchange(server->port(), c.request, 1);
  EXPECT_EQ(answer.substr(0, std::string(c.status).size()), c.status) << answer.substr(0, 200);
  EXPECT_EQ(get(server->url("/healthz")).status, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, MalformedRequests,
    ::testing::Values(
        Malformed{"Garbage", "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", ""},
        Malformed{"NoVersion", "GET /healthz\r\n\r\n", ""},
        Malformed{"BadVersion", "GET /healthz HTTP/7.0\r\nHost: a\r\n\r\n", "HTTP/1.1 505"},
        Malformed{"NoHost", "GET /healthz HTTP/1.1\r\n\r\n", "HTTP/1.1 400"},
        Malformed{"HugeHeader", "GET /healthz HTTP/1.1\r\nHost: a\r\nX-Big: " + std::string(100000, 'b') + "\r\n\r\n",
                  "HTTP/1.1 431"},
        Malformed{"ManyHeaders", "GET /healthz HTTP/1.1\r\nHost: a\r\n" + [] {
          std::string lines;
          for (int i = 0; i < 5000; ++i) lines += "X-" + std::to_string(i) + ": v\r\n";
          return lines;
        }() + "\r\n", "HTTP/1.1 431"},
        Malformed{"ZeroInTarget", std::string("GET /v1/datamatrix?data=a\0b HTTP/1.1\r\nHost: a\r\n\r\n", 49), ""},
        Malformed{"BadContentLength", "POST /v1/datamatrix HTTP/1.1\r\nHost: a\r\nContent-Length: x1\r\n\r\n", "HTTP/1.1 400"},
        Malformed{"HalfARequest", "GET /v1/datamatrix?data=x HTTP/1.1\r\nHo", ""},
        Malformed{"BodyShorterThanSaid", "POST /v1/datamatrix HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\nabc", ""}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.name); });

// Idle connections wait on epoll, not on threads: hundreds of them leave
// a real request to be answered at once.
TEST(ServeLimits, IdleConnectionsDoNotStallOthers) {
  ServeProcess server({"--threads", "2", "--idle-timeout", "60"});
  const std::vector<int> idle = openConnections(server.port(), 300);
  ASSERT_EQ(idle.size(), 300u);
  // Some of them half a request line, the way a slow client sends it.
  for (size_t i = 0; i < idle.size(); i += 3) send(idle[i], "GET /v1/datama", 14, MSG_NOSIGNAL);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Clock::time_point start = Clock::now();
  const HttpReply reply = get(server.url("/v1/datamatrix?data=idle&format=svg"));
  EXPECT_EQ(reply.status, 200);
  EXPECT_LT(secondsSince(start), 5.0);  // a stalled request would wait for the 60 s idle timeout
  for (const int fd : idle) close(fd);
}

// Reads one answer to a /healthz request ("ok\n") from `fd`, waiting at most
// until `deadline`; false when none came.
bool readHealthAnswer(int fd, Clock::time_point deadline) {
  std::string got;
  char buffer[512];
  while (got.find("\r\n\r\nok\n") == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got.rfind("HTTP/1.1 200", 0) == 0;
}

// Many kept-alive connections busy at once on one worker thread: every one
// is answered, round after round (libmicrohttpd's epoll mode once left a
// thread's connections waiting for good under such a load).
TEST(ServeLimits, ManyBusyConnectionsOnOneThreadAreAllServed) {
  ServeProcess server({"--threads", "1", "--access-log", "off"});
  const std::vector<int> connections = openConnections(server.port(), 256);
  ASSERT_EQ(connections.size(), 256u);
  const std::string request = "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n";
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(20);
  int unanswered = 0;
  for (int round = 0; round < 8 && unanswered == 0; ++round) {
    for (const int fd : connections) send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    for (const int fd : connections) unanswered += readHealthAnswer(fd, deadline) ? 0 : 1;
  }
  EXPECT_EQ(unanswered, 0);
  for (const int fd : connections) close(fd);
}

TEST(ServeLimits, IdleTimeoutClosesSilentConnections) {
  ServeProcess server({"--idle-timeout", "1"});
  const Clock::time_point start = Clock::now();
  const std::string answer = rawExchange(server.port(), "GET /heal", 10);
  EXPECT_TRUE(answer.empty());
  EXPECT_LT(secondsSince(start), 5.0);
}

TEST(ServeLimits, PerAddressLimit) {
  ServeProcess server({"--per-address", "2"});
  const int first = connectLoopback(server.port());
  const int second = connectLoopback(server.port());
  EXPECT_TRUE(rawExchange(server.port(), "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n", 2).empty());
  close(first);
  close(second);
  // The server learns of the closes on its next poll, later on a loaded machine.
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
  int status = 0;
  while ((status = get(server.url("/healthz")).status) != 200 && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(status, 200);
}

// With one encode allowed at a time, concurrent large pictures find the place
// taken: 503 with Retry-After, never a stalled request.
TEST(ServeLimits, BusyWhenTooManyAreEncoding) {
  ServeProcess server({"--threads", "4", "--max-in-flight", "1", "--cache", "0"});
  const std::string heavy = server.url("/v1/datamatrix?size=144&module=30&data=busy");
  std::atomic<int> ok{0}, busy{0}, other{0};
  for (int round = 0; round < 20 && busy == 0; ++round) {
    std::vector<std::thread> clients;
    for (int i = 0; i < 6; ++i) {
      clients.emplace_back([&] {
        const HttpReply reply = get(heavy);
        if (reply.status == 200) {
          ++ok;
        } else if (reply.status == 503 && reply.header("retry-after") == "1" &&
                   reply.body.find("\"busy\"") != std::string::npos) {
          ++busy;
        } else {
          ++other;
        }
      });
    }
    for (std::thread& client : clients) client.join();
  }
  EXPECT_GT(busy.load(), 0);
  EXPECT_GT(ok.load(), 0);
  EXPECT_EQ(other.load(), 0);
}

// Several threads at once, every answer the right one (and ThreadSanitizer
// watching the server in its build).
TEST(ServeLimits, ConcurrentRequestsGetTheirOwnAnswers) {
  ServeProcess server({"--threads", "4"});
  std::atomic<int> wrong{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < 8; ++t) {
    clients.emplace_back([&, t] {
      for (int i = 0; i < 12; ++i) {
        const std::string text = "thread " + std::to_string(t) + " request " + std::to_string(i);
        const HttpReply reply = get(server.url("/v1/datamatrix?format=json&data=" + percentEncode(text)));
        const HttpReply txt = get(server.url("/v1/datamatrix?format=txt&data=" + percentEncode(text)));
        if (reply.status != 200 || txt.status != 200 || txt.body != runCli({"--format", "txt", "-o", "-", text}, "", ".").out) ++wrong;
      }
    });
  }
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(wrong.load(), 0);
  // A request is counted a moment after its answer is sent.
  HttpReply metrics = get(server.url("/metrics"));
  for (int i = 0; i < 200 && metrics.body.find("dexmora_symbols_total 192\n") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    metrics = get(server.url("/metrics"));
  }
  EXPECT_NE(metrics.body.find("dexmora_symbols_total 192\n"), std::string::npos) << metrics.body;
}

// SIGTERM: no new connections, the request in progress is answered, exit 0.
TEST(ServeShutdown, FinishesRequestsInFlight) {
  ServeProcess server;
  const int fd = connectLoopback(server.port());
  ASSERT_GE(fd, 0);
  const std::string head = "POST /v1/datamatrix?format=txt HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\nhello";
  ASSERT_EQ(send(fd, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  kill(server.pid(), SIGTERM);
  bool refused = false;
  for (int i = 0; i < 500 && !refused; ++i) {
    const int late = connectLoopback(server.port());
    refused = late < 0;
    if (!refused) close(late);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(refused) << "connections are still accepted after SIGTERM";
  ASSERT_EQ(send(fd, "world", 5, MSG_NOSIGNAL), 5);
  std::string answer;
  char buffer[4096];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
  close(fd);
  EXPECT_EQ(statusLine(answer), "HTTP/1.1 200 OK");
  EXPECT_NE(answer.find(runCli({"--format", "txt", "-o", "-", "helloworld"}, "", ".").out), std::string::npos);
  EXPECT_EQ(server.stop(SIGTERM), 0);
  EXPECT_NE(server.log().find("stopped"), std::string::npos);
}

TEST(ServeShutdown, GraceEndsAStalledRequest) {
  ServeProcess server({"--shutdown-grace", "1"});
  const int fd = connectLoopback(server.port());
  send(fd, "GET /healthz HTTP/1.1\r\n", 23, MSG_NOSIGNAL);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(server.stop(SIGTERM), 0);
  EXPECT_LT(secondsSince(start), 10.0);
  close(fd);
}

TEST(ServeListen, SocketFromSystemd) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 16), 0);
  ServeStart start;
  start.listenFd = fd;
  ServeProcess server({"--listen", "203.0.113.1:1"}, start);  // an address it could not bind: the socket counts
  close(fd);
  EXPECT_EQ(get(server.url("/healthz")).status, 200);
}

TEST(ServeListen, Ipv6Loopback) {
  const int probe = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 any{};
  any.sin6_family = AF_INET6;
  any.sin6_addr = in6addr_loopback;
  const bool ipv6 = probe >= 0 && bind(probe, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
  if (probe >= 0) close(probe);
  if (!ipv6) GTEST_SKIP() << "no IPv6 loopback here";
  ServeProcess server({"--listen", "[::1]:0"});
  EXPECT_NE(server.log().find("listening on [::1]:"), std::string::npos);
  const HttpReply reply = get("http://[::1]:" + std::to_string(server.port()) + "/v1/datamatrix?data=v6&format=svg");
  EXPECT_EQ(reply.status, 200);
}

struct CommandCase {
  std::vector<std::string> args;
  int status;
  const char* output;  // part of stdout or stderr
};

TEST(ServeCommandLine, HelpVersionAndRefusals) {
  const std::vector<CommandCase> cases = {
      {{"--help"}, 0, "--max-in-flight"},
      {{"--version"}, 0, "dexmora-serve 1."},
      {{"--threads", "many"}, 64, "bad --threads 'many'"},
      {{"--frobnicate"}, 64, "unknown option '--frobnicate'"},
      {{"--listen", "no-such-host.invalid:8080"}, 64, "bad --listen 'no-such-host.invalid:8080'"},
      {{"--listen", "127.0.0.1"}, 64, "HOST:PORT"},
      {{"--cors", "https://a\r\nX: 1"}, 64, "bad --cors"},
      {{"--cors", "https://a\x7f"}, 64, "bad --cors"},
      {{"--trust-proxy", "proxy.example"}, 64, "bad --trust-proxy"},
      {{"--workers", "-1"}, 64, "bad --workers"},
      {{"--access-log", "sometimes"}, 64, "bad --access-log"},
      {{"--max-target"}, 64, "needs a value"},
  };
  for (const CommandCase& c : cases) {
    std::string output;
    EXPECT_EQ(runServe(c.args, &output), c.status) << c.args[0];
    EXPECT_NE(output.find(c.output), std::string::npos) << output;
  }
}

}  // namespace
