#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "serve_fixture.h"
#include "test_cli_support.h"

namespace {

// A figure of /metrics, or -1 when it is not there.
double metric(const ServeProcess& server, const std::string& name) {
  const std::string text = get(server.url("/metrics")).body;
  const size_t at = text.find("\n" + name + " ");
  return at == std::string::npos ? -1 : std::atof(text.c_str() + at + name.size() + 2);
}

// Polls /metrics until `name` reaches `least` (at most 60 s); its last value.
double awaitMetric(const ServeProcess& server, const std::string& name, double least) {
  double value = -1;
  for (int i = 0; i < 3000 && (value = metric(server, name)) < least; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return value;
}

// The largest PNG the default limits allow, each call with other data so
// that no answer comes from the cache.
std::string heavyRequest(int n) {
  return "GET /v1/datamatrix?size=144&module=33&data=heavy" + std::to_string(n) +
         " HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
}

// Sends `request` on a connection of its own and leaves the answer to read.
int sendOn(int port, const std::string& request) {
  const int fd = connectLoopback(port);
  if (fd >= 0) send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  return fd;
}

std::string readToEnd(int fd) {
  std::string answer;
  char buffer[65536];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
  close(fd);
  return answer;
}

// Started with 0-2 closed, the server's sockets must never take their place:
// every answer is its head and body, and nothing of the log.
TEST(ServeStartup, ClosedStandardDescriptorsStayOutOfAnswers) {
  const int listening = listeningLoopbackSocket();
  ASSERT_GE(listening, 0);
  ServeStart start;
  start.listenFd = listening;
  start.closeStandard = true;
  ServeProcess server({}, start);
  close(listening);
  for (int round = 0; round < 3; ++round) {
    const std::string read =
        rawExchange(server.port(),
                    "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n"
                    "GET /v1/datamatrix?data=fd&format=txt HTTP/1.1\r\nHost: a\r\n\r\n"
                    "GET /nowhere HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n",
                    10);
    const RawAnswers split = splitAnswers(read);
    ASSERT_EQ(split.answers.size(), 3u) << read;
    EXPECT_EQ(split.rest, "") << read;
    EXPECT_EQ(split.answers[0].body, "ok\n");
    EXPECT_EQ(split.answers[2].status, 404);
    EXPECT_EQ(read.find("dexmora-serve:"), std::string::npos);
  }
}

struct ActivationCase {
  const char* name;
  int (*descriptor)();  // what is handed over as descriptor 3, or -1 for none
  const char* message;
};

int regularFile() { return open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC); }
int pipeEnd() {
  int ends[2];
  return pipe2(ends, O_CLOEXEC) == 0 ? ends[0] : -1;
}
int udpSocket() { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); }
int unlistenedSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
int noDescriptor() { return -1; }

class Activation : public ::testing::TestWithParam<ActivationCase> {};

// Anything systemd could pass by mistake is one clear error and exit 64,
// never a server that answers nothing.
TEST_P(Activation, RefusesWhatIsNoListeningSocket) {
  const ActivationCase& c = GetParam();
  ServeStart start;
  start.listenFd = c.descriptor();
  start.announceClosedFd = start.listenFd < 0;
  std::string output;
  EXPECT_EQ(runServe({"--listen", "127.0.0.1:0"}, &output, start), 64) << output;
  EXPECT_NE(output.find(c.message), std::string::npos) << output;
  EXPECT_EQ(output.find("listening on"), std::string::npos) << output;
  if (start.listenFd >= 0) close(start.listenFd);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, Activation,
    ::testing::Values(ActivationCase{"Closed", noDescriptor, "descriptor 3 passed by systemd (LISTEN_FDS=1) is not open"},
                      ActivationCase{"RegularFile", regularFile, "is not a socket"},
                      ActivationCase{"Pipe", pipeEnd, "is not a socket"},
                      ActivationCase{"Udp", udpSocket, "is not a stream (TCP) socket"},
                      ActivationCase{"NotListening", unlistenedSocket, "is not listening"}),
    [](const ::testing::TestParamInfo<ActivationCase>& info) { return std::string(info.param.name); });

// Variables meant for another process are not ours: --listen counts.
TEST(ServeStartup, ForeignListenPidIsIgnored) {
  const int listening = listeningLoopbackSocket();
  ServeStart start;
  start.listenFd = listening;
  start.foreignListenPid = true;
  std::string output;
  EXPECT_EQ(runServe({"--listen", "no-such-host.invalid:1"}, &output, start), 64) << output;
  EXPECT_NE(output.find("bad --listen 'no-such-host.invalid:1'"), std::string::npos) << output;
  close(listening);
}

// Seconds of CPU the process has used.
double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::atof(field.c_str());  // utime, stime
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

size_t lineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// Out of descriptors, the server waits rather than spins, says so once, and
// takes new clients again when connections close.
TEST(ServeStartup, FewDescriptorsNoSpinningNoFlood) {
  ServeStart start;
  start.fileLimit = 80;
  ServeProcess server({"--threads", "2", "--idle-timeout", "600"}, start);
  EXPECT_NE(server.log().find("warning: at most 80 files may be open; admitting 12 connections, not 4096"),
            std::string::npos)
      << server.log();
  std::vector<int> held;
  for (int i = 0; i < 100; ++i) held.push_back(sendOn(server.port(), "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n"));
  const size_t linesBefore = lineCount(server.log());
  const double cpuBefore = cpuSeconds(server.pid());
  std::this_thread::sleep_for(std::chrono::seconds(5));  // the window measured, not a wait for readiness
  const double cpu = cpuSeconds(server.pid()) - cpuBefore;
  EXPECT_LT(cpu, 0.5) << "a spinning server burns the whole window";
  EXPECT_LE(lineCount(server.log()) - linesBefore, 12u + 6u) << server.log();  // the access lines, one a second at most
  for (const int fd : held) close(fd);
  EXPECT_EQ(get(server.url("/healthz")).status, 200);
}

// Every stop signal drains: the symbols queued and being made are all sent.
class Signals : public ::testing::TestWithParam<int> {};

TEST_P(Signals, DrainTheRequestsInFlight) {
  ServeProcess server({"--workers", "1", "--cache", "0"});
  std::vector<int> pending;
  for (int i = 0; i < 4; ++i) pending.push_back(sendOn(server.port(), heavyRequest(i)));
  ASSERT_GE(awaitMetric(server, "dexmora_in_flight", 3), 3) << server.log();
  kill(server.pid(), GetParam());
  ASSERT_TRUE(server.logShows("no new connections", 30)) << server.log();
  for (const int fd : pending) {
    const RawAnswers split = splitAnswers(readToEnd(fd));
    ASSERT_EQ(split.answers.size(), 1u);
    EXPECT_EQ(split.answers[0].status, 200);
    EXPECT_EQ(split.answers[0].header("content-type"), "image/png");
  }
  EXPECT_EQ(server.stop(SIGTERM, 60), 0) << server.log();
  EXPECT_NE(server.log().find("stopped"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Stop, Signals, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGQUIT),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

// The polling thread never makes a symbol: with one worker busy and more
// queued, /healthz and /metrics answer and the queue's wait shows.
TEST(ServeWork, PollingThreadStaysFreeWhileWorkersEncode) {
  ServeProcess server({"--threads", "1", "--workers", "1", "--cache", "0"});
  std::vector<int> pending;
  for (int i = 0; i < 8; ++i) pending.push_back(sendOn(server.port(), heavyRequest(100 + i)));
  ASSERT_GE(awaitMetric(server, "dexmora_queue_depth", 1), 1);
  EXPECT_EQ(get(server.url("/healthz")).status, 200);
  EXPECT_GT(metric(server, "dexmora_in_flight"), 0);
  for (const int fd : pending) EXPECT_EQ(splitAnswers(readToEnd(fd)).answers.at(0).status, 200);
  EXPECT_GT(metric(server, "dexmora_queue_wait_seconds_sum"), 0);
  EXPECT_GE(metric(server, "dexmora_queue_wait_seconds_count"), 8);
}

// --max-in-flight counts queued work too: beyond it, 503 with Retry-After.
TEST(ServeWork, FullQueueAnswersBusy) {
  ServeProcess server({"--threads", "1", "--workers", "1", "--max-in-flight", "2", "--cache", "0"});
  int busy = 0, ok = 0, other = 0;
  for (int round = 0; round < 10 && busy == 0; ++round) {
    std::vector<int> pending;
    for (int i = 0; i < 8; ++i) pending.push_back(sendOn(server.port(), heavyRequest(round * 8 + i)));
    for (const int fd : pending) {
      const RawAnswers split = splitAnswers(readToEnd(fd));
      if (split.answers.size() != 1) {
        ++other;
      } else if (split.answers[0].status == 200) {
        ++ok;
      } else if (split.answers[0].status == 503 && split.answers[0].header("retry-after") == "1" &&
                 split.answers[0].body.find("\"busy\"") != std::string::npos) {
        ++busy;
      } else {
        ++other;
      }
    }
  }
  EXPECT_GT(busy, 0);
  EXPECT_GE(ok, 2);
  EXPECT_EQ(other, 0);
}

TEST(ServeListen, NamesAndEveryInterface) {
  using Names = std::pair<const char*, std::string>;
  for (const auto& [given, bound] : {Names{"localhost:0", "127.0.0.1:"}, Names{"*:0", "0.0.0.0:"}}) {
    ServeProcess server({"--listen", given});
    EXPECT_NE(server.log().find("listening on " + bound + std::to_string(server.port())), std::string::npos)
        << server.log();
    EXPECT_EQ(get(server.url("/healthz")).status, 200);
  }
}

// The access log: time, client, method, path, status, bytes, duration and
// the request id, which the answer echoes.
TEST(ServeLog, RequestIdsAndTrustedProxies) {
  ServeProcess server({"--trust-proxy", "127.0.0.1"});
  const HttpReply given = fetch({"GET", server.url("/healthz"), std::nullopt,
                                 {"X-Request-Id: order-77", "X-Forwarded-For: 198.51.100.7, 203.0.113.9"}});
  EXPECT_EQ(given.header("x-request-id"), "order-77");
  EXPECT_TRUE(server.logShows(" 203.0.113.9 GET /healthz 200 3 ")) << server.log();
  EXPECT_TRUE(server.logShows("ms order-77\n")) << server.log();
  const HttpReply forged = fetch({"GET", server.url("/healthz"), std::nullopt, {"X-Request-Id: a b\"c"}});
  const std::string made = forged.header("x-request-id");
  EXPECT_EQ(made.size(), 16u) << made;
  EXPECT_TRUE(server.logShows("ms " + made + "\n")) << server.log();
  ServeProcess untrusting;
  fetch({"GET", untrusting.url("/healthz"), std::nullopt, {"X-Forwarded-For: 203.0.113.9"}});
  EXPECT_TRUE(untrusting.logShows("Z 127.0.0.1 GET /healthz 200 ")) << untrusting.log();
  EXPECT_EQ(untrusting.log().find("203.0.113.9"), std::string::npos);
}

}  // namespace
