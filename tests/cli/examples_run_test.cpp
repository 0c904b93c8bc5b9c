// The examples, run as a newcomer runs them, against the simulated broker.
#include "process.h"

#include <qzsim/broker.h>

#include <png.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

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

// A PNG file read back with libpng: its size and its pixels as RGB bytes.
struct Picture {
  bool read = false;
  unsigned width = 0, height = 0;
  std::vector<unsigned char> rgb;
};

Picture readPng(const std::string& path) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  picture.read = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
  picture.width = image.width;
  picture.height = image.height;
  png_image_free(&image);
  return picture;
}

TEST_F(Examples, HelloRobotWalksThroughEveryStepAndSavesThePicture) {
  clitest::ScratchDir dir;
  const ProcessResult hello = run(HELLO_ROBOT_PATH, dir.path());
  ASSERT_EQ(hello.exitCode, 0) << hello.out << hello.err;
  EXPECT_EQ(hello.err, "");
  for (const char* step : {"ping: the broker answers", "say: finished", "head: now at HeadYaw 0.50, HeadPitch -0.20",
                           "memory: hello_robot/greeting = \"Hello from hello_robot\"",
                           "camera: saved a 320x240 picture to hello_robot.png", "Done."})
    EXPECT_THAT(hello.out, HasSubstr(step));

  // The default picture lands in the current directory, as a PNG that reads back whole.
  const std::string picturePath = dir.path() + "/hello_robot.png";
  EXPECT_EQ(fileBytes(picturePath).substr(0, 8), "\x89PNG\r\n\x1a\n");
  const Picture picture = readPng(picturePath);
  ASSERT_TRUE(picture.read);
  EXPECT_EQ(picture.width, 320u);
  EXPECT_EQ(picture.height, 240u);
  ASSERT_EQ(picture.rgb.size(), 320u * 240u * 3u);
  EXPECT_NE(std::count(picture.rgb.begin(), picture.rgb.end(), picture.rgb[0]),
            static_cast<std::ptrdiff_t>(picture.rgb.size()))
      << "the picture is one flat colour";

  const ProcessResult named = run(HELLO_ROBOT_PATH, dir.path(), {dir.path() + "/frame.png"});
  ASSERT_EQ(named.exitCode, 0) << named.err;
  EXPECT_EQ(readPng(dir.path() + "/frame.png").rgb, picture.rgb);
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
