#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/signal_cleanup.h"
#include "render/output_file.h"
#include "render/output_file_temporary.h"

namespace dexmora {
namespace {

// writeFile() in the older tests' terms: the failure's errno and message.
bool writeWholeFile(const std::string& path, const void* data, size_t size, WriteFailure& failure,
                    std::vector<std::string>* warnings = nullptr, const WriteOptions& options = {}) {
  OutputFileOptions fileOptions;
  fileOptions.sync = options.sync;
  const Expected<WriteReport> written = writeFileTracked(path, std::string_view(static_cast<const char*>(data), size),
                                                         fileOptions, options.temporaryNamed);
  if (!written) {
    failure = {written.error().systemError(), written.error().message()};
    return false;
  }
  if (warnings) *warnings = written->warnings;
  return true;
}

constexpr uid_t kNobody = 65534;
const std::string kContent = "new content\n";

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void putFile(const std::string& path, const std::string& content, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << content;
  chmod(path.c_str(), mode);
}

// Sorted names, links marked @ and directories /.
std::string listDir(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string() + (entry.is_symlink() ? "@" : entry.is_directory() ? "/" : ""));
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const auto& name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}

struct stat statOf(const std::string& path) {
  struct stat st = {};
  lstat(path.c_str(), &st);
  return st;
}

// A fresh directory that `nobody` may write, removed with everything in it.
struct Scratch {
  std::string dir;
  Scratch() {
    char name[] = "/tmp/dexmora-output-XXXXXX";
    dir = mkdtemp(name);
    chmod(dir.c_str(), 0777);
  }
  ~Scratch() {
    chmod(dir.c_str(), 0700);
    std::filesystem::remove_all(dir);
  }
};

struct Outcome {
  bool ok = false;
  int errnum = -1;  // -1: the child died
  size_t warnings = 0;
  std::string message;
};

// writeFile() by path, or through an OutputDirectory opened on the path's directory.
Expected<WriteReport> writeVia(const std::string& path, const std::string& content, bool throughDirectory) {
  if (!throughDirectory) return writeFile(path, content);
  const size_t slash = path.rfind('/');
  const Expected<OutputDirectory> dir = OutputDirectory::open(path.substr(0, slash));
  return dir ? writeFile(*dir, path.substr(slash + 1), content) : dir.error();
}

// Runs writeWholeFile in a child process, so that uid, umask, descriptors and
// limits can be changed freely; `prepare` runs in the child first.
Outcome writeInChild(const std::string& path, const std::string& content, bool asNobody = false,
                     const std::function<void()>& prepare = {}, bool throughDirectory = false) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    if (asNobody && (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                     setresuid(kNobody, kNobody, kNobody) != 0))
      _exit(2);
    if (prepare) prepare();
    WriteFailure failure;
    std::vector<std::string> warnings;
    bool ok = false;
    if (throughDirectory) {
      const Expected<WriteReport> written = writeVia(path, content, true);
      if (!(ok = written.ok())) failure = {written.error().systemError(), written.error().message()};
    } else {
      ok = writeWholeFile(path, content.data(), content.size(), failure, &warnings);
    }
    const std::string report = std::to_string(ok) + " " + std::to_string(failure.errnum) + " " +
                               std::to_string(warnings.size()) + " " + failure.message;
    static_cast<void>(!::write(pipeFds[1], report.data(), report.size()));
    _exit(0);
  }
  close(pipeFds[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Outcome outcome;
  std::istringstream in(report);
  if (!(in >> outcome.ok >> outcome.errnum >> outcome.warnings)) return {};
  in.get();
  std::getline(in, outcome.message, '\0');
  return outcome;
}

// The target is dir/t; `written` names the file that must hold the new
// content afterwards (or still "old" when the write fails).
struct TargetCase {
  const char* name;
  void (*setup)(const std::string& dir);
  mode_t umask;
  bool asNobody;
  int errnum;  // 0: the write succeeds
  const char* written;
  mode_t mode;          // of `written` afterwards
  uid_t owner;          // of `written` afterwards, 0: not checked
  size_t warnings;
  const char* listing;  // the directory afterwards: links marked @, directories /
  bool namesDirectory;  // the message names the directory as the problem
};

void noSetup(const std::string&) {}

constexpr TargetCase kTargetCases[] = {
    {"NewFileUmask022", noSetup, 022, false, 0, "t", 0644, 0, 0, "t", false},
    {"NewFileUmask077", noSetup, 077, false, 0, "t", 0600, 0, 0, "t", false},
    {"ReplaceKeepsMode", [](auto& dir) { putFile(dir + "/t", "old", 0640); }, 0, false, 0, "t", 0640, 0, 0, "t",
     false},
    {"ReplaceKeepsOwner",
     [](auto& dir) {
       putFile(dir + "/t", "old", 0604);
       ASSERT_EQ(chown((dir + "/t").c_str(), 12345, 12345), 0);
     },
     022, false, 0, "t", 0604, 12345, 0, "t", false},
    {"HardLinkWarns",
     [](auto& dir) {
       putFile(dir + "/t", "old", 0600);
       ASSERT_EQ(link((dir + "/t").c_str(), (dir + "/other").c_str()), 0);
     },
     022, false, 0, "t", 0600, 0, 1, "other t", false},
    {"DanglingLinkCreatesTarget", [](auto& dir) { ASSERT_EQ(symlink("real", (dir + "/t").c_str()), 0); }, 022,
     false, 0, "real",
     0644, 0, 0, "real t@", false},
    {"LinkReplacesItsTarget",
     [](auto& dir) {
       putFile(dir + "/real", "old", 0600);
       ASSERT_EQ(symlink("real", (dir + "/t").c_str()), 0);
     },
     022, false, 0, "real", 0600, 0, 0, "real t@", false},
    {"LinkLoop",
     [](auto& dir) {
       ASSERT_EQ(symlink("u", (dir + "/t").c_str()), 0);
       ASSERT_EQ(symlink("t", (dir + "/u").c_str()), 0);
     },
     022, false, ELOOP, nullptr, 0, 0, 0, "t@ u@", false},
    {"Directory", [](auto& dir) { mkdir((dir + "/t").c_str(), 0755); }, 022, false, EISDIR, nullptr, 0, 0, 0, "t/",
     false},
    {"FifoWithoutReader", [](auto& dir) { mkfifo((dir + "/t").c_str(), 0666); }, 022, false, ENXIO, nullptr, 0, 0,
     0, "t", false},
    {"ReadOnlyFileAsUser",
     [](auto& dir) {
       putFile(dir + "/t", "old", 0444);
       ASSERT_EQ(chown((dir + "/t").c_str(), kNobody, kNobody), 0);
     },
     022, true, EACCES, "t", 0444, kNobody, 0, "t", false},
    {"ReadOnlyDirectoryAsUser",
     [](auto& dir) {
       putFile(dir + "/t", "old", 0666);
       chmod(dir.c_str(), 0555);
     },
     022, true, EACCES, "t", 0666, 0, 0, "t", true},
};

class OutputFileTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(OutputFileTarget, BehavesLikeRedirectPlusAtomicReplace) {
  const TargetCase& c = GetParam();
  if (geteuid() != 0 && c.owner != 0) GTEST_SKIP() << "needs root to make another user own the file";
  // An ordinary user already is one; root drops to nobody for these cases.
  const bool dropToNobody = c.asNobody && geteuid() == 0;
  Scratch scratch;
  const std::string& dir = scratch.dir;
  c.setup(dir);
  const mode_t umaskValue = c.umask;
  // alarm() only guards against a hang (a FIFO waiting for a reader); a
  // child killed by it reports no outcome.
  const Outcome outcome = writeInChild(dir + "/t", kContent, dropToNobody, [umaskValue] {
    umask(umaskValue);
    alarm(5);
  });
  EXPECT_EQ(outcome.errnum, c.errnum) << outcome.message;
  EXPECT_EQ(outcome.ok, c.errnum == 0);
  EXPECT_EQ(outcome.warnings, c.warnings);
  if (c.errnum != 0) {
    EXPECT_EQ(outcome.message.find("cannot write '" + dir + "/t': "), 0u) << outcome.message;
  }
  EXPECT_EQ(outcome.message.find("directory '" + dir + "'") != std::string::npos, c.namesDirectory);
  if (c.written) {
    const std::string written = dir + "/" + c.written;
    EXPECT_EQ(readFile(written), c.errnum == 0 ? kContent : "old");
    EXPECT_EQ(statOf(written).st_mode & 07777, c.mode);
    if (c.owner != 0) {
      EXPECT_EQ(statOf(written).st_uid, c.owner);
      EXPECT_EQ(statOf(written).st_gid, c.owner);
    }
  }
  EXPECT_EQ(listDir(dir), c.listing);
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputFileTarget, ::testing::ValuesIn(kTargetCases),
                         [](const auto& info) { return std::string(info.param.name); });

// How the caller left our standard output.
enum class Stdout { Closed, ReservedNull, File };

struct StreamCase {
  const char* name;
  const char* path;  // "": the file itself by name
  const char* link;  // else the path is d/l, a link to this, beside d/fd -> /dev/fd and d/out1 -> /dev/fd/1
  Stdout stdoutIs;
  int flags;           // how the caller opened the file as our stdout
  const char* before;  // what the caller wrote before us
  bool throughDirectory;
};

constexpr int kAppend = O_WRONLY | O_APPEND;
constexpr int kTruncate = O_WRONLY | O_TRUNC;

// A link that leads to our standard output means it as its name does, so a
// closed one stays closed even where /dev/null stands in for it.
constexpr StreamCase kStreamCases[] = {
    {"AppendKeepsLog", "/dev/stdout", nullptr, Stdout::File, kAppend, "log\n", false},
    {"AppendThroughProc", "/proc/self/fd/1", nullptr, Stdout::File, kAppend, "log\n", false},
    {"RedirectKeepsHeader", "/dev/stdout", nullptr, Stdout::File, kTruncate, "header\n", false},
    {"SameFileByName", "", nullptr, Stdout::File, kTruncate, "header\n", false},
    {"StdoutClosed", "/dev/stdout", nullptr, Stdout::Closed, 0, "", false},
    {"LinkToProcAppends", nullptr, "/proc/self/fd/1", Stdout::File, kAppend, "log\n", false},
    {"LinkInDirectoryAppends", nullptr, "/dev/stdout", Stdout::File, kAppend, "log\n", true},
    {"LinkToClosedStdout", nullptr, "/proc/self/fd/1", Stdout::Closed, 0, "", false},
    {"LinkToReservedStdout", nullptr, "/dev/stdout", Stdout::ReservedNull, 0, "", false},
    {"LinkThroughFdDirectoryReserved", nullptr, "../d/fd/1", Stdout::ReservedNull, 0, "", false},
    {"LinkToLinkInDirectoryReserved", nullptr, "out1", Stdout::ReservedNull, 0, "", true},
};

class OutputFileStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(OutputFileStream, WritesInPlaceAtTheCallersOffset) {
  const StreamCase& c = GetParam();
  Scratch scratch;
  const std::string file = scratch.dir + "/out";
  if (c.stdoutIs == Stdout::File) putFile(file, "");
  std::string path = c.path == nullptr ? scratch.dir + "/d/l" : *c.path ? c.path : file;
  if (c.link) {
    const std::string sub = scratch.dir + "/d";
    mkdir(sub.c_str(), 0755);
    ASSERT_EQ(symlink("/dev/fd", (sub + "/fd").c_str()), 0);
    ASSERT_EQ(symlink("/dev/fd/1", (sub + "/out1").c_str()), 0);
    ASSERT_EQ(symlink(c.link, path.c_str()), 0);
  }
  const Outcome outcome = writeInChild(path, kContent, false, [&] {
    close(1);
    if (c.stdoutIs == Stdout::ReservedNull) static_cast<void>(::open("/dev/null", O_RDONLY));
    if (c.stdoutIs != Stdout::File) return;
    const int fd = ::open(file.c_str(), c.flags);
    dup2(fd, 1);
    static_cast<void>(!::write(1, c.before, std::strlen(c.before)));
  }, c.throughDirectory);
  if (c.stdoutIs != Stdout::File) {
    EXPECT_EQ(outcome.errnum, EBADF) << outcome.message;
    EXPECT_EQ(listDir(scratch.dir), c.link ? "d/" : "");
    if (c.link) {
      EXPECT_EQ(listDir(scratch.dir + "/d"), "fd@ l@ out1@");
    }
    return;
  }
  EXPECT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(readFile(file), c.before + kContent);
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputFileStream, ::testing::ValuesIn(kStreamCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OutputFile, FullDiskLeavesOldFileAndNoTemporary) {
  Scratch scratch;
  const std::string target = scratch.dir + "/t";
  putFile(target, "old");
  const Outcome outcome = writeInChild(target, std::string(1 << 20, 'x'), false, [] {
    const rlimit limit = {64 << 10, 64 << 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);
  });
  EXPECT_EQ(outcome.errnum, EFBIG) << outcome.message;
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(listDir(scratch.dir), "t");
}

TEST(OutputFile, ControlBytesInPathAreEscaped) {
  Scratch scratch;
  mkdir((scratch.dir + "/d\x7f").c_str(), 0755);
  for (const std::string& path : {scratch.dir + "/a\nb\x1b[31m/x", scratch.dir + "/d\x7f", scratch.dir + "/\x1b[2J\r/y"}) {
    WriteFailure failure;
    EXPECT_FALSE(writeWholeFile(path, "x", 1, failure));
    EXPECT_TRUE(std::none_of(failure.message.begin(), failure.message.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
        << failure.message;
  }
}

TEST(OutputFile, ParallelWritersInOneDirectory) {
  Scratch scratch;
  const mode_t mask = umask(022);
  umask(mask);
  for (int i = 0; i < 8; i += 2) putFile(scratch.dir + "/f" + std::to_string(i), "old", 0600);
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      const std::string content(4096 * (i + 1), static_cast<char>('a' + i));
      for (int round = 0; round < 20; ++round) {
        WriteFailure failure;
        failures[i] += !writeWholeFile(scratch.dir + "/f" + std::to_string(i), content.data(), content.size(), failure);
      }
    });
  for (auto& thread : threads) thread.join();
  for (int i = 0; i < 8; ++i) {
    const std::string path = scratch.dir + "/f" + std::to_string(i);
    EXPECT_EQ(failures[i], 0);
    EXPECT_EQ(readFile(path), std::string(4096 * (i + 1), static_cast<char>('a' + i)));
    EXPECT_EQ(statOf(path).st_mode & 07777, i % 2 == 0 ? 0600u : 0666u & ~mask);
  }
}

// A child rewrites the target in a loop, each time with one complete content
// of a single repeated byte, until it is killed at a random moment.
class OutputFileKilled : public ::testing::TestWithParam<int> {};

bool isOneCompleteContent(const std::string& text, size_t size) {
  return text.size() == size && std::all_of(text.begin(), text.end(), [&](char c) { return c == text[0]; });
}

TEST_P(OutputFileKilled, LeavesOneCompleteContent) {
  const int signo = GetParam();
  constexpr size_t kSize = 300 << 10;
  Scratch scratch;
  const std::string target = scratch.dir + "/t";
  putFile(target, std::string(kSize, '-'));
  std::mt19937 random(12345);
  for (int run = 0; run < 30; ++run) {
    const pid_t pid = fork();
    if (pid == 0) {
      WriteOptions options;
      if (signo == SIGINT) {
        installSignalCleanup(InterruptHandling::RemoveAndDie);
        options.temporaryNamed = temporaryNamedInSlot(0);
      }
      for (char c = 'a';; c = c == 'z' ? 'a' : static_cast<char>(c + 1)) {
        const std::string content(kSize, c);
        WriteFailure failure;
        if (!writeWholeFile(target, content.data(), content.size(), failure, nullptr, options)) _exit(3);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(pid, signo);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signo) << "status " << status;
    ASSERT_TRUE(isOneCompleteContent(readFile(target), kSize)) << "run " << run;
    // SIGKILL may leave the linked temporary in the instant before the rename;
    // the signal handler removes it.
    if (signo == SIGINT) {
      ASSERT_EQ(listDir(scratch.dir), "t") << "run " << run;
    }
  }
  WriteFailure failure;
  ASSERT_TRUE(writeWholeFile(target, "done", 4, failure)) << failure.message;
  EXPECT_EQ(listDir(scratch.dir), "t");
}

INSTANTIATE_TEST_SUITE_P(Signals, OutputFileKilled, ::testing::Values(SIGKILL, SIGINT),
                         [](const auto& info) { return std::string(info.param == SIGKILL ? "Kill" : "Interrupt"); });

// Hidden temporaries beside "t": slot 0, 1 and 2 hold nothing, a dead
// writer's leftover (a plain file nobody locks) or a live writer's (locked
// by an open file description of this test). A write removes the dead ones
// from the first slot to the first free one past its own, never a live one.
struct SlotCase {
  const char* name;
  const char* slots;    // per slot: '-' nothing, 'd' dead leftover, 'l' live temporary
  const char* listing;  // the directory afterwards
};

constexpr SlotCase kSlotCases[] = {
    {"NoLeftovers", "---", "t"},
    {"DeadInFirstSlot", "d--", "t"},
    {"DeadInEverySlot", "ddd", "t"},
    {"LiveFirstDeadAfter", "ld-", ".t.0.dexmora-tmp t"},
    {"LiveBetweenDead", "dld", ".t.1.dexmora-tmp t"},
    {"TwoLive", "ll-", ".t.0.dexmora-tmp .t.1.dexmora-tmp t"},
    {"GapStopsTheSweep", "d-d", ".t.2.dexmora-tmp t"},
};

class OutputFileSlots : public ::testing::TestWithParam<SlotCase> {};

TEST_P(OutputFileSlots, OnlyDeadWritersLeftoversAreRemoved) {
  const SlotCase& c = GetParam();
  Scratch scratch;
  putFile(scratch.dir + "/t", "old");
  std::vector<int> live;
  for (int slot = 0; c.slots[slot]; ++slot) {
    const std::string hidden = scratch.dir + "/.t." + std::to_string(slot) + ".dexmora-tmp";
    if (c.slots[slot] == '-') continue;
    putFile(hidden, "leftover", 0600);
    if (c.slots[slot] == 'l') {
      const int fd = ::open(hidden.c_str(), O_RDWR);
      struct flock lock = {};
      lock.l_type = F_WRLCK;
      ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
      live.push_back(fd);
    }
  }
  WriteFailure failure;
  EXPECT_TRUE(writeWholeFile(scratch.dir + "/t", kContent.data(), kContent.size(), failure)) << failure.message;
  EXPECT_EQ(readFile(scratch.dir + "/t"), kContent);
  EXPECT_EQ(listDir(scratch.dir), c.listing);
  for (int fd : live) close(fd);
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputFileSlots, ::testing::ValuesIn(kSlotCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A target named as a temporary would be removed as a dead writer's leftover
// by the next write of the file it seems to belong to: refused, whichever way
// the name is reached. Names that only look close are written.
struct HiddenNameCase {
  const char* name;
  const char* path;  // in the scratch directory, which holds sub/
  const char* link;  // made first as `path`, pointing here; null: none
  bool throughDirectory;
  bool refused;
};

constexpr HiddenNameCase kHiddenNameCases[] = {
    {"FirstSlot", ".a.png.0.dexmora-tmp", nullptr, false, true},
    {"DottedStemInDirectory", ".x.y.4095.dexmora-tmp", nullptr, true, true},
    {"InSubdirectory", "sub/.a.0.dexmora-tmp", nullptr, true, true},
    {"DanglingLinkToOne", "t", "sub/.t.0.dexmora-tmp", false, true},
    {"DanglingLinkToOneInDirectory", "t", "sub/.t.0.dexmora-tmp", true, true},
    {"NoLeadingDot", "a.png.0.dexmora-tmp", nullptr, false, false},
    {"SlotNotANumber", ".a.png.0x.dexmora-tmp", nullptr, true, false},
    {"NoStem", ".0.dexmora-tmp", nullptr, false, false},
};

class OutputFileHiddenName : public ::testing::TestWithParam<HiddenNameCase> {};

TEST_P(OutputFileHiddenName, TemporaryFormRefusedWhereverTheNameComesFrom) {
  const HiddenNameCase& c = GetParam();
  Scratch scratch;
  mkdir((scratch.dir + "/sub").c_str(), 0755);
  if (c.link) {
    ASSERT_EQ(symlink(c.link, (scratch.dir + "/" + c.path).c_str()), 0);
  }
  const Expected<WriteReport> written = writeVia(scratch.dir + "/" + c.path, kContent, c.throughDirectory);
  ASSERT_EQ(written.ok(), !c.refused) << (written ? "" : written.error().message());
  if (c.refused) {
    EXPECT_EQ(written.error().code(), ErrorCode::BadOption);
    EXPECT_NE(written.error().message().find("temporary files"), std::string::npos) << written.error().message();
  }
  EXPECT_EQ(listDir(scratch.dir), c.refused ? (c.link ? "sub/ t@" : "sub/") : c.path + std::string(" sub/"));
  EXPECT_EQ(listDir(scratch.dir + "/sub"), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, OutputFileHiddenName, ::testing::ValuesIn(kHiddenNameCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every name the writer may give a temporary, long names' hashed ones
// included, is one it refuses as a target; no visible name is.
TEST(OutputFileHiddenNameProperty, EveryTemporaryNameIsRefusedNoVisibleOne) {
  std::mt19937 random(2024);
  const std::string alphabet = "ab.-_~0123456789\xc3\xa9 ";
  for (int round = 0; round < 2000; ++round) {
    std::string name(1 + random() % 300, 'x');
    for (char& ch : name) ch = alphabet[random() % alphabet.size()];
    const unsigned slot = random() % 4096;
    const std::string hidden = hiddenTemporaryName(name, slot);
    ASSERT_LE(hidden.size(), 255u) << name;
    ASSERT_TRUE(isTemporaryName(hidden)) << hidden;
    if (name[0] != '.') {
      ASSERT_FALSE(isTemporaryName(name)) << name;
    }
  }
}

// Names that share their first 200 bytes share no temporary: each file
// always holds its own name's content, however the threads interleave.
TEST(OutputFile, LongNamesOnManyThreadsKeepTheirOwnContent) {
  Scratch scratch;
  const std::string prefix = scratch.dir + "/" + std::string(200, 'L');
  constexpr int kNames = 60;
  constexpr int kThreads = 6;
  for (int i = 0; i < kNames; ++i) putFile(prefix + std::to_string(i), "old");
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round)
        for (int i = 0; i < kNames; ++i) {
          const std::string content = "name " + std::to_string(i) + " by " + std::to_string(t);
          WriteFailure failure;
          failures[t] += !writeWholeFile(prefix + std::to_string(i), content.data(), content.size(), failure);
        }
    });
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  for (int i = 0; i < kNames; ++i) {
    EXPECT_EQ(readFile(prefix + std::to_string(i)).rfind("name " + std::to_string(i) + " by ", 0), 0u) << i;
  }
  const std::string listing = listDir(scratch.dir);
  EXPECT_EQ(std::count(listing.begin(), listing.end(), ' '), kNames - 1) << listing;
}

// The hook hears of a temporary before it has a name, with the inode that
// tells it apart, and again when the name is gone.
TEST(OutputFile, TemporaryAnnouncedWithItsInodeWhileNamed) {
  Scratch scratch;
  putFile(scratch.dir + "/t", "old");
  std::vector<NamedTemporary> heard;
  WriteOptions options;
  options.temporaryNamed = [&heard](const NamedTemporary& temporary) { heard.push_back(temporary); };
  WriteFailure failure;
  ASSERT_TRUE(writeWholeFile(scratch.dir + "/t", "new", 3, failure, nullptr, options)) << failure.message;
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0].path, scratch.dir + "/.t.0.dexmora-tmp");
  EXPECT_EQ(heard[0].inode, static_cast<uint64_t>(statOf(scratch.dir + "/t").st_ino));
  EXPECT_EQ(heard[1].path, "");
}

// Many files through one directory handle: new names are linked, taken names
// replaced as by path, and the handle keeps the directory it was opened on.
TEST(OutputDirectoryWrite, BehavesAsByPathInTheDirectoryOpened) {
  Scratch scratch;
  const std::string dir = scratch.dir + "/out";
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/sub").c_str(), 0755);
  putFile(dir + "/old", "old", 0640);
  putFile(scratch.dir + "/real", "old", 0600);
  ASSERT_EQ(symlink("../real", (dir + "/link").c_str()), 0);
  mkfifo((dir + "/fifo").c_str(), 0666);
  const int reader = ::open((dir + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
  Expected<OutputDirectory> out = OutputDirectory::open(dir);
  ASSERT_TRUE(out) << out.error().message();
  rename(dir.c_str(), (scratch.dir + "/moved").c_str());
  mkdir(dir.c_str(), 0755);  // a new directory under the old name gets nothing
  for (const char* name : {"new", "old", "sub/deeper", "link", "fifo"}) {
    const Expected<WriteReport> written = writeFile(*out, name, kContent);
    EXPECT_TRUE(written) << name << ": " << written.error().message();
  }
  const std::string moved = scratch.dir + "/moved";
  EXPECT_EQ(readFile(moved + "/new"), kContent);
  EXPECT_EQ(readFile(moved + "/old"), kContent);
  EXPECT_EQ(statOf(moved + "/old").st_mode & 07777, 0640u);
  EXPECT_EQ(readFile(moved + "/sub/deeper"), kContent);
  EXPECT_EQ(readFile(scratch.dir + "/real"), kContent);
  char buffer[64] = {};
  EXPECT_EQ(read(reader, buffer, sizeof buffer), static_cast<ssize_t>(kContent.size()));
  close(reader);
  EXPECT_EQ(listDir(moved), "fifo link@ new old sub/");
  EXPECT_EQ(listDir(dir), "");
  const Expected<WriteReport> missing = writeFile(*out, "nowhere/x", kContent);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().systemError(), ENOENT);
  EXPECT_EQ(missing.error().message(), "cannot write '" + dir + "/nowhere/x': No such file or directory");
  EXPECT_FALSE(OutputDirectory::open(scratch.dir + "/none"));
}

// Machine-wide setting: registered as its own CTest entry with RUN_SERIAL.
TEST(OutputFileSerial, ProtectedSymlinksRefuseForeignLinkInStickyDirectory) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own a link as another user";
  const std::string setting = "/proc/sys/fs/protected_symlinks";
  struct Restore {
    std::string path, value;
    ~Restore() { std::ofstream(path) << value; }
  } restore{setting, readFile(setting)};
  static_cast<void>(std::ofstream(setting) << "1\n");
  if (readFile(setting) != "1\n") GTEST_SKIP() << "cannot set fs.protected_symlinks";
  Scratch sticky;
  Scratch elsewhere;
  chmod(sticky.dir.c_str(), 01777);
  const std::string victim = elsewhere.dir + "/victim";
  const std::string link = sticky.dir + "/link";
  putFile(victim, "victim");
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
  ASSERT_EQ(lchown(link.c_str(), 12345, 12345), 0);
  WriteFailure failure;
  EXPECT_FALSE(writeWholeFile(link, "x", 1, failure));
  EXPECT_EQ(failure.errnum, EACCES) << failure.message;
  EXPECT_EQ(readFile(victim), "victim");
  EXPECT_EQ(listDir(sticky.dir), "link@");
}

}  // namespace
}  // namespace dexmora
