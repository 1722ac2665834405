// Writers of one file held at chosen calls (tests/pause_at_call.cpp) so that
// they interleave exactly as a test orders them.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli_child.h"
#include "symbol_scan.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {

// `dexmora-cli -o t.png TEXT` that stops at the Nth call `pauseAt` names
// until resume().
class PausedWriter {
 public:
  PausedWriter(const fs::path& dir, const std::string& text, const std::string& pauseAt) {
    if (pipe2(m_ready, O_CLOEXEC) != 0 || pipe2(m_go, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const int ready = m_ready[1];
    const int go = m_go[0];
    // Set for the child only, in this single-threaded runner; the sanitizers'
    // runtime would insist on loading before the shim, which only forwards calls.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanBefore = asan ? asan : "";
    setenv("LD_PRELOAD", DEXMORA_PAUSE_LIBRARY, 1);
    setenv("DEXMORA_PAUSE_AT", (pauseAt + " " + std::to_string(kReady) + " " + std::to_string(kGo)).c_str(), 1);
    setenv("ASAN_OPTIONS", (asanBefore + ":verify_asan_link_order=0").c_str(), 1);
    m_child = std::make_unique<CliChild>(std::vector<std::string>{"-o", "t.png", text}, dir, CliChild::Input::Null,
                                         [ready, go] {
                                           dup2(ready, kReady);
                                           dup2(go, kGo);
                                         });
    unsetenv("LD_PRELOAD");
    unsetenv("DEXMORA_PAUSE_AT");
    setenv("ASAN_OPTIONS", asanBefore.c_str(), 1);
    close(m_ready[1]);
    close(m_go[0]);
  }
  ~PausedWriter() {
    close(m_ready[0]);
    close(m_go[1]);
  }
  PausedWriter(const PausedWriter&) = delete;
  PausedWriter& operator=(const PausedWriter&) = delete;

  // Waits until the writer is at its call; false when it ended before.
  bool reachedPause() {
    char byte = 0;
    return read(m_ready[0], &byte, 1) == 1;
  }
  void resume() { static_cast<void>(!write(m_go[1], "g", 1)); }
  int wait() { return m_child->wait(); }
  std::string err() const { return m_child->err(); }

 private:
  static constexpr int kReady = 20;
  static constexpr int kGo = 21;
  int m_ready[2] = {-1, -1};
  int m_go[2] = {-1, -1};
  std::unique_ptr<CliChild> m_child;
};

// A's temporary sits at the hidden name, renamed a moment later; C, finding
// the name taken, has opened it and is about to take its lock; B links its
// own temporary at the name A left. C's lock then succeeds on A's finished
// file, and the name it opened now belongs to B, who still needs it.
TEST(CliWriterRace, CleanerNeverRemovesANameALiveWriterTookOver) {
  TempDir dir;
  ASSERT_EQ(runChild({"-o", "t.png", "OLD"}, dir.path()), 0);
  PausedWriter a(dir.path(), "WRITER-A", "renameat 1");
  ASSERT_TRUE(a.reachedPause()) << a.err();
  PausedWriter c(dir.path(), "WRITER-C", "lock 2");
  ASSERT_TRUE(c.reachedPause()) << c.err();
  a.resume();
  EXPECT_EQ(a.wait(), 0) << a.err();
  PausedWriter b(dir.path(), "WRITER-B", "renameat 1");
  ASSERT_TRUE(b.reachedPause()) << b.err();
  c.resume();
  EXPECT_EQ(c.wait(), 0) << c.err();
  b.resume();
  EXPECT_EQ(b.wait(), 0) << b.err();
  const std::optional<ZXing::Result> result = scanPngFile(dir.file("t.png"));
  ASSERT_TRUE(result);
  EXPECT_EQ(resultBytes(*result), "WRITER-B");  // the last rename
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.png"});
}

}  // namespace
