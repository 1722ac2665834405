#include "test_cli_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(const CliCall& call, const char* in, const char* out, const char* err,
                            char* const* argv) {
  int inFd = open(in, O_RDONLY);
  const int outFlags = call.stdoutMode == CliCall::Stdout::Append ? O_WRONLY | O_CREAT | O_APPEND
                                                                  : O_WRONLY | O_CREAT | O_TRUNC;
  int outFd = open(out, outFlags, 0600);
  int errFd = open(err, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (inFd < 0 || outFd < 0 || errFd < 0) _exit(125);
  if (dup2(inFd, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(125);
  if (call.stdoutMode == CliCall::Stdout::Closed) close(1);
  if (chdir(call.workDir.c_str()) != 0) _exit(125);
  if (call.fileSizeLimit >= 0) {
    // An ignored SIGXFSZ survives exec, so oversized writes fail with EFBIG.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{static_cast<rlim_t>(call.fileSizeLimit), static_cast<rlim_t>(call.fileSizeLimit)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
  }
  execv(argv[0], argv);
  _exit(126);
}

}  // namespace

std::string cliPath() {
  const char* other = std::getenv("DEXMORA_CLI_UNDER_TEST");
  return other != nullptr && *other != '\0' ? other : DEXMORA_CLI_PATH;
}

CliRun runCli(const CliCall& call) {
  TempDir io;
  fs::path in = io.path() / "stdin";
  fs::path out = call.stdoutPath.empty() ? io.path() / "stdout" : fs::path(call.stdoutPath);
  fs::path err = io.path() / "stderr";
  writeFileBytes(in.string(), std::vector<uint8_t>(call.input.begin(), call.input.end()));

  std::vector<std::string> args{cliPath()};
  args.insert(args.end(), call.args.begin(), call.args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) execChild(call, in.c_str(), out.c_str(), err.c_str(), argv.data());

  int wstatus = 0;
  while (waitpid(child, &wstatus, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  CliRun run;
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  if (call.stdoutPath.empty()) run.out = readFileString(out);
  run.err = readFileString(err);
  return run;
}

CliRun runCli(const std::vector<std::string>& args, const std::string& input, const fs::path& workDir) {
  return runCli(CliCall{args, input, workDir, "", -1});
}

std::string highBytes() {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
  return bytes;
}

std::string letters(std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('A' + i % 26);
  return text;
}
