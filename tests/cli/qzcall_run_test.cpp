// The qzcall program against the simulated broker: what a user types, what comes out,
// and with which exit status.
#include "process.h"

#include <qzsim/broker.h>

#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

using clitest::ProcessResult;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

class Qzcall : public ::testing::Test {
protected:
  static void SetUpTestSuite() { broker = std::make_unique<qzsim::Broker>("127.0.0.1", 0); }
  static void TearDownTestSuite() { broker.reset(); }

  // qzcall with the broker's port, then `args`.
  static ProcessResult qzcall(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"--port", std::to_string(broker->port())};
    argv.insert(argv.end(), args.begin(), args.end());
    return qzcallRaw(argv);
  }
  static ProcessResult qzcallRaw(std::vector<std::string> args) {
    args.insert(args.begin(), QZCALL_PATH);
    return clitest::runProcess(args);
  }

  static std::unique_ptr<qzsim::Broker> broker;
};

std::unique_ptr<qzsim::Broker> Qzcall::broker;

TEST_F(Qzcall, ValuesStoredInTheMemoryComeBackAsTheSameJson) {
  const std::string bigBinary = R"({"base64":")" + std::string(80000, 'A') + R"("})";
  const std::vector<std::string> values = {
      R"([1,[2.5,["deep",true,false]],[],-2147483648])",
      R"("é 日本 🎉 tab\t quote\" \u0001\u001f\u007f end")",
      R"({"base64":"AAEC/w=="})",
      R"([{"base64":"QUJD"},{"string_base64":"/w=="},0.1,3.0])",
      R"([{"float":"nan"},{"float":"inf"},{"float":"-inf"},-0.5])",
      bigBinary,
  };
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string key = "\"cli/value" + std::to_string(i) + "\"";
    const ProcessResult stored = qzcall({"QZMemory", "insertData", key, values[i]});
    ASSERT_EQ(stored.exitCode, 0) << stored.err;
    EXPECT_EQ(stored.out, "null\n");

    const ProcessResult read = qzcall({"QZMemory", "getData", key});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, nlohmann::json::parse(values[i]).dump() + "\n") << "value " << i;
  }
}

// The first thing a new user types: a bare host name is otherwise looked up over mDNS.
TEST_F(Qzcall, LocalhostReachesTheBrokerOnTheLoopbackAddress) {
  for (const char* host : {"localhost", "LocalHost"}) {
    const ProcessResult pinged = qzcall({"--host", host, "QZMotion", "ping"});
    EXPECT_EQ(pinged.exitCode, 0) << host << ": " << pinged.err;
    EXPECT_EQ(pinged.out, "true\n") << host;
  }
}

TEST_F(Qzcall, PostPrintsTheTaskIdThatWaitTakes) {
  const ProcessResult posted = qzcall({"--post", "QZTextToSpeech", "say", R"("Hello")"});
  ASSERT_EQ(posted.exitCode, 0) << posted.err;
  ASSERT_THAT(posted.out, MatchesRegex("[0-9]+\n"));

  const std::string id = posted.out.substr(0, posted.out.size() - 1);
  const ProcessResult waited = qzcall({"QZTextToSpeech", "wait", id, "10000"});
  ASSERT_EQ(waited.exitCode, 0) << waited.err;
  EXPECT_EQ(waited.out, "true\n");
}

TEST_F(Qzcall, ListPrintsSignaturesFromTheCatalogue) {
  const ProcessResult motion = qzcallRaw({"--list", "QZMotion"});
  ASSERT_EQ(motion.exitCode, 0);
  EXPECT_THAT(motion.out, StartsWith("angleInterpolation(object names, object angleLists, "
                                     "object timeLists, bool isAbsolute) -> void\n"));
  EXPECT_THAT(motion.out, HasSubstr("\ngetAngles(object names, bool useSensors) -> list of floats\n"));
  EXPECT_THAT(motion.out, HasSubstr("\nping() -> bool\n"));

  const ProcessResult modules = qzcallRaw({"--list"});
  EXPECT_EQ(modules.exitCode, 0);
  EXPECT_THAT(modules.out, HasSubstr("\nDCM "));

  const ProcessResult unknown = qzcallRaw({"--list", "QZNoSuchModule"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_THAT(unknown.err, HasSubstr("QZNoSuchModule is not a module of the catalogue"));
}

TEST_F(Qzcall, FailedCallsExitWithOneAndTheErrorText) {
  const ProcessResult module = qzcall({"QZNoSuchModule", "ping"});
  EXPECT_EQ(module.exitCode, 1);
  EXPECT_EQ(module.out, "");
  EXPECT_THAT(module.err, HasSubstr("failed to get module QZNoSuchModule"));

  const ProcessResult method = qzcall({"QZMemory", "noSuchMethod"});
  EXPECT_EQ(method.exitCode, 1);
  EXPECT_THAT(method.err, HasSubstr("QZMemory.noSuchMethod on 127.0.0.1:"));
  EXPECT_THAT(method.err, HasSubstr("SOAP error:"));
}

// --timeout bounds the whole call: a say of 100 bytes speaks for two seconds.
TEST_F(Qzcall, TheTimeoutCutsTheWholeCall) {
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult cut = qzcall({"--timeout", "0.3", "QZTextToSpeech", "say", "\"" + std::string(100, 'a') + "\""});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1800));
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_THAT(cut.err, HasSubstr("\tQZTextToSpeech::say\n\ttimed out after 300 ms waiting for http://127.0.0.1:"));
  EXPECT_EQ(qzcall({"--timeout", "5", "QZTextToSpeech", "say", R"("Hi")"}).exitCode, 0);
}

TEST_F(Qzcall, WrongCommandLinesExitWithTwoBeforeAnyCall) {
  const ProcessResult json = qzcall({"QZMemory", "insertData", R"("k")", "[1,"});
  EXPECT_EQ(json.exitCode, 2);
  EXPECT_THAT(json.err, HasSubstr("argument 2 ([1,)"));

  const ProcessResult bare = qzcall({"QZTextToSpeech", "say", "Hello"});
  EXPECT_EQ(bare.exitCode, 2);
  EXPECT_THAT(bare.err, HasSubstr("'\"Hello\"'"));

  EXPECT_EQ(qzcall({"QZMemory", "getData", "4294967296"}).exitCode, 2);
  EXPECT_EQ(qzcallRaw({"--port", "x", "QZMemory", "ping"}).exitCode, 2);
  EXPECT_EQ(qzcallRaw({"QZMemory"}).exitCode, 2);

  const ProcessResult help = qzcallRaw({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.out, StartsWith("usage: qzcall"));
}

}  // namespace
