// hello_robot: a first tour of the library. It connects to a broker (a robot, or the
// simulated broker qzbroker-sim), checks that it answers, says a sentence, turns the
// head, stores a value in the robot's memory and saves a picture from its camera.
//
//   hello_robot [HOST [PORT [IMAGE]]]    defaults: 127.0.0.1 4700 hello_robot.png
//
// Each module of the robot has a proxy class; its methods carry the module's own
// names and wait for the broker's answer. A failure arrives as a System::Exception
// whose Message() says what went wrong.
#include <velantrix/proxies/memoryproxy.h>
#include <velantrix/proxies/motionproxy.h>
#include <velantrix/proxies/texttospeechproxy.h>
#include <velantrix/proxies/videodeviceproxy.h>

#include <png.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <string>
#include <thread>

using System::Collections::ArrayList;
using Velantrix::Proxies::MemoryProxy;
using Velantrix::Proxies::MotionProxy;
using Velantrix::Proxies::TextToSpeechProxy;
using Velantrix::Proxies::VideoDeviceProxy;

namespace {

// Camera settings of QZVideoDevice.subscribe: resolution 1 is 320x240 pixels, colour
// space 11 is RGB (three bytes per pixel).
constexpr int kResolution320x240 = 1;
constexpr int kColorSpaceRGB = 11;
constexpr int kFramesPerSecond = 5;

// Saves RGB pixels, row by row from the top, as a PNG picture (with libpng).
bool savePng(const std::string& path, int width, int height,
             const System::Array<unsigned char>& pixels) {
  png_image picture{};
  picture.version = PNG_IMAGE_VERSION;
  picture.width = static_cast<png_uint_32>(width);
  picture.height = static_cast<png_uint_32>(height);
  picture.format = PNG_FORMAT_RGB;
  const bool saved = png_image_write_to_file(&picture, path.c_str(), 0, pixels.data(),
                                             0 /* rows follow one another */, nullptr) != 0;
  png_image_free(&picture);
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string host = argc > 1 ? argv[1] : "127.0.0.1";
  const int port = argc > 2 ? std::atoi(argv[2]) : 4700;
  const std::string imagePath = argc > 3 ? argv[3] : "hello_robot.png";
  if (port <= 0 || port > 65535 || argc > 4) {
    std::cerr << "usage: hello_robot [HOST [PORT [IMAGE]]]\n";
    return 2;
  }

  try {
    // 1. Connect. Each proxy asks the broker where its module lives; an unknown
    //    module or an unreachable broker makes the constructor throw.
    std::cout << "Connecting to the broker at " << host << ":" << port << "\n";
    TextToSpeechProxy speech(host, port);
    MotionProxy motion(host, port);
    MemoryProxy memory(host, port);
    VideoDeviceProxy camera(host, port);

    // 2. Ping. Every module has ping, version and a few more common methods.
    const bool alive = speech.ping();
    std::cout << "ping: " << (alive ? "the broker answers" : "no answer") << " (broker "
              << speech.getBrokerName() << ", version " << speech.version() << ")\n";

    // 3. Speak. `post` starts a method without waiting and gives a task id; wait(id,
    //    milliseconds) then blocks until the task ends (0 would wait without limit).
    const int task = speech.post.say("Hello! I am a robot, and this is my first program.");
    std::cout << "say: started as task " << task << ", waiting for it to finish\n";
    const bool finished = speech.wait(task, 15000);
    std::cout << "say: " << (finished ? "finished" : "still speaking after 15 s") << "\n";

    // 4. Move the head. Joint names and angles (radians) travel as lists; the last
    //    argument is the fraction of the joints' top speed. setAngles returns at once
    //    and the joints get there over time, so we read them back until they arrive.
    const ArrayList joints{"HeadYaw", "HeadPitch"};
    const float target[] = {0.5f, -0.2f};
    motion.setStiffnesses(System::String("Head"), 1.0f);
    motion.setAngles(joints, ArrayList{target[0], target[1]}, 0.2f);
    std::cout << "head: turning to HeadYaw " << target[0] << ", HeadPitch " << target[1] << "\n";
    MotionProxy::FloatList angles;
    for (int attempt = 0; attempt < 50; ++attempt) {  // at most about 5 s
      angles = motion.getAngles(joints, true);
      if (std::fabs(angles[0] - target[0]) < 0.001f && std::fabs(angles[1] - target[1]) < 0.001f)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::cout << std::fixed << std::setprecision(2) << "head: now at HeadYaw " << angles[0]
              << ", HeadPitch " << angles[1] << "\n";

    // 5. Memory: a key-value store shared by every module and client of the robot.
    memory.insertData("hello_robot/greeting", System::String("Hello from hello_robot"));
    const System::Object stored = memory.getData("hello_robot/greeting");
    std::cout << "memory: hello_robot/greeting = \"" << stored << "\"\n";

    // 6. Camera. Subscribing gives a handle; each getImageRemote returns one image as
    //    a list [width, height, layers, colour space, seconds, microseconds, pixels,
    //    camera], whose pixels arrive as a byte array.
    const System::String handle =
        camera.subscribe("hello_robot", kResolution320x240, kColorSpaceRGB, kFramesPerSecond);
    const ArrayList image = camera.getImageRemote(handle).As<ArrayList>();
    camera.unsubscribe(handle);
    const int width = image[0].Unbox<int>();
    const int height = image[1].Unbox<int>();
    const int layers = image[2].Unbox<int>();
    const auto pixels = image[6].As<System::Array<unsigned char>>();
    if (layers != 3 || pixels.IsNull() || pixels.Length() != width * height * layers) {
      std::cerr << "hello_robot: the camera sent an image of an unexpected form\n";
      return 1;
    }
    if (!savePng(imagePath, width, height, pixels)) {
      std::cerr << "hello_robot: cannot write " << imagePath << "\n";
      return 1;
    }
    std::cout << "camera: saved a " << width << "x" << height << " picture to " << imagePath
              << "\n";

    // 7. Dispose. This closes each proxy's connection; the proxies are not used after.
    camera.Dispose();
    memory.Dispose();
    motion.Dispose();
    speech.Dispose();
    std::cout << "Done.\n";
    return 0;
  } catch (const System::Exception& e) {
    std::cerr << "hello_robot: " << e.Message() << "\n";
    return 1;
  }
}
