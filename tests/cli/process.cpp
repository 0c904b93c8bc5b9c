#include "process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace clitest {
namespace {

using Clock = std::chrono::steady_clock;

// Reads what is there; false once the pipe is closed.
bool drain(int fd, std::string& into) {
  char buffer[65536];
  const ssize_t got = read(fd, buffer, sizeof buffer);
  if (got > 0) into.append(buffer, static_cast<std::size_t>(got));
  return got > 0 || (got < 0 && errno == EINTR);
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                         const std::string& workdir) {
  ProcessResult result;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) {
    ADD_FAILURE() << "pipe failed";
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  for (int fd : {out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&actions, fd);
  // The child changes directory through a tiny shell only when asked to.
  std::vector<std::string> command = argv;
  if (!workdir.empty())
    command.insert(command.begin(), {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", workdir});
  std::vector<char*> args;
  for (std::string& word : command) args.push_back(word.data());
  args.push_back(nullptr);

  pid_t child = -1;
  const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << args[0] << ": " << spawned;
    close(out[0]);
    close(err[0]);
    return result;
  }

  const Clock::time_point deadline = Clock::now() + limit;
  bool outOpen = true, errOpen = true;
  while ((outOpen || errOpen) && !result.timedOut) {
    pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      break;
    }
    if (poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1000))) < 0 && errno != EINTR)
      break;
    if (outOpen && (fds[0].revents & (POLLIN | POLLHUP))) outOpen = drain(out[0], result.out);
    if (errOpen && (fds[1].revents & (POLLIN | POLLHUP))) errOpen = drain(err[0], result.err);
  }
  close(out[0]);
  close(err[0]);
  // Its outputs are closed; it may still be running, so its end is awaited within
  // the limit too.
  int status = 0;
  pid_t ended = 0;
  while (!result.timedOut && (ended = waitpid(child, &status, WNOHANG)) == 0) {
    if (Clock::now() >= deadline) result.timedOut = true;
    else std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (result.timedOut) {
    kill(child, SIGKILL);
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  } else if (ended == child && WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  }
  return result;
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qzcli-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  fPath = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(fPath, ignored);
}

}  // namespace clitest
