// Every form of every module of the catalogue, called once through the untyped proxy
// with arguments of the declared kinds, and every form without result posted once:
// each answers a value its result type's converter takes (nothing for void forms),
// and each posted call finishes.
#include "simfixture.h"

#include "catalogue_table.h"

#include "qzvalue/detail/qzfunctorconvert.h"

#include <functional>
#include <map>

namespace simtest {
namespace {

using QZ::QZValue;
using qzsim::MethodForm;
using qzsim::ModuleRow;
using qzsim::ParamType;
using qzsim::ResultType;

// The string every argument of a module gets, where the module checks its names.
const std::map<std::string, std::string> kModuleStrings = {
    {"QZMemory", "sweep"}, {"QZVideoDevice", "sweep"}, {"QZLeds", "Chest"}};

QZValue floats(std::vector<float> values) { return QZValue(values); }
QZValue texts(std::vector<std::string> values) { return QZValue(values); }

// Whole argument lists for the forms whose checks want more than kinds.
const std::map<std::string, std::function<QZValue()>> kArguments = {
    {"*.getMethodHelp(string)", [] { return list({QZValue(std::string("ping"))}); }},
    {"*.getUsage(string)", [] { return list({QZValue(std::string("ping"))}); }},
    {"QZMemory.getListData(object)", [] { return list({texts({"sweep"})}); }},
    {"QZMemory.insertListData(object)", [] { return list({list({list({QZValue(std::string("sweep")), QZValue(1)})})}); }},
    {"QZTextToSpeech.getLanguageEncoding(string)", [] { return list({QZValue(std::string("English"))}); }},
    {"QZTextToSpeech.setLanguage(string)", [] { return list({QZValue(std::string("English"))}); }},
    {"QZTextToSpeech.setVoice(string)", [] { return list({QZValue(std::string("Emma"))}); }},
    {"QZTextToSpeech.getParameter(string)", [] { return list({QZValue(std::string("speed"))}); }},
    {"QZTextToSpeech.setParameter(string,float)", [] { return list({QZValue(std::string("speed")), QZValue(100.0f)}); }},
    {"QZMotion.angleInterpolation(object,object,object,bool)",
     [] { return list({QZValue(std::string("HeadYaw")), QZValue(0.1f), QZValue(0.05f), QZValue(true)}); }},
    {"QZMotion.angleInterpolationBezier(list of strings,object,object)",
     [] { return list({texts({"HeadYaw"}), floats({0.05f}), list({list({QZValue(0.1f)})})}); }},
    {"QZMotion.angleInterpolationWithSpeed(object,object,float)",
     [] { return list({QZValue(std::string("HeadPitch")), QZValue(0.1f), QZValue(1.0f)}); }},
    {"QZMotion.changeAngles(object,object,float)",
     [] { return list({QZValue(std::string("HeadYaw")), QZValue(0.1f), QZValue(1.0f)}); }},
    {"QZMotion.setAngles(object,object,float)",
     [] { return list({QZValue(std::string("HeadYaw")), QZValue(0.1f), QZValue(1.0f)}); }},
    {"QZMotion.getAngles(object,bool)", [] { return list({QZValue(std::string("Body")), QZValue(true)}); }},
    {"QZMotion.getStiffnesses(object)", [] { return list({QZValue(std::string("Body"))}); }},
    {"QZMotion.setStiffnesses(object,object)", [] { return list({QZValue(std::string("Body")), QZValue(1.0f)}); }},
    {"QZMotion.stiffnessInterpolation(object,object,object)",
     [] { return list({QZValue(std::string("Head")), list({floats({1.0f}), floats({1.0f})}), list({floats({0.05f}), floats({0.05f})})}); }},
    {"QZMotion.getBodyNames(string)", [] { return list({QZValue(std::string("Body"))}); }},
    {"QZMotion.getJointNames(string)", [] { return list({QZValue(std::string("Head"))}); }},
    {"QZMotion.getLimits(string)", [] { return list({QZValue(std::string("LArm"))}); }},
    {"QZMotion.getMass(string)", [] { return list({QZValue(std::string("Body"))}); }},
    {"QZMotion.openHand(string)", [] { return list({QZValue(std::string("LHand"))}); }},
    {"QZMotion.closeHand(string)", [] { return list({QZValue(std::string("RHand"))}); }},
    {"QZMotion.setCollisionProtectionEnabled(string,bool)", [] { return list({QZValue(std::string("Arms")), QZValue(true)}); }},
    {"QZMotion.moveTo(object)", [] { return list({floats({0.0f, 0.0f, 0.0f})}); }},
    {"QZMotion.moveTo(object,object)", [] { return list({floats({0.0f, 0.0f, 0.0f}), QZValue()}); }},
    {"QZMotion.walkTo(object)", [] { return list({floats({0.0f, 0.0f, 0.0f})}); }},
    {"QZMotion.walkTo(object,object)", [] { return list({floats({0.0f, 0.0f, 0.0f}), QZValue()}); }},
    {"QZVideoDevice.subscribe(string,int,int,int)",
     [] { return list({QZValue(std::string("sweep")), QZValue(0), QZValue(11), QZValue(5)}); }},
    {"QZVideoDevice.subscribeCamera(string,int,int,int,int)",
     [] { return list({QZValue(std::string("sweep")), QZValue(1), QZValue(0), QZValue(0), QZValue(5)}); }},
    {"QZVideoDevice.subscribeCameras(string,object,object,object,int)",
     [] { return list({QZValue(std::string("sweep")), list({QZValue(0), QZValue(1)}), QZValue(0), QZValue(11), QZValue(5)}); }},
    {"QZVideoDevice.setFrameRate(string,int)", [] { return list({QZValue(std::string("sweep")), QZValue(5)}); }},
    {"QZAudioDevice.getParameter(string)", [] { return list({QZValue(std::string("outputSampleRate"))}); }},
    {"QZAudioDevice.sendRemoteBufferToOutput(int,object)", [] { return list({QZValue(2), binary("12345678")}); }},
    {"QZLeds.createGroup(string,list of strings)", [] { return list({QZValue(std::string("Sweep")), texts({"Chest"})}); }},
    {"QZLeds.fadeListRGB(string,object,object)", [] { return list({QZValue(std::string("Chest")), list({QZValue(0xFF0000)}), floats({0.01f})}); }},
    {"QZLeds.rotateEyes(int,float,float)", [] { return list({QZValue(0xFF), QZValue(0.1f), QZValue(0.0f)}); }},
};

bool isCommon(const MethodForm& form) {
  return &form >= qzsim::kCommonMethods && &form < qzsim::kCommonMethods + qzsim::kCommonMethodCount;
}

QZValue defaultArgument(ParamType type, const std::string& module) {
  switch (type) {
    case ParamType::String: {
      auto found = kModuleStrings.find(module);
      return QZValue(found == kModuleStrings.end() ? std::string() : found->second);
    }
    case ParamType::Int: return QZValue(0);
    case ParamType::Float: return QZValue(0.0f);
    case ParamType::Bool: return QZValue(false);
    case ParamType::Object: return QZValue();
    case ParamType::StringList: return QZValue(std::vector<std::string>());
    case ParamType::FloatList:
      // Points and sizes on an image: four numbers serve every conversion.
      return module == "QZVideoDevice" ? floats({0.5f, 0.5f, 0.1f, 0.1f}) : floats({});
  }
  return QZValue();
}

// The argument list as the typed proxies send it: Invalid without arguments.
QZValue argumentsFor(const std::string& module, const MethodForm& form) {
  for (const std::string& key : {module + "." + form.key, std::string("*.") + form.key}) {
    auto found = kArguments.find(key);
    if (found != kArguments.end()) return found->second();
  }
  QZValue args;
  if (form.arity == 0) return args;
  args.arraySetSize(form.arity);
  for (int i = 0; i < form.arity; ++i) args[i] = defaultArgument(form.params[i].type, module);
  return args;
}

// The answer converts to the form's result type as its typed proxy method converts it.
void expectResultOfType(const MethodForm& form, const QZValue& result) {
  using QZ::detail::converter;
  SCOPED_TRACE(form.signature);
  if (form.result == ResultType::Void) {
    EXPECT_FALSE(result.isValid()) << result.toString(0);
    return;
  }
  ASSERT_TRUE(result.isValid());
  switch (form.result) {
    case ResultType::String: EXPECT_NO_THROW(converter<std::string>().convertFromQZValue(result)); break;
    case ResultType::Int: EXPECT_NO_THROW(converter<int>().convertFromQZValue(result)); break;
    case ResultType::Float: EXPECT_NO_THROW(converter<float>().convertFromQZValue(result)); break;
    case ResultType::Bool: EXPECT_NO_THROW(converter<bool>().convertFromQZValue(result)); break;
    case ResultType::StringList: {
      ASSERT_EQ(result.getType(), QZValue::TypeArray);
      for (const QZValue& e : *result.arrayElements()) EXPECT_EQ(e.getType(), QZValue::TypeString);
      break;
    }
    case ResultType::FloatList: {
      ASSERT_EQ(result.getType(), QZValue::TypeArray);
      for (const QZValue& e : *result.arrayElements())
        EXPECT_TRUE(e.getType() == QZValue::TypeFloat || e.getType() == QZValue::TypeInt);
      break;
    }
    default: break;  // object: any value
  }
}

TEST(SimCatalogueTable, HoldsTheModulesMethodsAndPostedTwinsOfTheCatalogue) {
  ASSERT_EQ(qzsim::kModuleCount, 45);
  int methods = 0, posted = 0;
  for (int m = 0; m < qzsim::kModuleCount; ++m) {
    methods += qzsim::kCommonMethodCount + qzsim::kModules[m].methodCount;
    for (int i = 0; i < qzsim::kCommonMethodCount; ++i)
      posted += qzsim::kCommonMethods[i].result == ResultType::Void ? 1 : 0;
    for (int i = 0; i < qzsim::kModules[m].methodCount; ++i)
      posted += qzsim::kModules[m].methods[i].result == ResultType::Void ? 1 : 0;
  }
  EXPECT_EQ(methods, 1228);
  EXPECT_EQ(posted, 455);
}

// One module: every form called, then every form without result posted and waited on.
void callEveryForm(const ModuleRow& module, int port) {
  SCOPED_TRACE(module.name);
  auto p = std::make_unique<QZ::QZProxyRemote>(module.name, "127.0.0.1", port, 0, 0);
  auto call = [](QZ::QZProxyRemote& proxy, const std::string& method, const QZValue& args = QZValue()) {
    QZValue result;
    proxy.genericCall(method, args, result);
    return result;
  };
  if (std::string(module.name) == "QZMemory") {
    call(*p, "insertData", list({QZValue(std::string("sweep")), QZValue(1)}));
    call(*p, "raiseEvent", list({QZValue(std::string("sweep")), QZValue(2)}));
  }
  if (std::string(module.name) == "QZVideoDevice")
    call(*p, "subscribeCamera", list({QZValue(std::string("sweep")), QZValue(0), QZValue(0), QZValue(11), QZValue(5)}));

  std::vector<const MethodForm*> forms;
  for (int i = 0; i < qzsim::kCommonMethodCount; ++i) forms.push_back(&qzsim::kCommonMethods[i]);
  for (int i = 0; i < module.methodCount; ++i) forms.push_back(&module.methods[i]);
  // The last forms unsubscribe: the posted twins run after every call.
  for (const MethodForm* form : forms) {
    SCOPED_TRACE(std::string(module.name) + "." + form->signature);
    QZValue result;
    try {
      p->genericCall(form->name, argumentsFor(module.name, *form), result);
    } catch (const QZ::QZError& error) {
      ADD_FAILURE() << error.what();
      continue;
    }
    expectResultOfType(*form, result);
  }
  if (std::string(module.name) == "QZVideoDevice")
    call(*p, "subscribeCamera", list({QZValue(std::string("sweep")), QZValue(0), QZValue(0), QZValue(11), QZValue(5)}));
  int postedCount = 0;
  for (const MethodForm* form : forms) {
    if (form->result != ResultType::Void) continue;
    SCOPED_TRACE(std::string(module.name) + ".post." + form->signature);
    QZValue id;
    ASSERT_NO_THROW(p->genericPost(form->name, argumentsFor(module.name, *form), id));
    ASSERT_EQ(id.getType(), QZValue::TypeInt);
    EXPECT_GT(static_cast<int>(id), 0);
    EXPECT_EQ(call(*p, "wait", list({id, QZValue(10000)})), QZValue(true));
    EXPECT_EQ(call(*p, "isRunning", list({id})), QZValue(false));
    ++postedCount;
  }
  int expected = 0;
  for (const MethodForm* form : forms) expected += (form->result == ResultType::Void && !isCommon(*form)) ? 1 : 0;
  EXPECT_EQ(postedCount, expected + 2);  // the common exit and stop
}

TEST_F(SimBrokerTest, EveryCatalogueFormAnswersItsResultTypeAndItsPostedTwinFinishes) {
  for (int m = 0; m < qzsim::kModuleCount; ++m) callEveryForm(qzsim::kModules[m], broker.port());
}

}  // namespace
}  // namespace simtest
