// HelloRobot: a first tour of the library from C#. It connects to a broker (a robot, or
// the simulated broker qzbroker-sim), checks that it answers, says a sentence, turns the
// head, stores a value in the robot's memory and saves a picture from its camera.
//
//   dotnet run --project examples/dotnet/HelloRobot -- [HOST [PORT [IMAGE]]]
//   defaults: 127.0.0.1 4700 hello_robot_dotnet.png
//
// Each module of the robot has a proxy class; its methods carry the module's own names
// and wait for the broker's answer. A failure arrives as a System.Exception whose
// Message says what went wrong.
using System.Collections;
using System.Globalization;
using HelloRobot;
using Velantrix.Proxies;

string host = args.Length > 0 ? args[0] : "127.0.0.1";
int port = args.Length > 1 && int.TryParse(args[1], out int given) ? given : 4700;
string imagePath = args.Length > 2 ? args[2] : "hello_robot_dotnet.png";
if (port <= 0 || port > 65535 || args.Length > 3)
{
    Console.Error.WriteLine("usage: HelloRobot [HOST [PORT [IMAGE]]]");
    return 2;
}

// Camera settings of QZVideoDevice.subscribe: resolution 1 is 320x240 pixels, colour
// space 11 is RGB (three bytes per pixel).
const int Resolution320x240 = 1;
const int ColorSpaceRGB = 11;
const int FramesPerSecond = 5;

try
{
    // 1. Connect. Each proxy asks the broker where its module lives; an unknown module
    //    or an unreachable broker makes the constructor throw. `using` disposes of each
    //    proxy, closing its connection, when the program leaves this block.
    Console.WriteLine($"Connecting to the broker at {host}:{port}");
    using var speech = new TextToSpeechProxy(host, port);
    using var motion = new MotionProxy(host, port);
    using var memory = new MemoryProxy(host, port);
    using var camera = new VideoDeviceProxy(host, port);

    // 2. Ping. Every module has ping, version and a few more common methods.
    bool alive = speech.ping();
    Console.WriteLine($"ping: {(alive ? "the broker answers" : "no answer")} " +
                      $"(broker {speech.getBrokerName()}, version {speech.version()})");

    // 3. Speak. `post` starts a method without waiting and gives a task id;
    //    wait(id, milliseconds) then blocks until the task ends (0 waits without limit).
    int task = speech.post.say("Hello! I am a robot, and this is my first program.");
    Console.WriteLine($"say: started as task {task}, waiting for it to finish");
    bool finished = speech.wait(task, 15000);
    Console.WriteLine($"say: {(finished ? "finished" : "still speaking after 15 s")}");

    // 4. Move the head. Joint names and angles (radians) travel as lists; the last
    //    argument is the fraction of the joints' top speed. setAngles returns at once and
    //    the joints get there over time, so we read them back until they arrive.
    var joints = new ArrayList { "HeadYaw", "HeadPitch" };
    float[] target = [0.5f, -0.2f];
    motion.setStiffnesses("Head", 1.0f);
    motion.setAngles(joints, new ArrayList { target[0], target[1] }, 0.2f);
    Console.WriteLine($"head: turning to HeadYaw {target[0]}, HeadPitch {target[1]}");
    List<float> angles = motion.getAngles(joints, true);
    for (int attempt = 0; attempt < 50 && !Arrived(angles, target); attempt++)  // about 5 s
    {
        Thread.Sleep(100);
        angles = motion.getAngles(joints, true);
    }
    Console.WriteLine(string.Format(CultureInfo.InvariantCulture,
                                    "head: now at HeadYaw {0:F2}, HeadPitch {1:F2}", angles[0], angles[1]));

    // 5. Memory: a key-value store shared by every module and client of the robot.
    memory.insertData("hello_robot/greeting", "Hello from HelloRobot");
    object stored = memory.getData("hello_robot/greeting");
    Console.WriteLine($"memory: hello_robot/greeting = \"{stored}\"");

    // 6. Camera. Subscribing gives a handle; each getImageRemote returns one image as a
    //    list [width, height, layers, colour space, seconds, microseconds, pixels,
    //    camera], whose pixels arrive as a byte array.
    string handle = camera.subscribe("hello_robot", Resolution320x240, ColorSpaceRGB, FramesPerSecond);
    var image = (ArrayList)camera.getImageRemote(handle);
    camera.unsubscribe(handle);
    int width = (int)image[0]!, height = (int)image[1]!, layers = (int)image[2]!;
    if (layers != 3 || image[6] is not byte[] pixels || pixels.Length != width * height * layers)
    {
        Console.Error.WriteLine("HelloRobot: the camera sent an image of an unexpected form");
        return 1;
    }
    PngWriter.Save(imagePath, width, height, pixels);
    Console.WriteLine($"camera: saved a {width}x{height} picture to {imagePath}");

    Console.WriteLine("Done.");
    return 0;
}
catch (Exception e)
{
    Console.Error.WriteLine($"HelloRobot: {e.Message}");
    return 1;
}

static bool Arrived(List<float> angles, float[] target) =>
    Math.Abs(angles[0] - target[0]) < 0.001f && Math.Abs(angles[1] - target[1]) < 0.001f;
