// Failures through the C ABI: the native texts byte for byte, refused arguments that
// send nothing, the converters' warning lines, and releasing result records.
#include "brokerstub.h"
#include "capifixture.h"

namespace capitest {
namespace {

using QZ::QZValue;

std::string openFailure(const std::string& module, int port, int expectedStatus) {
  qz_proxy* proxy = reinterpret_cast<qz_proxy*>(&port);  // overwritten with null
  Result error;
  const std::string address = "127.0.0.1";
  EXPECT_EQ(qz_proxy_open(module.data(), module.size(), address.data(), address.size(), port, 0, &proxy, &error),
            expectedStatus);
  EXPECT_EQ(proxy, nullptr);
  EXPECT_EQ(error.size, error.bytes().size());
  return error.bytes();
}

std::string lookupError(const std::string& module, int port) {
  return "\tQZNetwork::getModuleByName\n\tfailed to get module " + module + " http://127.0.0.1:" + std::to_string(port);
}

TEST(CapiOpen, AnUnknownModuleOrAnUnreachableBrokerFails) {
  int stoppedPort = 0;
  {
    qzsim::Broker broker;
    EXPECT_EQ(openFailure("QZNoSuchModule", broker.port(), QZ_ERROR), lookupError("QZNoSuchModule", broker.port()));
    stoppedPort = broker.port();
  }
  EXPECT_EQ(openFailure("QZMemory", stoppedPort, QZ_ERROR), lookupError("QZMemory", stoppedPort));
}

TEST(CapiOpen, RefusedArguments) {
  const char* const refused = "\tqz_proxy_open::arguments\n\t";
  EXPECT_EQ(openFailure(std::string("QZ\0Memory", 9), 1, QZ_BAD_ARGUMENT),
            refused + std::string("the module name holds a NUL byte at offset 2"));
  qz_proxy* proxy = nullptr;
  Result error;
  EXPECT_EQ(qz_proxy_open(nullptr, 0, "127.0.0.1", 9, 1, 0, &proxy, &error), QZ_BAD_ARGUMENT);
  EXPECT_EQ(error.bytes(), refused + std::string("the module name is null"));
  qz_result_free(&error);
  EXPECT_EQ(qz_proxy_open("QZMemory", 8, nullptr, 3, 1, 0, &proxy, &error), QZ_BAD_ARGUMENT);
  EXPECT_EQ(error.bytes(), refused + std::string("the address is null"));
  qz_result_free(&error);
  EXPECT_EQ(qz_proxy_open("QZMemory", 8, "127.0.0.1", 9, 1, 0, nullptr, &error), QZ_BAD_ARGUMENT);
  EXPECT_EQ(error.bytes(), refused + std::string("the place for the new handle is null"));
  EXPECT_EQ(qz_proxy_open("QZMemory", 8, "127.0.0.1", 9, 1, 0, &proxy, nullptr), QZ_BAD_ARGUMENT);
  EXPECT_EQ(proxy, nullptr);
  qz_proxy_close(nullptr);
}

// A loopback broker stand-in that counts what reaches it.
class CapiRefusals : public ::testing::Test {
protected:
  std::string refusal(int status, Result& result) {
    EXPECT_EQ(status, QZ_BAD_ARGUMENT);
    EXPECT_EQ(result.number, 0);
    return result.bytes();
  }
  qztest::BrokerStub stub;
  ProxyHandle proxy = openProxy("QZMemory", stub.port());
};

TEST_F(CapiRefusals, BadArgumentsAreRefusedAndNothingIsSent) {
  const std::size_t lookups = stub.server().requests().size();
  const std::string args = encode(list({QZValue(1)}));
  const std::string bad = item(1, 1) + item(9, 0);
  const char* const call = "\tqz_call::arguments\n\t";
  Result r1, r2, r3, r4, r5, r6, r7, r8, r9;
  EXPECT_EQ(refusal(qz_call(nullptr, "ping", 4, nullptr, 0, QZ_RESULT_BOOL, &r1), r1),
            call + std::string("the proxy handle is null"));
  EXPECT_EQ(refusal(qz_call(proxy.get(), nullptr, 4, nullptr, 0, QZ_RESULT_BOOL, &r2), r2),
            call + std::string("the method name is null"));
  EXPECT_EQ(refusal(qz_call(proxy.get(), "pi\0ng", 5, nullptr, 0, QZ_RESULT_BOOL, &r3), r3),
            call + std::string("the method name holds a NUL byte at offset 2"));
  EXPECT_EQ(refusal(qz_call(proxy.get(), "ping", 4, nullptr, 0, 9, &r4), r4),
            call + std::string("unknown result kind 9"));
  EXPECT_EQ(refusal(qz_call(proxy.get(), "ping", 4, nullptr, 0, -1, &r5), r5),
            call + std::string("unknown result kind -1"));
  EXPECT_EQ(refusal(qz_call(proxy.get(), "ping", 4, nullptr, 3, QZ_RESULT_BOOL, &r6), r6),
            call + std::string("the argument buffer is null but 3 bytes long"));
  EXPECT_EQ(refusal(qz_call(proxy.get(), "ping", 4, bytesOf(bad), bad.size(), QZ_RESULT_BOOL, &r7), r7),
            "\tqz_call::value buffer\n\tunknown kind 9 at offset 5");
  EXPECT_EQ(refusal(qz_post(nullptr, "say", 3, bytesOf(args), args.size(), &r8), r8),
            "\tqz_post::arguments\n\tthe proxy handle is null");
  EXPECT_EQ(refusal(qz_post(proxy.get(), "say", 3, bytesOf(bad), bad.size() - 1, &r9), r9),
            "\tqz_post::value buffer\n\tcount 1 at offset 0 is more elements than the 4 bytes left can hold");
  EXPECT_EQ(qz_call(proxy.get(), "ping", 4, nullptr, 0, QZ_RESULT_BOOL, nullptr), QZ_BAD_ARGUMENT);
  EXPECT_EQ(qz_post(proxy.get(), "say", 3, nullptr, 0, nullptr), QZ_BAD_ARGUMENT);
  EXPECT_EQ(stub.server().requests().size(), lookups);

  // The same proxy still calls; size 0 sends no arguments.
  Result ping;
  EXPECT_EQ(qz_call(proxy.get(), "ping", 4, bytesOf(args), 0, QZ_RESULT_BOOL, &ping), QZ_OK);
  EXPECT_EQ(ping.number, 1);
  ASSERT_EQ(stub.server().requests().size(), lookups + 1);
  EXPECT_THAT(stub.server().requests().back().body, testing::Not(testing::HasSubstr("<item")));
}

class CapiFailures : public CapiBrokerTest {};

TEST_F(CapiFailures, NativeErrorTextsByteForByte) {
  Result fault;
  EXPECT_EQ(fetch("absent", QZ_RESULT_VALUE, fault), QZ_ERROR);
  EXPECT_EQ(fault.bytes(),
            "\tQZMemory::SOAP error:QZMemory.getData: no value is stored under the key absent\n"
            "\tSOAP detail: getData(string key) -> object");

  store("text", QZValue(std::string("x")));
  Result wrongKind, wrongList;
  EXPECT_EQ(fetch("text", QZ_RESULT_INT, wrongKind), QZ_ERROR);
  EXPECT_EQ(wrongKind.bytes(), "\tconvertFromQZValue::convertFromQZValue\n\tParameter type is String instead of int");
  EXPECT_EQ(fetch("text", QZ_RESULT_FLOAT_LIST, wrongList), QZ_ERROR);
  EXPECT_EQ(wrongList.bytes(), "\tconvertFromQZValue::convertFromQZValue\n\tParameter type is String instead of vector");
  EXPECT_EQ(wrongList.count, 0u);
}

TEST_F(CapiFailures, TypedKindsRefuseAVoidAnswerWhileValueTakesIt) {
  const std::string voidError = "\tQZProxy::call\n\tWaiting for the result of a void function";
  const QZValue args = list({QZValue(std::string("k")), QZValue(1)});
  for (int kind : {QZ_RESULT_INT, QZ_RESULT_BOOL, QZ_RESULT_FLOAT, QZ_RESULT_STRING, QZ_RESULT_STRING_LIST,
                   QZ_RESULT_FLOAT_LIST, QZ_RESULT_OBJECT}) {
    Result result;
    EXPECT_EQ(callWith(memory.get(), "insertData", args, kind, result), QZ_ERROR) << kind;
    EXPECT_EQ(result.bytes(), voidError) << kind;
  }
  Result value;
  ASSERT_EQ(callWith(memory.get(), "insertData", args, QZ_RESULT_VALUE, value), QZ_OK);
  EXPECT_EQ(value.bytes(), item(0, 0));
}

TEST_F(CapiFailures, ConvertersPrintTheirWarningLinesForSkippedElements) {
  store("mixed", list({QZValue(std::string("a")), QZValue(1), QZValue(std::string("b")), QZValue(0.5f)}));
  Result strings, floats;
  testing::internal::CaptureStdout();
  ASSERT_EQ(fetch("mixed", QZ_RESULT_STRING_LIST, strings), QZ_OK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARNING: QZValue::ToStringArray: elem 1 is not a string...\n"
            "WARNING: QZValue::ToStringArray: elem 3 is not a string...\n");
  EXPECT_EQ(strings.count, 2u);
  EXPECT_EQ(strings.bytes(), le32(1) + "a" + le32(1) + "b");

  testing::internal::CaptureStdout();
  ASSERT_EQ(fetch("mixed", QZ_RESULT_FLOAT_LIST, floats), QZ_OK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARNING: QZValue::ToFloatArray: elem 0 is not a float...\n"
            "WARNING: QZValue::ToFloatArray: elem 2 is not a float...\n");
  EXPECT_EQ(floats.count, 2u);
}

TEST(CapiResultFree, EmptyNullAndReleasedRecords) {
  qz_result_free(nullptr);
  Result empty;
  qz_result_free(&empty);
  EXPECT_TRUE(empty.isEmpty());
  Result refused;
  EXPECT_EQ(qz_call(nullptr, "ping", 4, nullptr, 0, QZ_RESULT_BOOL, &refused), QZ_BAD_ARGUMENT);
  EXPECT_NE(refused.storage, nullptr);
  qz_result_free(&refused);
  EXPECT_TRUE(refused.isEmpty());
  qz_result_free(&refused);  // a second release finds an empty record
  EXPECT_TRUE(refused.isEmpty());
}

}  // namespace
}  // namespace capitest
