// The kernel's refusals in sticky world-writable directories (/tmp, say) hold
// for dexmora-cli exactly as for the shell's `>`: fs.protected_regular keeps
// root from writing another user's file there, fs.protected_fifos keeps a
// user from writing another user's FIFO. Both settings are machine-wide:
// these cases set and restore them, and run alone (CTest RUN_SERIAL).
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_child.h"
#include "test_files.h"

namespace {

constexpr uid_t kOtherUser = 12345;
constexpr uid_t kNobody = 65534;

// Sets /proc/sys/fs/NAME for the test's duration.
class KernelSetting {
 public:
  KernelSetting(const std::string& name, const std::string& value) : m_path("/proc/sys/fs/" + name) {
    std::ifstream in(m_path);
    std::getline(in, m_old);
    std::ofstream(m_path) << value << "\n";
    std::ifstream check(m_path);
    std::string now;
    std::getline(check, now);
    m_set = now == value;
  }
  ~KernelSetting() {
    if (!m_old.empty()) std::ofstream(m_path) << m_old << "\n";
  }
  bool set() const { return m_set; }

 private:
  std::string m_path;
  std::string m_old;
  bool m_set = false;
};

void asNobody() {
  if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
      setresuid(kNobody, kNobody, kNobody) != 0)
    _exit(124);
}

// dir/st: sticky and world-writable, holding `name` of another user, 0666.
std::string stickyDirectory(const TempDir& dir) {
  chmod(dir.path().c_str(), 0755);
  const std::string st = dir.file("st");
  mkdir(st.c_str(), 0755);
  chmod(st.c_str(), 01777);
  return st;
}

TEST(CliStickySerial, ProtectedRegularRefusesRootAsForRedirect) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set fs.protected_regular and own a file as another user";
  const KernelSetting setting("protected_regular", "1");
  if (!setting.set()) GTEST_SKIP() << "cannot set fs.protected_regular";
  TempDir dir;
  const std::string st = stickyDirectory(dir);
  writeFileBytes(st + "/breg", {'o', 'l', 'd'});
  ASSERT_EQ(chown((st + "/breg").c_str(), kOtherUser, kOtherUser), 0);
  chmod((st + "/breg").c_str(), 0666);
  std::string err;
  EXPECT_EQ(runChild({"-o", "st/breg", "X"}, dir.path(), &err), 73);
  EXPECT_EQ(err, "dexmora-cli: cannot write 'st/breg': Permission denied\n");
  writeFileBytes(dir.file("list"), {'b', 'r', 'e', 'g', '\t', 'X', '\n'});
  EXPECT_EQ(runChild({"--batch", "--tsv", "list", "-o", "st/{name}"}, dir.path(), &err), 73);
  EXPECT_EQ(err, "dexmora-cli: line 1 (breg): cannot write 'st/breg': Permission denied\n"
                 "dexmora-cli: 0 written, 1 failed\n");
  EXPECT_EQ(readFileString(st + "/breg"), "old");
}

TEST(CliStickySerial, ProtectedFifosRefuseAnOrdinaryUserAsForRedirect) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set fs.protected_fifos and own a FIFO as another user";
  const KernelSetting setting("protected_fifos", "1");
  if (!setting.set()) GTEST_SKIP() << "cannot set fs.protected_fifos";
  TempDir dir;
  const std::string st = stickyDirectory(dir);
  const std::string fifo = st + "/bfifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  ASSERT_EQ(chown(fifo.c_str(), kOtherUser, kOtherUser), 0);
  chmod(fifo.c_str(), 0666);
  // A reader is there, so only the kernel's rule can stop the write.
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string err;
  EXPECT_EQ(runChild({"-o", "st/bfifo", "X"}, dir.path(), &err, asNobody), 73);
  EXPECT_EQ(err, "dexmora-cli: cannot write 'st/bfifo': Permission denied\n");
  char byte;
  EXPECT_LE(read(reader, &byte, 1), 0) << "the picture went into the FIFO";
  close(reader);
}

}  // namespace
