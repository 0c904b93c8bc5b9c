// The qzbroker-sim program run as a child process, its standard output and error on a
// pipe that the test reads.
#ifndef SIMBROKER_BROKERPROGRAM_H
#define SIMBROKER_BROKERPROGRAM_H

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace simtest {

using Clock = std::chrono::steady_clock;

// The program running with its standard output on a pipe.
class Program {
public:
  explicit Program(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    fPid = fork();
    if (fPid == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(out[1], STDERR_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(QZSIM_PROGRAM));
      for (std::string& arg : args) argv.push_back(&arg[0]);
      argv.push_back(nullptr);
      execv(QZSIM_PROGRAM, argv.data());
      _exit(127);
    }
    close(out[1]);
    fOut = out[0];
  }
  ~Program() {
    if (fPid > 0 && !fReaped) {
      kill(fPid, SIGKILL);
      waitpid(fPid, nullptr, 0);
    }
    close(fOut);
  }

  // The output up to the first line end, waiting at most `seconds`.
  std::string firstLine(int seconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    while (fText.find('\n') == std::string::npos && readSome(deadline)) {
    }
    return fText.substr(0, fText.find('\n'));
  }
  // All the output, until the program closes it (at most `seconds`).
  std::string allOutput(int seconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    while (readSome(deadline)) {
    }
    return fText;
  }
  void signal(int number) { kill(fPid, number); }
  pid_t pid() const { return fPid; }
  // The port of its "listening on ADDRESS:PORT" line, 0 when none came within `seconds`.
  int listeningPort(int seconds) {
    const std::string line = firstLine(seconds);
    const std::size_t colon = line.rfind(':');
    return line.rfind("listening on ", 0) == 0 && colon != std::string::npos ? std::atoi(line.c_str() + colon + 1) : 0;
  }
  // The exit status, or -1 when it has not ended within `seconds`.
  int exitStatus(int seconds) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (Clock::now() < deadline) {
      if (waitpid(fPid, &status, WNOHANG) == fPid) {
        fReaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

private:
  bool readSome(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fOut, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(fOut, buffer, sizeof buffer);
    if (n <= 0) return false;
    fText.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t fPid = -1;
  int fOut = -1;
  bool fReaped = false;
  std::string fText;
};

}  // namespace simtest

#endif
