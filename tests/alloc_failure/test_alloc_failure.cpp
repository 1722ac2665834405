#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string PREVIOUS_PICTURE = "the picture of an earlier run";
const std::string ENOMEM_TEXT = std::strerror(ENOMEM);

class TempDir {
 public:
  TempDir() {
    std::string name = (fs::temp_directory_path() / "dexmora-alloc-XXXXXX").string();
    if (!mkdtemp(name.data())) throw fs::filesystem_error("mkdtemp", std::error_code(errno, std::generic_category()));
    m_path = name;
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return m_path; }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_path)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path m_path;
};

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct ChildRun {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs the child with the given allocation failing; its output goes to files
// in `logDir`, kept apart from the directory the pictures go to.
ChildRun runChild(long failingAllocation, const std::vector<std::string>& args, const fs::path& logDir) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "DEXMORA_FAIL_ALLOCATION=", 24) != 0) env.emplace_back(*e);
  }
  env.push_back("DEXMORA_FAIL_ALLOCATION=" + std::to_string(failingAllocation));

  std::vector<std::string> argvStrings{DEXMORA_ALLOC_FAILURE_CHILD};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);

  const fs::path outPath = logDir / "stdout";
  const fs::path errPath = logDir / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int spawnError = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);

  ChildRun run;
  if (spawnError != 0) {
    run.err = std::string("posix_spawn: ") + std::strerror(spawnError);
    return run;
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

bool isPng(const std::string& bytes) { return bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0; }

// The encoder's allocations in the order the job makes them: the encoder
// record, the codeword buffer, the module grid (calloc), the pixel buffer,
// the PNG writer's row-pointer array.
struct EndingFailure {
  const char* allocation;
  long call;
  int status;
  std::string err;
};

void PrintTo(const EndingFailure& failure, std::ostream* os) { *os << failure.allocation; }

class AllocationEndsProcess : public ::testing::TestWithParam<EndingFailure> {};

TEST_P(AllocationEndsProcess, ExitsWithItsStatusAndLeavesThePreviousPicture) {
  const EndingFailure& failure = GetParam();
  TempDir pictures;
  TempDir logs;
  const fs::path output = pictures.path() / "output.png";
  writeFile(output, PREVIOUS_PICTURE);

  const ChildRun run = runChild(failure.call, {"10", "123456", output.string()}, logs.path());

  EXPECT_EQ(run.status, failure.status) << run.err;
  EXPECT_EQ(run.err, failure.err);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(readFile(output), PREVIOUS_PICTURE);
  EXPECT_EQ(pictures.entries(), std::vector<std::string>{"output.png"});
}

INSTANTIATE_TEST_SUITE_P(
    EncoderAllocations, AllocationEndsProcess,
    ::testing::Values(EndingFailure{"encoder record", 1, 3, ""},
                      EndingFailure{"codeword buffer", 2, 7, "dmEncodeData: " + ENOMEM_TEXT + "\n"},
                      EndingFailure{"module grid", 3, 2, ""},
                      EndingFailure{"pixel buffer", 4, 2, "malloc error: " + ENOMEM_TEXT + "\n"}),
    [](const ::testing::TestParamInfo<EndingFailure>& info) {
      std::string name = info.param.allocation;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

TEST(AllocationFailure, RowPointerArrayFailsTheSaveAndKeepsThePreviousPicture) {
  TempDir pictures;
  TempDir logs;
  const fs::path output = pictures.path() / "output.png";
  const fs::path next = pictures.path() / "next.png";
  writeFile(output, PREVIOUS_PICTURE);

  const ChildRun run = runChild(5, {"10", "123456", output.string(), next.string()}, logs.path());

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "not written: dmSavePng: Out of memory\nwritten\n");
  EXPECT_EQ(run.err, "") << "a failed row-pointer allocation prints nothing";
  EXPECT_EQ(readFile(output), PREVIOUS_PICTURE);
  EXPECT_TRUE(isPng(readFile(next))) << "the save after a failed one works normally";
  EXPECT_EQ(pictures.entries(), (std::vector<std::string>{"next.png", "output.png"}));
}

TEST(AllocationFailure, NoFailingAllocationWritesThePicture) {
  TempDir pictures;
  TempDir logs;
  const fs::path output = pictures.path() / "output.png";
  writeFile(output, PREVIOUS_PICTURE);

  const ChildRun run = runChild(0, {"144", "123456", output.string()}, logs.path());

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "written\n");
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(isPng(readFile(output)));
  EXPECT_EQ(pictures.entries(), std::vector<std::string>{"output.png"});
}

}  // namespace
