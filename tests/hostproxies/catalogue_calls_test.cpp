// Every host proxy of the catalogue, constructed against the loopback broker, with
// every method called once and every method without result posted once.
#include "catalogue_calls.h"

#include <gtest/gtest.h>

#include <sstream>

namespace hostproxies {

namespace {

// Kinds the default argument of each catalogue type travels as: "" / 0 / 0.0f /
// false / empty lists, and a plain System::Object, which becomes a nil item.
std::string wireKind(const std::string& catalogueType) {
  if (catalogueType == "string") return "xsd:string";
  if (catalogueType == "int") return "xsd:int";
  if (catalogueType == "float") return "xsd:float";
  if (catalogueType == "bool") return "xsd:boolean";
  if (catalogueType == "object") return "nil";
  if (catalogueType == "list of strings" || catalogueType == "list of floats") return "Array";
  ADD_FAILURE() << "unknown catalogue type " << catalogueType;
  return "";
}

// The answer of each result type, and what the host result must be then.
const char kStringAnswer[] = "<item xsi:type=\"xsd:string\">r\xC3\xA9sult</item>";
const char kListAnswer[] =
    "<item xsi:type=\"Array\"><item xsi:type=\"xsd:string\">a</item>"
    "<item xsi:type=\"xsd:string\">b</item></item>";
const char kFloatsAnswer[] =
    "<item xsi:type=\"Array\"><item xsi:type=\"xsd:float\">1.5</item>"
    "<item xsi:type=\"xsd:float\">-2</item></item>";

std::string answerOf(const std::string& result) {
  if (result == "void") return "<item xsi:nil=\"true\" xsi:type=\"nil\">nil</item>";
  if (result == "string") return kStringAnswer;
  if (result == "int") return "<item xsi:type=\"xsd:int\">17</item>";
  if (result == "bool") return "<item xsi:type=\"xsd:boolean\">true</item>";
  if (result == "float") return "<item xsi:type=\"xsd:float\">2.5</item>";
  if (result == "object") return "<item xsi:type=\"xsd:int\">7</item>";
  if (result == "list of strings") return kListAnswer;
  if (result == "list of floats") return kFloatsAnswer;
  ADD_FAILURE() << "unknown result type " << result;
  return "";
}

}  // namespace

void CatalogueCalls::expect(const char* method, const char* params, const char* result) {
  fMethod = method;
  fParams = params;
  fResult = result;
  fBroker.answerCall(statusPair(answerOf(result)));
}

void CatalogueCalls::expectPost(const char* method, const char* params) {
  fMethod = method;
  fParams = params;
  fResult = "task id";
  fBroker.answerPost(++fTaskId);
}

void CatalogueCalls::checkRequest(const char* operation) {
  SCOPED_TRACE(fModule + "." + fMethod + "(" + fParams + ")");
  const WireCall call = fBroker.lastCall();
  EXPECT_EQ(call.operation, operation);
  EXPECT_EQ(call.module, fModule);
  EXPECT_EQ(call.method, fMethod);
  std::vector<std::string> want, got;
  std::istringstream params(fParams);
  for (std::string type; std::getline(params, type, ',');) want.push_back(wireKind(type));
  for (const WireItem& item : call.args) got.push_back(item.type);
  EXPECT_EQ(got, want);
  // Without arguments the call carries nothing; with them, one Array.
  EXPECT_EQ(call.top.size(), want.empty() ? 0u : 1u);
  ++(std::string(operation) == "callTamsa2" ? fPosts : fCalls);
}

void CatalogueCalls::check() {
  EXPECT_EQ(fResult, "void");
  checkRequest("callTamsa");
}

void CatalogueCalls::check(const System::String& result) {
  EXPECT_EQ(fResult, "string");
  EXPECT_EQ(result, u"r\u00e9sult");
  checkRequest("callTamsa");
}

void CatalogueCalls::check(int result) {
  EXPECT_EQ(fResult, "int");
  EXPECT_EQ(result, 17);
  checkRequest("callTamsa");
}

void CatalogueCalls::check(bool result) {
  EXPECT_EQ(fResult, "bool");
  EXPECT_TRUE(result);
  checkRequest("callTamsa");
}

void CatalogueCalls::check(float result) {
  EXPECT_EQ(fResult, "float");
  EXPECT_EQ(result, 2.5f);
  checkRequest("callTamsa");
}

void CatalogueCalls::check(const System::Object& result) {
  EXPECT_EQ(fResult, "object");
  EXPECT_TRUE(result.Is<int>() && result.Unbox<int>() == 7) << result;
  checkRequest("callTamsa");
}

void CatalogueCalls::check(const System::Collections::Generic::List<System::String>& result) {
  EXPECT_EQ(fResult, "list of strings");
  ASSERT_EQ(result.Count(), 2);
  EXPECT_EQ(result[0], "a");
  EXPECT_EQ(result[1], "b");
  checkRequest("callTamsa");
}

void CatalogueCalls::check(const System::Collections::Generic::List<float>& result) {
  EXPECT_EQ(fResult, "list of floats");
  ASSERT_EQ(result.Count(), 2);
  EXPECT_EQ(result[0], 1.5f);
  EXPECT_EQ(result[1], -2.0f);
  checkRequest("callTamsa");
}

void CatalogueCalls::checkTaskId(int taskId) {
  EXPECT_EQ(taskId, fTaskId) << "the task id comes back unchanged";
  checkRequest("callTamsa2");
}

namespace {

class EveryHostProxy : public ::testing::TestWithParam<CatalogueModule> {};

TEST_P(EveryHostProxy, CallsAndPostsEveryMethodByItsName) {
  const CatalogueModule& entry = GetParam();
  LoopbackBroker broker;
  // Half of the modules are reported at "0.0.0.0", which means the address asked.
  const bool anyAddress = (&entry - kCatalogueModules.data()) % 2 == 1;
  broker.answerLookup(entry.module, anyAddress ? "0.0.0.0" : "127.0.0.1");
  CatalogueCalls calls(broker, entry.module);
  entry.callAll(calls);

  const WireCall lookup = parseCall(broker.server.request(0).body);
  EXPECT_EQ(lookup.operation, "getModuleByName");
  EXPECT_EQ(lookup.module, entry.module);
  EXPECT_EQ(calls.calls(), entry.methods);
  EXPECT_EQ(calls.posts(), entry.posted);
  EXPECT_EQ(broker.requestCount(), 1u + entry.methods + entry.posted);
  EXPECT_EQ(broker.server.connectionsAccepted(), 1) << "one kept-alive connection per proxy";
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryHostProxy, ::testing::ValuesIn(kCatalogueModules),
                         [](const auto& info) { return std::string(info.param.hostClass); });

TEST(CatalogueCallsTable, CoversTheWholeCatalogue) {
  int methods = 0, posted = 0;
  for (const CatalogueModule& entry : kCatalogueModules) {
    methods += entry.methods;
    posted += entry.posted;
  }
  EXPECT_EQ(kCatalogueModules.size(), 45u);
  EXPECT_EQ(methods, 1228);
  EXPECT_EQ(posted, 455);
}

}  // namespace
}  // namespace hostproxies
