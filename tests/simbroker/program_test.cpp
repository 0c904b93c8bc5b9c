// The qzbroker-sim program: its ready line, its clean stop on SIGTERM, and its
// command line.
#include "brokerprogram.h"

#include "qzremotecall/qzremoteproxy.h"
#include "qzvalue/qzerror.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <regex>
#include <string>

namespace simtest {
namespace {

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

TEST(SimProgram, TakesAConnectionLimit) {
  Program help({"--help"});
  EXPECT_THAT(help.allOutput(10), ::testing::HasSubstr("--max-connections N"));
  EXPECT_EQ(help.exitStatus(10), 0);
  for (const char* bad : {"0", "-3", "many", "2x"}) {
    Program refused({"--max-connections", bad});
    EXPECT_THAT(refused.allOutput(10),
                ::testing::HasSubstr(std::string("qzbroker-sim: not a connection count: ") + bad));
    EXPECT_EQ(refused.exitStatus(10), 2);
  }

  Program program({"--port", "0", "--max-connections", "2"});
  const int port = program.listeningPort(20);
  ASSERT_GT(port, 0);
  QZ::QZProxyRemote first("QZMemory", "127.0.0.1", port, 0, 0);
  QZ::QZProxyRemote second("QZMemory", "127.0.0.1", port, 0, 0);
  EXPECT_THROW(QZ::QZProxyRemote("QZMemory", "127.0.0.1", port, 0, 0), QZ::QZNetworkError);
  EXPECT_TRUE(first.callRemote<bool>("ping"));
  EXPECT_TRUE(second.callRemote<bool>("ping"));
  program.signal(SIGTERM);
  EXPECT_EQ(program.exitStatus(10), 0);
}

}  // namespace
}  // namespace simtest
