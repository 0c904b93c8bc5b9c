// The qzbroker-sim program: its ready line, its clean stop on SIGTERM, and its
// command line.
#include "qzremotecall/qzremoteproxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace simtest {
namespace {

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

TEST(SimProgram, ListensOnThePortItPrintsAndStopsCleanlyOnSigterm) {
  Program program({"--port", "0"});
  const std::string line = program.firstLine(20);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(line, match, std::regex("listening on 127\\.0\\.0\\.1:([0-9]+)"))) << line;
  const int port = std::stoi(match[1]);
  ASSERT_GT(port, 0);
  {
    QZ::QZProxyRemote motion("QZMotion", "127.0.0.1", port, 0, 0);
    EXPECT_TRUE(motion.callRemote<bool>("ping"));
    program.signal(SIGTERM);
    EXPECT_EQ(program.exitStatus(10), 0);
  }
}

TEST(SimProgram, StopsOnSigintWithAConnectionOpen) {
  Program program({"--bind", "127.0.0.1", "--port", "0"});
  const std::string line = program.firstLine(20);
  const int port = std::atoi(line.substr(line.rfind(':') + 1).c_str());
  QZ::QZProxyRemote memory("QZMemory", "127.0.0.1", port, 0, 0);
  program.signal(SIGINT);
  EXPECT_EQ(program.exitStatus(10), 0);
}

TEST(SimProgram, PrintsHelpAndAWsdl) {
  Program help({"--help"});
  EXPECT_THAT(help.allOutput(10), ::testing::StartsWith("usage: qzbroker-sim [--bind ADDRESS]"));
  EXPECT_EQ(help.exitStatus(10), 0);
  Program wsdl({"--wsdl", "--port", "4711"});
  const std::string text = wsdl.allOutput(10);
  EXPECT_EQ(wsdl.exitStatus(10), 0);
  for (const char* part : {"<operation name=\"callTamsa\">", "<operation name=\"callTamsa2\">",
                           "<operation name=\"getModuleByName\">", "<complexType name=\"Value\"",
                           "location=\"http://127.0.0.1:4711/\""})
    EXPECT_THAT(text, ::testing::HasSubstr(part));
}

TEST(SimProgram, RefusesBadArgumentsAndAPortInUse) {
  Program bad({"--port", "seventy"});
  EXPECT_THAT(bad.allOutput(10), ::testing::HasSubstr("qzbroker-sim: not a port: seventy"));
  EXPECT_EQ(bad.exitStatus(10), 2);

  Program first({"--port", "0"});
  const std::string line = first.firstLine(20);
  const std::string port = line.substr(line.rfind(':') + 1);
  Program second({"--port", port});
  EXPECT_THAT(second.allOutput(10), ::testing::HasSubstr("cannot listen on 127.0.0.1:" + port));
  EXPECT_EQ(second.exitStatus(10), 1);
  first.signal(SIGTERM);
  EXPECT_EQ(first.exitStatus(10), 0);
}

}  // namespace
}  // namespace simtest
