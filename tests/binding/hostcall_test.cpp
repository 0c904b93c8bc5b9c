// A host proxy written exactly as the generated ones are, over a native stand-in.
#include <velantrix/proxies/detail/hostcall.h>

#include <qzvalue/qzerror.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <typeinfo>

using QZ::QZValue;
using System::Object;
using System::String;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
using namespace Velantrix::Proxies::detail;

namespace {

struct Counters {
  int constructed = 0;
  int released = 0;
  std::string lastCall;
};
Counters counters;

class NativeMotion {
public:
  NativeMotion(std::string pIP, int pPort) {
    if (pIP != "127.0.0.1") {
      throw QZ::QZNetworkError("QZMotion", "getModuleByName",
                               "module not found at " + pIP + ":" + std::to_string(pPort),
                               __FILE__, __LINE__);
    }
    post.fParent = this;
    ++counters.constructed;
  }
  ~NativeMotion() { ++counters.released; }

  std::string version() const { return std::string("1.2\0hidden", 10); }
  std::vector<std::string> getMethodList() const { return {std::string("a\0b", 3), "\xC3\xA9"}; }
  QZValue getMethodHelp(const std::string& name) const {
    return QZValue(std::vector<std::string>{name});
  }
  float getAngle(const std::string&) const { return 0.5f; }
  std::vector<float> getAngles(const std::vector<std::string>& names) const {
    return std::vector<float>(names.size(), 1.0f);
  }
  bool ping() const { return true; }
  void say(const std::string& text) { counters.lastCall = "say(" + text + ")"; }
  void say(const std::string& text, const int& volume) {
    counters.lastCall = "say(" + text + "," + std::to_string(volume) + ")";
  }
  void insert(const QZValue& value, const std::string& key) {
    counters.lastCall = value.toString(0) + key;
  }
  void fail(const std::string& text) { throw std::runtime_error(text); }
  void exhaust() { throw std::bad_alloc(); }
  void raiseInt() { throw 42; }

  struct PostHandler {
    NativeMotion* fParent = nullptr;
    int say(const std::string& text) {
      counters.lastCall = "post say(" + text + ")";
      return 1234;
    }
  } post;
};

class MotionProxy : public System::IDisposable {
public:
  class PostHelper {
  public:
    explicit PostHelper(NativeRef<NativeMotion> proxy) : fMotion(std::move(proxy)) {}
    int say(const String& text) {
      return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(post.say), text);
    }

  private:
    NativeRef<NativeMotion> fMotion;
  };

  MotionProxy(const String& pIP, int pPort)
      : fMotion(DisposableNative<NativeMotion>::create("MotionProxy", pIP, pPort)), post(fMotion) {}

  String version() { return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(version)); }
  StringList getMethodList() { return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(getMethodList)); }
  Object getMethodHelp(const String& name) {
    return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(getMethodHelp), name);
  }
  float getAngle(const String& name) {
    return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(getAngle), name);
  }
  FloatList getAngles(const StringList& names) {
    return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(getAngles), names);
  }
  bool ping() { return hostCall(fMotion, VELANTRIX_NATIVE_METHOD(ping)); }
  void say(const String& text) { hostCall(fMotion, VELANTRIX_NATIVE_METHOD(say), text); }
  void say(const String& text, int volume) {
    hostCall(fMotion, VELANTRIX_NATIVE_METHOD(say), text, volume);
  }
  void insert(const Object& value, const String& key) {
    hostCall(fMotion, VELANTRIX_NATIVE_METHOD(insert), value, key);
  }
  void fail(const String& text) { hostCall(fMotion, VELANTRIX_NATIVE_METHOD(fail), text); }
  void exhaust() { hostCall(fMotion, VELANTRIX_NATIVE_METHOD(exhaust)); }
  void raiseInt() { hostCall(fMotion, VELANTRIX_NATIVE_METHOD(raiseInt)); }

  void Dispose() override {
    Dispose(true);
    System::GC::SuppressFinalize(this);
  }

protected:
  virtual void Dispose(bool disposing) {
    if (disposing) fMotion.Dispose();
  }

private:
  DisposableNative<NativeMotion> fMotion;

public:
  PostHelper post;
};

class HostCall : public ::testing::Test {
protected:
  void SetUp() override { counters = Counters(); }
};

}  // namespace

TEST_F(HostCall, ConstructionFailuresLeaveNothingNative) {
  EXPECT_THROW(MotionProxy(String(), 4700), System::ArgumentNullException);
  try {
    MotionProxy("nao.local.", 4700);
    FAIL() << "construction succeeded";
  } catch (const System::Exception& error) {
    EXPECT_EQ(typeid(error), typeid(System::Exception));
    EXPECT_STREQ(error.what(),
                 "\tQZMotion::getModuleByName\n\tmodule not found at nao.local.:4700");
  }
  EXPECT_EQ(counters.constructed, 0);
}

TEST_F(HostCall, ResultsConvertByHostType) {
  MotionProxy motion("127.0.0.1", 4700);
  EXPECT_EQ(motion.version(), "1.2");  // a typed string stops at its first NUL
  const StringList methods = motion.getMethodList();
  ASSERT_EQ(methods.Count(), 2);
  EXPECT_EQ(methods[0], String(std::u16string(u"a\0b", 3)));  // list elements are read whole
  EXPECT_EQ(methods[1], u"\u00e9");
  EXPECT_EQ(motion.getMethodHelp("x").As<System::Collections::ArrayList>()[0].As<String>(), "x");
  EXPECT_EQ(motion.getAngle("HeadYaw"), 0.5f);
  EXPECT_EQ(motion.getAngles({"a", "b"}).Count(), 2);
  EXPECT_TRUE(motion.ping());
  motion.say("hi");
  EXPECT_EQ(counters.lastCall, "say(hi)");
  motion.say("hi", 80);
  EXPECT_EQ(counters.lastCall, "say(hi,80)");
  EXPECT_EQ(motion.post.say("later"), 1234);  // the task id, unchanged
  EXPECT_EQ(counters.lastCall, "post say(later)");
}

TEST_F(HostCall, NativeErrorsBecomePlainHostExceptions) {
  MotionProxy motion("127.0.0.1", 4700);
  EXPECT_THAT([&] { motion.fail("caf\xC3\xA9 \xFF"); },
              ThrowsMessage<System::Exception>(StrEq("caf\xC3\xA9 \xEF\xBF\xBD")));
  EXPECT_THAT([&] { motion.fail(std::string("cut\0here", 8)); },
              ThrowsMessage<System::Exception>(StrEq("cut")));
  try {
    motion.exhaust();
    FAIL() << "no exception";
  } catch (const System::Exception& error) {
    EXPECT_EQ(typeid(error), typeid(System::Exception));
    EXPECT_STREQ(error.what(), std::bad_alloc().what());
  }
  EXPECT_THROW(motion.raiseInt(), int);  // not a standard exception: not translated
}

TEST_F(HostCall, HostErrorsPassUnchangedInArgumentOrder) {
  MotionProxy motion("127.0.0.1", 4700);
  EXPECT_THROW(motion.say(String()), System::ArgumentNullException);
  EXPECT_THROW(motion.getAngles(nullptr), System::NullReferenceException);
  // Both arguments are null: the first one converted, in declared order, reports.
  EXPECT_THROW(motion.insert(nullptr, String()), System::NullReferenceException);
  EXPECT_EQ(counters.lastCall, "");
}

TEST_F(HostCall, DisposeReleasesOnceAndLaterUseIsRefused) {
  MotionProxy motion("127.0.0.1", 4700);
  motion.Dispose();
  motion.Dispose();
  EXPECT_EQ(counters.released, 1);
  EXPECT_THAT([&] { motion.ping(); },
              ThrowsMessage<System::ObjectDisposedException>(
                  StrEq("Cannot access a disposed object: MotionProxy")));
  EXPECT_THROW(motion.post.say("x"), System::ObjectDisposedException);
  EXPECT_THROW(motion.say(String()), System::ObjectDisposedException);
  EXPECT_EQ(counters.lastCall, "");
}

TEST_F(HostCall, AnUndisposedProxyReleasesOnDestructionAndItsPostHelperSeesIt) {
  std::unique_ptr<MotionProxy::PostHelper> orphan;
  {
    MotionProxy motion("127.0.0.1", 4700);
    orphan = std::make_unique<MotionProxy::PostHelper>(motion.post);
  }
  EXPECT_EQ(counters.released, 1);
  EXPECT_THROW(orphan->say("x"), System::ObjectDisposedException);
}

TEST_F(HostCall, AFactoryOwnerConvertsInItsOwnOrderUnderTheTranslation) {
  const auto open = [](const String& moduleName, const String& ip) {
    return DisposableNative<NativeMotion>("Proxy", [&] {
      const std::string nativeIp = toNative(ip);  // the address first, then the name
      const std::string nativeName = toNative(moduleName);
      return std::make_unique<NativeMotion>(nativeIp, static_cast<int>(nativeName.size()));
    });
  };
  EXPECT_THROW(open(String(), nullptr), System::ArgumentNullException);
  EXPECT_THAT([&] { open("QZMotion", "10.0.0.1"); },
              ThrowsMessage<System::Exception>(
                  StrEq("\tQZMotion::getModuleByName\n\tmodule not found at 10.0.0.1:8")));
  EXPECT_EQ(counters.constructed, 0);
  DisposableNative<NativeMotion> owner = open("QZMotion", "127.0.0.1");
  EXPECT_EQ(hostCall(owner, VELANTRIX_NATIVE_METHOD(version)), "1.2");
}
