// Runs a program of the build as a child process, as a user would from a shell, and
// collects its exit status and outputs within a time limit.
#ifndef CLITEST_PROCESS_H
#define CLITEST_PROCESS_H

#include <chrono>
#include <string>
#include <vector>

namespace clitest {

struct ProcessResult {
  int exitCode = -1;      // -1 when it did not exit by itself
  bool timedOut = false;  // killed after the time limit
  std::string out, err;
};

// Runs argv[0] with the given arguments (no shell), standard input empty, in
// `workdir` when it is not empty. A child still running after `limit` is killed.
ProcessResult runProcess(const std::vector<std::string>& argv,
                         std::chrono::milliseconds limit = std::chrono::seconds(60),
                         const std::string& workdir = "");

// A fresh directory below the system's temporary folder, removed with its files
// when the object goes.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return fPath; }

private:
  std::string fPath;
};

}  // namespace clitest

#endif
