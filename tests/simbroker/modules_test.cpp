// The modules with behaviour of their own, through their typed native proxies.
#include "simfixture.h"

#include "qzproxies/qzaudiodeviceproxyremote.h"
#include "qzproxies/qzbatteryproxyremote.h"
#include "qzproxies/qzledsproxyremote.h"
#include "qzproxies/qzmemoryproxyremote.h"
#include "qzproxies/qzmotionproxyremote.h"
#include "qzproxies/qzrobotpostureproxyremote.h"
#include "qzproxies/qzvideodeviceproxyremote.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace simtest {
namespace {

using QZ::QZValue;
using ::testing::FloatNear;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class SimMotion : public SimBrokerTest {
protected:
  QZ::QZMotionProxyRemote motion{"127.0.0.1", broker.port()};
  float headYaw() { return motion.getAngles(QZValue(std::string("HeadYaw")), true).at(0); }
  // True once HeadYaw reads `angle` (within 3 s).
  bool reaches(float angle) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < deadline)
      if (std::fabs(headYaw() - angle) < 1e-3f) return true;
    return false;
  }
};

TEST_F(SimMotion, AnglesMoveOverTimeTowardTheirTargets) {
  motion.setAngles(QZValue(std::string("HeadYaw")), QZValue(1.0f), 0.05f);  // 2.5 s at 5 % speed
  const float early = headYaw();
  EXPECT_GE(early, 0.0f);
  EXPECT_LT(early, 0.5f);
  const Clock::time_point start = Clock::now();
  motion.angleInterpolation(QZValue(std::string("HeadYaw")), QZValue(-0.5f), QZValue(0.3f), true);
  EXPECT_GE(secondsSince(start), 0.25);
  EXPECT_THAT(headYaw(), FloatNear(-0.5f, 1e-3f));
  motion.angleInterpolationWithSpeed(QZValue(std::string("Head")), list({QZValue(0.2f), QZValue(0.1f)}), 1.0f);
  EXPECT_THAT(motion.getAngles(QZValue(std::string("Head")), false),
              ::testing::ElementsAre(FloatNear(0.2f, 1e-3f), FloatNear(0.1f, 1e-3f)));
  motion.changeAngles(QZValue(std::string("HeadYaw")), QZValue(0.3f), 0.5f);  // 75 ms
  EXPECT_TRUE(reaches(0.5f));
  // Targets beyond a joint's range stop at its end.
  motion.angleInterpolationWithSpeed(QZValue(std::string("HeadPitch")), QZValue(3.0f), 1.0f);
  EXPECT_THAT(motion.getAngles(QZValue(std::string("HeadPitch")), true).at(0), FloatNear(0.5f, 1e-3f));
}

TEST_F(SimMotion, StiffnessFollowsWakeUpAndRest) {
  EXPECT_FALSE(motion.robotIsWakeUp());
  motion.wakeUp();
  EXPECT_TRUE(motion.robotIsWakeUp());
  EXPECT_THAT(motion.getStiffnesses(QZValue(std::string("Body"))), ::testing::Each(1.0f));
  motion.setStiffnesses(QZValue(std::string("LArm")), QZValue(0.5f));
  EXPECT_THAT(motion.getStiffnesses(QZValue(std::string("LArm"))), ::testing::Each(0.5f));
  motion.rest();
  EXPECT_FALSE(motion.robotIsWakeUp());
}

TEST_F(SimMotion, TheRobotWalksWhereMoveToSends) {
  motion.moveTo(0.2f, 0.0f, 0.0f);
  EXPECT_THAT(motion.getRobotPosition(false),
              ::testing::ElementsAre(FloatNear(0.2f, 1e-3f), FloatNear(0.0f, 1e-3f), FloatNear(0.0f, 1e-3f)));
  // Targets are in the robot's own frame: after a turn, ahead is the new heading.
  motion.moveTo(0.0f, 0.0f, 0.5f);
  motion.moveTo(0.1f, 0.0f, 0.0f);
  EXPECT_THAT(motion.getRobotPosition(false),
              ::testing::ElementsAre(FloatNear(0.2f + 0.1f * std::cos(0.5f), 1e-3f),
                                     FloatNear(0.1f * std::sin(0.5f), 1e-3f), FloatNear(0.5f, 1e-3f)));
  EXPECT_FALSE(motion.moveIsActive());
}

TEST_F(SimMotion, APostedWalkIsHaltedByStopMove) {
  const int id = motion.post.moveTo(3.0f, 0.0f, 0.0f);  // 8.6 s at walking speed
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
  while (!motion.moveIsActive() && Clock::now() < deadline) {
  }
  ASSERT_TRUE(motion.moveIsActive());
  motion.stopMove();
  EXPECT_TRUE(motion.wait(id, 5000));
  const float x = motion.getRobotPosition(false).at(0);
  EXPECT_GE(x, 0.0f);
  EXPECT_LT(x, 3.0f);
  EXPECT_FALSE(motion.moveIsActive());
}

TEST_F(SimMotion, UnknownJointsAreRefusedWithTheirName) {
  EXPECT_THAT([&] { motion.setAngles(QZValue(std::string("Tail")), QZValue(0.0f), 0.5f); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::StrEq(faultText(
                  "QZMotion", "QZMotion.setAngles: argument 1 (names) names no joint or chain: Tail",
                  "setAngles(object names, object angles, float fractionMaxSpeed) -> void"))));
}

TEST_F(SimMotion, PosturesAreReachedOverTime) {
  QZ::QZRobotPostureProxyRemote posture("127.0.0.1", broker.port());
  EXPECT_EQ(posture.getPostureFamily(), "Unknown");
  EXPECT_TRUE(posture.goToPosture("Crouch", 1.0f));
  EXPECT_EQ(posture.getPostureFamily(), "Crouching");
  EXPECT_THAT(motion.getAngles(QZValue(std::string("LKnee")), true).at(0), FloatNear(2.1f, 1e-3f));
  EXPECT_FALSE(posture.goToPosture("Handstand", 1.0f));
}

class SimVideo : public SimBrokerTest {
protected:
  QZ::QZVideoDeviceProxyRemote video{"127.0.0.1", broker.port()};
};

TEST_F(SimVideo, SubscribedCamerasAnswerFramesOfTheAskedSize) {
  struct Case {
    int resolution, space, width, height, layers;
  };
  for (const Case& c : {Case{0, 0, 160, 120, 1}, Case{1, 11, 320, 240, 3}, Case{2, 9, 640, 480, 2},
                        Case{3, 13, 1280, 960, 3}}) {
    const std::string id = video.subscribeCamera("viewer", 0, c.resolution, c.space, 15);
    const QZValue image = video.getImageRemote(id);
    ASSERT_EQ(image.getSize(), 8u);
    EXPECT_EQ(image[0], QZValue(c.width));
    EXPECT_EQ(image[1], QZValue(c.height));
    EXPECT_EQ(image[2], QZValue(c.layers));
    EXPECT_EQ(image[3], QZValue(c.space));
    ASSERT_EQ(image[6].getType(), QZValue::TypeBinary);
    EXPECT_EQ(image[6].getSize(), static_cast<unsigned>(c.width * c.height * c.layers));
    EXPECT_EQ(image[7], QZValue(0));
    video.unsubscribe(id);
  }
}

TEST_F(SimVideo, ThePatternMovesFromFrameToFrame) {
  const std::string id = video.subscribe("mover", 1, 11, 30);
  const QZValue first = video.getImageRemote(id);
  const QZValue second = video.getImageRemote(id);
  ASSERT_EQ(first[6].getSize(), second[6].getSize());
  EXPECT_NE(first[6], second[6]);
}

TEST_F(SimVideo, NamesAreNumberedAndUnknownOnesRefused) {
  EXPECT_EQ(video.subscribe("twice", 0, 11, 5), "twice");
  EXPECT_EQ(video.subscribe("twice", 0, 11, 5), "twice_2");
  const QZValue both = video.getImagesRemote(video.subscribeCameras(
      "pair", list({QZValue(0), QZValue(1)}), list({QZValue(0), QZValue(1)}), QZValue(11), 5));
  ASSERT_EQ(both.getSize(), 2u);
  EXPECT_EQ(both[1][0], QZValue(320));
  EXPECT_EQ(both[1][7], QZValue(1));
  video.unsubscribeAllInstances("twice");
  EXPECT_THAT([&] { video.getImageRemote("twice_2"); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::HasSubstr(
                  "SOAP error:QZVideoDevice.getImageRemote: argument 1 (name) names no subscriber: twice_2")));
  EXPECT_THROW(video.subscribe("bad", 7, 11, 5), QZ::QZError);
}

TEST_F(SimBrokerTest, AudioBuffersAreTakenAsBinaryOfWholeFrames) {
  QZ::QZAudioDeviceProxyRemote audio("127.0.0.1", broker.port());
  QZ::QZMemoryProxyRemote memory("127.0.0.1", broker.port());
  EXPECT_TRUE(audio.sendRemoteBufferToOutput(1024, binary(std::string(4096, '\x01'))));
  EXPECT_TRUE(audio.sendRemoteBufferToOutput(16, binary(std::string(64, '\x02'))));
  EXPECT_EQ(memory.getData("QZAudioDevice/FramesPlayed"), QZValue(1040));
  EXPECT_THAT([&] { audio.sendRemoteBufferToOutput(10, binary("short")); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::HasSubstr(
                  "argument 2 (pBuffer) holds 5 bytes, but 10 frames of 16-bit stereo are 40 bytes")));
  audio.closeAudioOutputs();
  EXPECT_TRUE(audio.isOutputClosed());
  EXPECT_FALSE(audio.sendRemoteBufferToOutput(1, binary("abcd")));
  audio.setOutputVolume(35);
  EXPECT_EQ(audio.getOutputVolume(), 35);
  EXPECT_THROW(audio.setOutputVolume(101), QZ::QZError);
}

TEST_F(SimBrokerTest, LedsFadeAndKeepTheirState) {
  QZ::QZLedsProxyRemote leds("127.0.0.1", broker.port());
  EXPECT_EQ(leds.listLEDs().size(), 39u);
  const Clock::time_point start = Clock::now();
  leds.fadeRGB("Chest", 0x00FF00, 0.2f);
  EXPECT_GE(secondsSince(start), 0.15);
  EXPECT_EQ(leds.getIntensity("Chest"), QZValue(1.0f));
  leds.off("FaceLeds");
  const QZValue face = leds.getIntensity("FaceLeds");
  ASSERT_EQ(face.getSize(), 16u);
  EXPECT_EQ(face[0], QZValue(0.0f));
  leds.createGroup("Feet", {"LeftFoot", "RightFoot"});
  EXPECT_THAT(leds.listGroup("Feet"), ::testing::ElementsAre("LeftFoot", "RightFoot"));
  EXPECT_THROW(leds.on("Nose"), QZ::QZError);
}

TEST_F(SimBrokerTest, TheBatteryReportsAPlausibleCharge) {
  QZ::QZBatteryProxyRemote battery("127.0.0.1", broker.port());
  const int charge = battery.getBatteryCharge();
  EXPECT_GE(charge, 20);
  EXPECT_LE(charge, 100);
}

}  // namespace
}  // namespace simtest
