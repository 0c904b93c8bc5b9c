#!/usr/bin/env python3
"""hello_robot.py: a first tour of the library from Python. It connects to a broker (a
robot, or the simulated broker qzbroker-sim), checks that it answers, says a sentence,
turns the head, stores a value in the robot's memory and saves a picture from its camera.

    python3 hello_robot.py [HOST [PORT [IMAGE]]]    defaults: 127.0.0.1 4700 hello_robot_python.png

Each module of the robot has a proxy class; its methods carry the module's own names and
wait for the broker's answer. A failure raises qzremote.QZError, whose text says what
went wrong. From a build tree: PYTHONPATH=<build>/python python3 hello_robot.py
"""

import sys
import time

import qzremote
from png_writer import save_png

# Camera settings of QZVideoDevice.subscribe: resolution 1 is 320x240 pixels, colour
# space 11 is RGB (three bytes per pixel).
RESOLUTION_320X240 = 1
COLOR_SPACE_RGB = 11
FRAMES_PER_SECOND = 5


def arrived(angles, target):
    return all(abs(now - goal) < 0.001 for now, goal in zip(angles, target))


def tour(host, port, image_path):
    # 1. Connect. Each proxy asks the broker where its module lives; an unknown module or
    #    an unreachable broker makes the constructor raise. `with` closes each proxy, and
    #    so its connection, when the program leaves the block.
    print(f"Connecting to the broker at {host}:{port}")
    with (qzremote.TextToSpeechProxy(host, port) as speech,
          qzremote.MotionProxy(host, port) as motion,
          qzremote.MemoryProxy(host, port) as memory,
          qzremote.VideoDeviceProxy(host, port) as camera):

        # 2. Ping. Every module has ping, version and a few more common methods.
        alive = speech.ping()
        print(f"ping: {'the broker answers' if alive else 'no answer'} "
              f"(broker {speech.getBrokerName()}, version {speech.version()})")

        # 3. Speak. `post` starts a method without waiting and gives a task id;
        #    wait(id, milliseconds) then blocks until the task ends (0 waits without limit).
        task = speech.post.say("Hello! I am a robot, and this is my first program.")
        print(f"say: started as task {task}, waiting for it to finish")
        finished = speech.wait(task, 15000)
        print(f"say: {'finished' if finished else 'still speaking after 15 s'}")

        # 4. Move the head. Joint names and angles (radians) travel as lists; the last
        #    argument is the fraction of the joints' top speed. setAngles returns at once and
        #    the joints get there over time, so we read them back until they arrive.
        joints = ["HeadYaw", "HeadPitch"]
        target = [0.5, -0.2]
        motion.setStiffnesses("Head", 1.0)
        motion.setAngles(joints, target, 0.2)
        print(f"head: turning to HeadYaw {target[0]}, HeadPitch {target[1]}")
        angles = motion.getAngles(joints, True)
        for _ in range(50):  # about 5 s
            if arrived(angles, target):
                break
            time.sleep(0.1)
            angles = motion.getAngles(joints, True)
        print(f"head: now at HeadYaw {angles[0]:.2f}, HeadPitch {angles[1]:.2f}")

        # 5. Memory: a key-value store shared by every module and client of the robot.
        memory.insertData("hello_robot/greeting", "Hello from hello_robot.py")
        stored = memory.getData("hello_robot/greeting")
        print(f'memory: hello_robot/greeting = "{stored}"')

        # 6. Camera. Subscribing gives a handle; each getImageRemote returns one image as a
        #    list [width, height, layers, colour space, seconds, microseconds, pixels,
        #    camera], whose pixels arrive as bytes.
        handle = camera.subscribe("hello_robot", RESOLUTION_320X240, COLOR_SPACE_RGB,
                                  FRAMES_PER_SECOND)
        image = camera.getImageRemote(handle)
        camera.unsubscribe(handle)
        width, height, layers, pixels = image[0], image[1], image[2], image[6]
        if layers != 3 or not isinstance(pixels, bytes) or len(pixels) != width * height * 3:
            print("hello_robot: the camera sent an image of an unexpected form", file=sys.stderr)
            return 1
        save_png(image_path, width, height, pixels)
        print(f"camera: saved a {width}x{height} picture to {image_path}")

    print("Done.")
    return 0


def main(argv):
    host = argv[1] if len(argv) > 1 else "127.0.0.1"
    port = argv[2] if len(argv) > 2 else "4700"
    image_path = argv[3] if len(argv) > 3 else "hello_robot_python.png"
    if not port.isdigit() or not 0 < int(port) <= 65535 or len(argv) > 4:
        print("usage: hello_robot.py [HOST [PORT [IMAGE]]]", file=sys.stderr)
        return 2
    try:
        return tour(host, int(port), image_path)
    except (qzremote.QZError, OSError) as error:
        print(f"hello_robot: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
