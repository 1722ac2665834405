#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string PREVIOUS_PICTURE = "the picture of an earlier run";
const std::string ENOMEM_TEXT = std::strerror(ENOMEM);

void writeFile(const fs::path& path, const std::string& bytes) {
  writeFileBytes(path.string(), std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

struct ChildRun {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs the child with the given allocation failing; its output goes to files
// in a directory of its own, apart from the directory the pictures go to.
ChildRun runChild(const char* variable, long failingAllocation, const std::vector<std::string>& args) {
  std::vector<std::string> argvStrings{DEXMORA_ALLOC_FAILURE_CHILD};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  const TempDir logs;
  const fs::path outPath = logs.path() / "stdout";
  const fs::path errPath = logs.path() / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  setenv(variable, std::to_string(failingAllocation).c_str(), 1);
  pid_t pid = -1;
  const int spawnError = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  unsetenv(variable);
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
  run.out = readFileString(outPath);
  run.err = readFileString(errPath);
  return run;
}

bool isPng(const std::string& bytes) { return bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0; }

// Which allocation a case fails: the program's own malloc or calloc call
// number N, or the library's first allocation once N of those are made.
constexpr const char* OWN_CALL = "DEXMORA_FAIL_ALLOCATION";
constexpr const char* LIBRARY_AFTER = "DEXMORA_FAIL_NEW_AFTER";

// One encode job per path, output.png (which holds an earlier picture) then
// next.png, with one allocation failing. The job's own allocations, in the
// order it makes them, and the library's while encoding end the process with
// their status; the library's while rendering the picture fails only that save.
struct AllocationCase {
  const char* allocation;
  const char* variable;
  long call;  // which allocation fails, from 1; 0 for none
  const char* size;
  int status;
  std::string out;
  std::string err;
  bool outputWritten;
  bool nextWritten;
};

void PrintTo(const AllocationCase& c, std::ostream* os) { *os << c.allocation; }

class AllocationFailure : public ::testing::TestWithParam<AllocationCase> {};

TEST_P(AllocationFailure, StatusMessagesAndFilesLeft) {
  const AllocationCase& c = GetParam();
  TempDir pictures;
  const fs::path output = pictures.path() / "output.png";
  const fs::path next = pictures.path() / "next.png";
  writeFile(output, PREVIOUS_PICTURE);

  const ChildRun run = runChild(c.variable, c.call, {c.size, "123456", output.string(), next.string()});

  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, c.err);
  if (c.outputWritten) {
    EXPECT_TRUE(isPng(readFileString(output)));
  } else {
    EXPECT_EQ(readFileString(output), PREVIOUS_PICTURE);
  }
  if (c.nextWritten) {
    EXPECT_TRUE(isPng(readFileString(next))) << "a save after a failed one works normally";
  }
  const std::vector<std::string> left =
      c.nextWritten ? std::vector<std::string>{"next.png", "output.png"} : std::vector<std::string>{"output.png"};
  EXPECT_EQ(pictures.entries(), left);
}

INSTANTIATE_TEST_SUITE_P(
    EncodeJob, AllocationFailure,
    ::testing::Values(
        AllocationCase{"encoder record", OWN_CALL, 1, "10", 3, "", "", false, false},
        AllocationCase{"encoding", LIBRARY_AFTER, 1, "10", 7, "", "dmEncodeData: " + ENOMEM_TEXT + "\n", false, false},
        AllocationCase{"codeword buffer", OWN_CALL, 2, "10", 7, "", "dmEncodeData: " + ENOMEM_TEXT + "\n", false, false},
        AllocationCase{"module grid", OWN_CALL, 3, "10", 2, "", "", false, false},
        AllocationCase{"pixel buffer", OWN_CALL, 4, "10", 2, "", "malloc error: " + ENOMEM_TEXT + "\n", false, false},
        // Prints nothing; the failed save reports it through its thrown message.
        AllocationCase{"picture rendering", LIBRARY_AFTER, 4, "10", 1, "not written: dmSavePng: Out of memory\nwritten\n",
                       "", false, true},
        AllocationCase{"none", OWN_CALL, 0, "144", 0, "written\nwritten\n", "", true, true}),
    [](const ::testing::TestParamInfo<AllocationCase>& info) {
      std::string name = info.param.allocation;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

}  // namespace
