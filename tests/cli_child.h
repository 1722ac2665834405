#pragma once

// dexmora-cli as a child process the test can shape and watch: descriptors,
// limits, user and signals set in the child before exec, standard input from
// a pipe the test keeps writing, and the child's status and peak memory.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class CliChild {
 public:
  enum class Input { Null, Pipe };
  // Starts dexmora-cli with `args` in `dir`. Standard output and error go to
  // files; `prepare` runs in the child just before exec (only
  // async-signal-safe calls there).
  CliChild(const std::vector<std::string>& args, const std::filesystem::path& dir, Input input = Input::Null,
           const std::function<void()>& prepare = {});
  ~CliChild();
  CliChild(const CliChild&) = delete;
  CliChild& operator=(const CliChild&) = delete;

  pid_t pid() const { return m_pid; }
  // Writes to the child's standard input (Input::Pipe); false once it is gone.
  bool feed(const std::string& bytes);
  void closeInput();
  // Waits; the status as a shell reports it (128+N when a signal ended it).
  int wait();
  bool signaled() const { return m_signaled; }
  long maxRssKilobytes() const { return m_maxRss; }
  std::string out() const;
  std::string err() const;

 private:
  std::filesystem::path m_logs;
  pid_t m_pid = -1;
  int m_input = -1;
  int m_status = -1;
  bool m_signaled = false;
  long m_maxRss = 0;
};

// Runs `args` to the end with standard input from /dev/null.
int runChild(const std::vector<std::string>& args, const std::filesystem::path& dir, std::string* err = nullptr,
             const std::function<void()>& prepare = {});
