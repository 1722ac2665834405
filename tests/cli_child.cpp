#include "cli_child.h"

#include "test_cli_support.h"
#include "test_files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

CliChild::CliChild(const std::vector<std::string>& args, const fs::path& dir, Input input,
                   const std::function<void()>& prepare) {
  char logs[] = "/tmp/dexmora-child-XXXXXX";
  if (!mkdtemp(logs)) throw std::runtime_error("mkdtemp failed");
  m_logs = logs;
  std::vector<std::string> all{cliPath()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string out = (m_logs / "out").string();
  const std::string err = (m_logs / "err").string();
  int pipeFds[2] = {-1, -1};
  if (input == Input::Pipe && pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  m_pid = fork();
  if (m_pid < 0) throw std::runtime_error("fork failed");
  if (m_pid == 0) {
    const int in = input == Input::Pipe ? pipeFds[0] : open("/dev/null", O_RDONLY);
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || outFd < 0 || errFd < 0 || dup2(in, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(125);
    if (chdir(dir.c_str()) != 0) _exit(125);
    // Signals the test's own runner may ignore or block are the child's again.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signo : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGXFSZ}) signal(signo, SIG_DFL);
    if (prepare) prepare();
    execv(argv[0], argv.data());
    _exit(126);
  }
  if (input == Input::Pipe) {
    close(pipeFds[0]);
    m_input = pipeFds[1];
  }
}

CliChild::~CliChild() {
  closeInput();
  if (m_status < 0 && m_pid > 0) {
    kill(m_pid, SIGKILL);
    wait();
  }
  std::error_code ignored;
  fs::remove_all(m_logs, ignored);
}

bool CliChild::feed(const std::string& bytes) {
  std::size_t sent = 0;
  const sighandler_t previous = signal(SIGPIPE, SIG_IGN);
  while (m_input >= 0 && sent < bytes.size()) {
    const ssize_t n = write(m_input, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  signal(SIGPIPE, previous);
  return sent == bytes.size();
}

void CliChild::closeInput() {
  if (m_input >= 0) close(m_input);
  m_input = -1;
}

int CliChild::wait() {
  if (m_status >= 0) return m_status;
  int wstatus = 0;
  rusage usage{};
  while (wait4(m_pid, &wstatus, 0, &usage) < 0) {
    if (errno != EINTR) return -1;
  }
  m_maxRss = usage.ru_maxrss;
  m_signaled = WIFSIGNALED(wstatus);
  m_status = m_signaled ? 128 + WTERMSIG(wstatus) : WEXITSTATUS(wstatus);
  return m_status;
}

std::string CliChild::out() const { return readFileString(m_logs / "out"); }
std::string CliChild::err() const { return readFileString(m_logs / "err"); }

int runChild(const std::vector<std::string>& args, const fs::path& dir, std::string* err,
             const std::function<void()>& prepare) {
  CliChild child(args, dir, CliChild::Input::Null, prepare);
  const int status = child.wait();
  if (err) *err = child.err();
  return status;
}
