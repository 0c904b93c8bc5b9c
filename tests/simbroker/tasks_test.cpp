// Posted calls: the task id comes back at once, and wait, isRunning and stop follow
// the task; a posted say is waited on and another one stopped.
#include "simfixture.h"

#include "qzproxies/qzmemoryproxyremote.h"
#include "qzproxies/qztexttospeechproxyremote.h"
#include "taskcontrol.h"

#include <chrono>
#include <thread>

namespace simtest {
namespace {

using QZ::QZValue;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class SimTasks : public SimBrokerTest {
protected:
  QZ::QZTextToSpeechProxyRemote tts{"127.0.0.1", broker.port()};
  QZ::QZMemoryProxyRemote memory{"127.0.0.1", broker.port()};

  // True once the memory shows that `sentence` is being said (within 5 s).
  bool sentenceBegun(const std::string& sentence) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
      try {
        if (memory.getData("QZTextToSpeech/CurrentSentence") == QZValue(sentence)) return true;
      } catch (const QZ::QZError&) {
        // nothing said yet
      }
    }
    return false;
  }
};

TEST_F(SimTasks, APostedSayAnswersAtOnceAndIsWaitedOn) {
  const std::string sentence = "Hello, I am the simulated robot.";  // 32 bytes: 640 ms
  const Clock::time_point start = Clock::now();
  const int id = tts.post.say(sentence);
  EXPECT_LT(secondsSince(start), 0.4);
  EXPECT_GT(id, 0);
  EXPECT_TRUE(tts.isRunning(id));
  EXPECT_TRUE(tts.wait(id, 0));
  EXPECT_GE(secondsSince(start), 0.6);
  EXPECT_FALSE(tts.isRunning(id));
  EXPECT_EQ(memory.getData("QZTextToSpeech/CurrentSentence"), QZValue(sentence));
  EXPECT_EQ(memory.getData("QZTextToSpeech/TextDone"), QZValue(1));
  EXPECT_EQ(memory.getData("QZTextToSpeech/TextInterrupted"), QZValue(0));
}

TEST_F(SimTasks, AStoppedSayEndsAtOnce) {
  const int id = tts.post.say(std::string(400, 'a'));  // 8 s unless stopped
  EXPECT_FALSE(tts.wait(id, 50));
  const Clock::time_point start = Clock::now();
  tts.stop(id);
  EXPECT_TRUE(tts.wait(id, 5000));
  EXPECT_LT(secondsSince(start), 1.0);
  EXPECT_FALSE(tts.isRunning(id));
  EXPECT_EQ(memory.getData("QZTextToSpeech/TextInterrupted"), QZValue(1));
}

TEST_F(SimTasks, StopAllEndsEverySayInProgress) {
  QZ::QZTextToSpeechProxyRemote speaker("127.0.0.1", broker.port());
  const std::string first(400, 'b'), second(400, 'c');
  std::thread talking([&] { speaker.say(first); });
  ASSERT_TRUE(sentenceBegun(first));
  const int posted = tts.post.say(second);
  ASSERT_TRUE(sentenceBegun(second));
  const Clock::time_point start = Clock::now();
  tts.stopAll();
  talking.join();
  EXPECT_TRUE(tts.wait(posted, 5000));
  EXPECT_LT(secondsSince(start), 2.0);
}

TEST_F(SimTasks, UnknownIdsHaveFinishedAndWaitRefusesANegativeTimeOut) {
  EXPECT_FALSE(tts.isRunning(987654));
  EXPECT_TRUE(tts.wait(987654, 0));
  tts.stop(987654);
  EXPECT_THAT([&] { tts.wait(1, -5); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::StrEq(faultText(
                  "QZTextToSpeech",
                  "QZTextToSpeech.wait: argument 2 (timeoutPeriod) must be 0 (no limit) or a number of milliseconds",
                  "wait(int id, int timeoutPeriod) -> bool"))));
}

TEST_F(SimTasks, APostedCallOfNoFormIsRefusedAtOnce) {
  auto p = proxy("QZTextToSpeech");
  QZValue id;
  EXPECT_THAT([&] { p->genericPost("fly", QZValue(), id); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::HasSubstr(
                  "SOAP error:QZTextToSpeech has no method named fly")));
  EXPECT_THAT([&] { p->genericPost("say", list({QZValue(1)}), id); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::HasSubstr(
                  "SOAP error:QZTextToSpeech.say: argument 1 (stringToSay) must be string, not Int")));
}

TEST(SimTaskBound, PostedCallsBeyondTheBoundAreRefused) {
  qzsim::BrokerLimits limits;
  limits.maxTasks = 2;
  qzsim::Broker broker("127.0.0.1", 0, limits);
  QZ::QZTextToSpeechProxyRemote tts("127.0.0.1", broker.port());
  const int first = tts.post.say(std::string(400, 'a'));
  tts.post.say(std::string(400, 'a'));
  EXPECT_THAT([&] { tts.post.say("one more"); },
              ::testing::ThrowsMessage<QZ::QZError>(::testing::HasSubstr(
                  "SOAP error:QZTextToSpeech.say: too many posted calls running")));
  tts.stopAll();
  EXPECT_TRUE(tts.wait(first, 5000));
}

// A posted call whose thread had not yet begun when its activity was stopped is
// stopped as it begins; calls asked after the stop run.
TEST(SimTaskStop, CallsAskedBeforeAStopAreStoppedWhenTheyJoinLate) {
  qzsim::ActivitySet speaking;
  qzsim::TaskControl asked;
  speaking.stopAll();
  qzsim::TaskControl askedAfter;
  {
    qzsim::ActivitySet::Entry late(speaking, asked);
    qzsim::ActivitySet::Entry later(speaking, askedAfter);
    EXPECT_TRUE(asked.stopRequested());
    EXPECT_FALSE(askedAfter.stopRequested());
  }
  // A call replacing the activity stops what was asked before it, not itself.
  qzsim::ActivitySet moves;
  qzsim::TaskControl older, newer;
  moves.stopAllBefore(newer);
  qzsim::ActivitySet::Entry replacing(moves, newer);
  qzsim::ActivitySet::Entry replaced(moves, older);
  EXPECT_FALSE(newer.stopRequested());
  EXPECT_TRUE(older.stopRequested());
}

TEST(SimTaskShutdown, StoppingTheBrokerEndsRunningTasksAndCalls) {
  auto broker = std::make_unique<qzsim::Broker>();
  QZ::QZTextToSpeechProxyRemote tts("127.0.0.1", broker->port());
  QZ::QZTextToSpeechProxyRemote speaker("127.0.0.1", broker->port());
  tts.post.say(std::string(400, 'a'));
  std::thread talking([&] {
    try {
      speaker.say(std::string(400, 'b'));
    } catch (const QZ::QZError&) {
      // the broker may close the connection before it answers
    }
  });
  EXPECT_TRUE(tts.ping());  // the posted say is running, the broker still answers
  const Clock::time_point start = Clock::now();
  broker->stop();
  talking.join();
  EXPECT_LT(secondsSince(start), 2.0);
}

}  // namespace
}  // namespace simtest
