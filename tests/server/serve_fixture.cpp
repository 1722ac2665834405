#include "serve_fixture.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

// curl_global_init is not thread-safe: it runs once, before any test starts threads.
const bool kCurlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execServer(const std::string& logPath, char* const* argv, const ServeStart& start) {
  // A test that dies takes its server with it: nothing is left running.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) _exit(125);
  const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0600);
  const int devNull = open("/dev/null", O_RDONLY);
  if (log < 0 || devNull < 0 || dup2(devNull, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0) _exit(125);
  if (start.listenFd >= 0 && dup2(start.listenFd, 3) < 0) _exit(125);
  // ctest's log and pipes stay with ctest.
  const unsigned firstClosed = start.listenFd >= 0 ? 4 : 3;
  if (close_range(firstClosed, ~0U, 0) != 0) _exit(125);
  if (start.closeStandard && (close(0) != 0 || close(1) != 0 || close(2) != 0)) _exit(125);
  if (start.listenFd >= 0 || start.announceClosedFd) {
    char pid[32];
    std::snprintf(pid, sizeof pid, "%d", static_cast<int>(start.foreignListenPid ? getppid() : getpid()));
    setenv("LISTEN_PID", pid, 1);
    setenv("LISTEN_FDS", "1", 1);
  }
  if (start.fileLimit != 0) {
    const rlimit limit{start.fileLimit, start.fileLimit};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(125);
  }
  execv(argv[0], argv);
  _exit(126);
}

int portIn(const std::string& log) {
  const size_t at = log.find("listening on ");
  if (at == std::string::npos) return 0;
  const size_t end = log.find(" (", at);
  const size_t colon = log.rfind(':', end);
  return colon == std::string::npos ? 0 : std::atoi(log.c_str() + colon + 1);
}

size_t appendBody(char* data, size_t size, size_t count, void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

size_t collectHeader(char* data, size_t size, size_t count, void* headers) {
  const std::string line(data, size * count);
  const size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of("\r\n \t") + 1);
    (*static_cast<std::map<std::string, std::string>*>(headers))[name] = value;
  }
  return size * count;
}

}  // namespace

int listeningLoopbackSocket() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(fd, 128) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

int portOf(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

ServeProcess::ServeProcess(std::vector<std::string> args, ServeStart start) {
  if (!kCurlReady) throw std::runtime_error("curl_global_init failed");
  const int listenFd = start.listenFd;
  bool listenGiven = listenFd >= 0;
  for (const std::string& arg : args) listenGiven = listenGiven || arg.rfind("--listen", 0) == 0;
  if (!listenGiven) args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
  args.insert(args.begin(), DEXMORA_SERVE_PATH);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string logPath = m_dir.file("stderr");
  m_pid = fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) execServer(logPath, argv.data(), start);
  // With no log to read, the socket handed over is ours to know: the server
  // is ready once it answers on it.
  if (start.closeStandard) {
    m_port = portOf(listenFd);
    if (get(url("/healthz")).status != 200) throw std::runtime_error("dexmora-serve did not answer on its socket");
    return;
  }
  // Sanitized builds start slowly.
  for (int i = 0; i < 3000 && m_port == 0; ++i) {
    m_port = portIn(log());
    if (m_port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
      m_pid = -1;
      break;
    }
  }
  if (m_port == 0) throw std::runtime_error("dexmora-serve did not start: " + log());
}

// Still running, it must stop cleanly: a sanitizer's report makes the exit status other than 0.
ServeProcess::~ServeProcess() {
  if (m_pid <= 0) return;
  const int status = stop(SIGTERM);
  if (status < 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  EXPECT_EQ(status, 0) << log();
}

std::string ServeProcess::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int ServeProcess::stop(int signal, int seconds) {
  if (m_pid <= 0) return -1;
  kill(m_pid, signal);
  for (int i = 0; i < seconds * 100; ++i) {
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

int runServe(const std::vector<std::string>& args, std::string* output, ServeStart start) {
  TempDir dir;
  std::vector<std::string> command = {DEXMORA_SERVE_PATH};
  command.insert(command.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) execServer(dir.file("output"), argv.data(), start);
  int status = 0;
  int waited = 0;
  for (int tick = 0; tick < 2000 && (waited = waitpid(pid, &status, WNOHANG)) == 0; ++tick) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (waited != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  *output = readFileString(dir.file("output"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ServeProcess::log() const { return readFileString(m_dir.file("stderr")); }

bool ServeProcess::logShows(const std::string& text, int seconds) const {
  for (int i = 0; i < seconds * 100; ++i) {
    if (log().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

HttpReply fetch(const HttpCall& call) {
  HttpReply reply;
  CURL* curl = curl_easy_init();
  if (!curl) return reply;
  curl_slist* headers = nullptr;
  for (const std::string& header : call.headers) headers = curl_slist_append(headers, header.c_str());
  curl_easy_setopt(curl, CURLOPT_URL, call.url.c_str());
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &appendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &collectHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headers);
  if (call.body) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(call.body->size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, call.body->data());
  }
  if (call.method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (call.method != "GET" && call.method != "POST") {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, call.method.c_str());
  }
  const CURLcode result = curl_easy_perform(curl);
  if (result == CURLE_OK) {
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  } else {
    reply.error = curl_easy_strerror(result);
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return reply;
}

int connectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

std::string rawExchange(int port, const std::string& request, int seconds) {
  const int fd = connectLoopback(port);
  if (fd < 0) return {};
  size_t sent = 0;
  while (sent < request.size()) {
    const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the server may refuse before it has read everything
    sent += static_cast<size_t>(n);
  }
  std::string answer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0) continue;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return answer;
}

RawAnswers splitAnswers(const std::string& bytes, bool headAnswers) {
  RawAnswers split;
  size_t at = 0;
  for (;;) {
    const size_t end = bytes.find("\r\n\r\n", at);
    if (end == std::string::npos || bytes.compare(at, 5, "HTTP/") != 0) break;
    HttpReply answer;
    const std::string head = bytes.substr(at, end - at);
    answer.status = std::atol(head.c_str() + head.find(' ') + 1);
    for (size_t line = head.find("\r\n"); line != std::string::npos;) {
      const size_t next = head.find("\r\n", line + 2);
      const std::string field = head.substr(line + 2, next == std::string::npos ? std::string::npos : next - line - 2);
      const size_t colon = field.find(':');
      std::string name = field.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      answer.headers[name] = colon == std::string::npos ? "" : field.substr(field.find_first_not_of(' ', colon + 1));
      line = next;
    }
    const size_t length = headAnswers || answer.status == 304 || answer.status == 204
                              ? 0
                              : static_cast<size_t>(std::atoll(answer.header("content-length").c_str()));
    if (bytes.size() < end + 4 + length) break;
    answer.body = bytes.substr(end + 4, length);
    split.answers.push_back(std::move(answer));
    at = end + 4 + length;
  }
  split.rest = bytes.substr(at);
  return split;
}

std::string percentEncode(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (std::isalnum(b) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

std::optional<Decoded> decodePng(const std::string& png) {
  const std::optional<GreyPicture> picture = decodePngGrey(png);
  if (!picture) return std::nullopt;
  return readDataMatrixReading(*picture);
}

std::optional<Decoded> decodeVector(const std::string& bytes, const std::string& format, std::string* tool) {
  TempDir dir;
  const std::string in = dir.file("symbol." + format);
  const std::string out = dir.file("symbol.png");
  std::ofstream(in, std::ios::binary) << bytes;
  const auto [needed, command] = rasteriser(format, in, out, 200);
  *tool = needed;
  if (!haveTool(needed)) return std::nullopt;
  tool->clear();
  if (!runCommand(command)) return std::nullopt;
  return decodePng(readFileString(out));
}
