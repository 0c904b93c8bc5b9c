// The examples, run as a newcomer runs them, against the simulated broker.
#include "process.h"

#include <qzsim/broker.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

using clitest::ProcessResult;
using ::testing::HasSubstr;

class Examples : public ::testing::Test {
protected:
  static void SetUpTestSuite() { broker = std::make_unique<qzsim::Broker>("127.0.0.1", 0); }
  static void TearDownTestSuite() { broker.reset(); }

  static ProcessResult run(const char* program, const std::string& workdir,
                           std::vector<std::string> more = {}) {
    std::vector<std::string> argv{program, "127.0.0.1", std::to_string(broker->port())};
    argv.insert(argv.end(), more.begin(), more.end());
    return clitest::runProcess(argv, std::chrono::seconds(60), workdir);
  }

  static std::unique_ptr<qzsim::Broker> broker;
};

std::unique_ptr<qzsim::Broker> Examples::broker;

std::string fileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST_F(Examples, HelloRobotWalksThroughEveryStepAndSavesThePicture) {
  clitest::ScratchDir dir;
  const ProcessResult hello = run(HELLO_ROBOT_PATH, dir.path());
  ASSERT_EQ(hello.exitCode, 0) << hello.out << hello.err;
  EXPECT_EQ(hello.err, "");
  for (const char* step : {"ping: the broker answers", "say: finished", "head: now at HeadYaw 0.50, HeadPitch -0.20",
                           "memory: hello_robot/greeting = \"Hello from hello_robot\"",
                           "camera: saved a 320x240 picture to hello_robot.ppm", "Done."})
    EXPECT_THAT(hello.out, HasSubstr(step));

  // The default picture lands in the current directory, as a complete binary PPM.
  const std::string header = "P6\n320 240\n255\n";
  const std::string picture = fileBytes(dir.path() + "/hello_robot.ppm");
  EXPECT_EQ(picture.substr(0, header.size()), header);
  EXPECT_EQ(picture.size(), header.size() + 320 * 240 * 3);
  EXPECT_NE(picture.find_first_not_of(picture[header.size()], header.size()), std::string::npos)
      << "the picture is one flat colour";

  const ProcessResult named = run(HELLO_ROBOT_PATH, dir.path(), {dir.path() + "/frame.ppm"});
  ASSERT_EQ(named.exitCode, 0) << named.err;
  EXPECT_EQ(fileBytes(dir.path() + "/frame.ppm").size(), picture.size());
}

TEST_F(Examples, UntypedProxyAndErrorHandlingRunToTheEnd) {
  clitest::ScratchDir dir;
  const ProcessResult untyped = run(UNTYPED_PROXY_PATH, dir.path());
  ASSERT_EQ(untyped.exitCode, 0) << untyped.out << untyped.err;
  EXPECT_THAT(untyped.out, HasSubstr("getData(\"untyped/answer\") = 42\n"));
  EXPECT_THAT(untyped.out, HasSubstr(", finished: True\n"));

  const ProcessResult errors = run(ERROR_HANDLING_PATH, dir.path());
  ASSERT_EQ(errors.exitCode, 0) << errors.out << errors.err;
  EXPECT_THAT(errors.out, HasSubstr("failed to get module QZNoSuchModule"));
  EXPECT_THAT(errors.out, HasSubstr("ObjectDisposedException: "));
  EXPECT_THAT(errors.out, HasSubstr("still answers: ping = true"));
}

TEST_F(Examples, HelloRobotReportsAnAbsentBroker) {
  clitest::ScratchDir dir;
  // A port that was just free: nobody listens there.
  qzsim::Broker gone("127.0.0.1", 0);
  const std::string port = std::to_string(gone.port());
  gone.stop();
  const ProcessResult hello =
      clitest::runProcess({HELLO_ROBOT_PATH, "127.0.0.1", port}, std::chrono::seconds(60), dir.path());
  EXPECT_EQ(hello.exitCode, 1);
  EXPECT_THAT(hello.err, HasSubstr("hello_robot: "));
}

}  // namespace
