// Calls through QZProxyRemote against a loopback broker stand-in: status pairs,
// faults, typed templates, attachments both ways, connection reuse and recovery.
#include "brokerstub.h"
#include "qzremotecall/qzremoteproxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using QZ::QZError;
using QZ::QZProxyRemote;
using QZ::QZValue;
using qztest::BrokerStub;
using qztest::RawAnswer;
using qztest::RawRequest;
using testing::StrEq;
using testing::ThrowsMessage;

namespace {

const char kInt1[] = "<item xsi:type=\"xsd:int\">1</item>";

// A broker whose every call answers the given item text.
BrokerStub answering(const std::string& itemXml) {
  return BrokerStub([itemXml](const std::string&, const RawRequest&) { return qztest::resultAnswer(itemXml); });
}

std::string pair(const std::string& status, const std::string& value) {
  return "<item xsi:type=\"Array\">" + status + value + "</item>";
}

QZValue callOnce(const std::string& itemXml) {
  BrokerStub broker = answering(itemXml);
  QZProxyRemote proxy("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  QZValue result;
  proxy.genericCall("getData", QZValue(), result);
  return result;
}

}  // namespace

TEST(ProxyCall, StatusPairsAreUnwrapped) {
  const std::string abc = "<item xsi:type=\"xsd:string\">abc</item>";
  EXPECT_EQ(static_cast<const std::string&>(callOnce(pair(kInt1, abc))), "abc");
  const QZValue zero = callOnce(pair("<item xsi:type=\"xsd:int\">0</item>", "<item xsi:type=\"xsd:float\">2.5</item>"));
  EXPECT_TRUE(zero == QZValue(2.5f));
  // Not a status pair: returned whole.
  EXPECT_EQ(callOnce(pair("<item xsi:type=\"xsd:int\">2</item>", kInt1)).getSize(), 2u);
  EXPECT_EQ(callOnce(pair("<item xsi:type=\"xsd:boolean\">true</item>", kInt1)).getSize(), 2u);
  EXPECT_EQ(callOnce("<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item></item>").getSize(), 1u);
}

TEST(ProxyCall, FaultBecomesTheModulesError) {
  BrokerStub broker([](const std::string&, const RawRequest&) {
    return qztest::httpAnswer(qztest::faultEnvelope("boom", "x"), "text/xml; charset=utf-8",
                              "500 Internal Server Error");
  });
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_THAT([&] { proxy.callRemote<float>("getMass", std::string("ChainA")); },
              ThrowsMessage<QZError>(StrEq("\tQZMotion::SOAP error:boom\n\tSOAP detail: x")));
  // The proxy stays usable: the fault closed the connection, the next call reconnects.
  EXPECT_THROW(proxy.callVoidRemote("rest", 1), QZError);
}

TEST(ProxyCall, TypedTemplatesPackAndConvert) {
  std::string lastBody;
  BrokerStub broker([&lastBody](const std::string& method, const RawRequest& request) {
    lastBody = request.body;
    if (method == "nothing") return qztest::resultAnswer("");
    if (method == "names")
      return qztest::resultAnswer(
          "<item xsi:type=\"Array\"><item xsi:type=\"xsd:string\">a</item>" + std::string(kInt1) +
          "<item xsi:type=\"xsd:string\">b</item></item>");
    return qztest::resultAnswer("<item xsi:type=\"xsd:int\">3</item>");
  });
  QZProxyRemote proxy("QZMotion", "127.0.0.1", broker.port(), 0, 0);

  EXPECT_EQ(proxy.callRemote<float>("getMass", std::string("ChainA")), 3.0f);
  EXPECT_THAT(lastBody, testing::HasSubstr("<qzbroker:p><item xsi:type=\"Array\"><item xsi:type=\"xsd:string\">ChainA</item></item></qzbroker:p>"));
  EXPECT_TRUE(proxy.callRemote<bool>("isOn"));
  EXPECT_THAT(lastBody, testing::HasSubstr("<qzbroker:p></qzbroker:p>"));  // no arguments: Invalid

  proxy.callVoidRemote("setAngles", std::vector<float>{0.5f}, 1);
  EXPECT_THAT(lastBody, testing::HasSubstr("<qzbroker:p><item xsi:type=\"Array\"><item xsi:type=\"Array\">"
                                           "<item xsi:type=\"xsd:float\">0.5</item></item>"
                                           "<item xsi:type=\"xsd:int\">1</item></item></qzbroker:p>"));
  EXPECT_THAT([&] { proxy.callRemote<QZValue>("nothing"); },
              ThrowsMessage<QZError>(StrEq("\tQZProxy::call\n\tWaiting for the result of a void function")));
  EXPECT_NO_THROW(proxy.callVoidRemote("nothing", 1));
  EXPECT_THAT([&] { proxy.callRemote<int>("names"); },
              ThrowsMessage<QZError>(StrEq("\tconvertFromQZValue::convertFromQZValue\n\tParameter type is Array instead of int")));
  testing::internal::CaptureStdout();
  EXPECT_EQ(proxy.callRemote<std::vector<std::string>>("names"), (std::vector<std::string>{"a", "b"}));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(proxy.pCall("say", std::string("hello")), 41);
}

TEST(ProxyCall, AttachmentsTravelInWalkOrderBothWays) {
  BrokerStub broker([](const std::string&, const RawRequest&) {
    const std::string twoBinaries =
        "<item xsi:type=\"Array\"><item xsi:type=\"xsd:base64Binary\">MQ==</item>"
        "<item xsi:type=\"xsd:base64Binary\">MQ==</item></item>";
    return qztest::RawAnswer(qztest::httpAnswer(
        qztest::dimeMessage(qztest::answerEnvelope("callTamsaResponse", pair(kInt1, twoBinaries)),
                            {"first", std::string("sec\0nd", 6)}),
        "application/dime"));
  });
  QZProxyRemote proxy("QZVideoDevice", "127.0.0.1", broker.port(), 0, 0);

  QZValue inner, args, result;
  inner.arraySetSize(2);
  inner[0] = "a";
  inner[1].SetBinary("fives", 5);
  args.arraySetSize(3);
  args[0] = 1;
  args[1].SetBinary("abc", 3);
  args[2] = inner;
  proxy.genericCall("putImages", args, result);

  const RawRequest sent = broker.server().requests().back();
  EXPECT_EQ(sent.header("Content-Type"), "application/dime");
  const auto records = qztest::parseDime(sent.body);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].data, "abc");
  EXPECT_EQ(records[2].data, "fives");
  EXPECT_EQ(records[2].id, "image");
  EXPECT_EQ(records[2].type, "application/octet-stream");

  ASSERT_EQ(result.getSize(), 2u);
  EXPECT_EQ(std::string(static_cast<const char*>(result[0].GetBinary()), result[0].getSize()), "first");
  EXPECT_EQ(std::string(static_cast<const char*>(result[1].GetBinary()), result[1].getSize()),
            std::string("sec\0nd", 6));
}

TEST(ProxyCall, PostedCallsCarryTheirBytesOnlyWhenTheyHaveAny) {
  BrokerStub broker;
  QZProxyRemote proxy("QZAudioDevice", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_EQ(proxy.pCall("setVolume", 50), 41);
  EXPECT_EQ(broker.server().requests().back().header("Content-Type"), "text/xml; charset=utf-8");

  QZValue buffer;
  buffer.SetBinary("\x01\x02\x03\x04", 4);
  EXPECT_EQ(proxy.pCall("sendSoundBuffer", 2, buffer), 41);
  const RawRequest sent = broker.server().requests().back();
  ASSERT_EQ(sent.header("Content-Type"), "application/dime");
  const auto records = qztest::parseDime(sent.body);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].data, "\x01\x02\x03\x04");

  QZValue posted;
  proxy.genericPost("exit", QZValue(), posted);
  EXPECT_EQ(posted.getType(), QZValue::TypeInt);
}

TEST(ProxyCall, KeptAliveConnectionIsReusedAndRecoveredAfterClose) {
  int calls = 0;
  BrokerStub broker([&calls](const std::string&, const RawRequest&) {
    RawAnswer answer = qztest::resultAnswer(kInt1);
    answer.closeAfter = (++calls == 2);  // the broker drops the connection after call 2
    return answer;
  });
  QZProxyRemote proxy("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_EQ(proxy.callRemote<int>("one"), 1);
  EXPECT_EQ(proxy.callRemote<int>("two"), 1);
  EXPECT_EQ(broker.server().connectionsAccepted(), 1);  // lookup and two calls on one connection
  EXPECT_EQ(proxy.callRemote<int>("three"), 1);
  EXPECT_EQ(broker.server().connectionsAccepted(), 2);
}

TEST(ProxyCall, RequestOnAConnectionTheBrokerJustClosedIsSentAgain) {
  // The broker drops the kept-alive connection instead of answering the first call,
  // as one that closed it right after its last answer does: nothing of an answer
  // arrives, so the request goes out once more on a new connection.
  int calls = 0;
  BrokerStub broker([&calls](const std::string&, const RawRequest&) {
    const RawAnswer whole = qztest::resultAnswer(kInt1);
    return ++calls == 1 ? RawAnswer::truncated(whole.bytes, 0) : whole;
  });
  QZProxyRemote proxy("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_EQ(proxy.callRemote<int>("first"), 1);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(broker.server().connectionsAccepted(), 2);
}

TEST(ProxyCall, ARequestSentAgainCarriesItsBytesAgain) {
  // As above, with a Binary argument: the request sent again must carry the
  // attachment too, or the broker would get a placeholder instead of the bytes.
  int calls = 0;
  BrokerStub broker([&calls](const std::string&, const RawRequest&) {
    const RawAnswer whole = qztest::resultAnswer(kInt1);
    return ++calls == 1 ? RawAnswer::truncated(whole.bytes, 0) : whole;
  });
  QZProxyRemote proxy("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  QZValue bytes;
  bytes.SetBinary("abc\0e", 5);
  EXPECT_EQ(proxy.callRemote<int>("insertData", std::string("key"), bytes), 1);
  ASSERT_EQ(calls, 2);
  const std::vector<RawRequest> requests = broker.server().requests();
  for (std::size_t sent = requests.size() - 2; sent < requests.size(); ++sent) {
    const auto records = qztest::parseDime(requests[sent].body);
    ASSERT_EQ(records.size(), 2u) << "request " << sent;
    EXPECT_EQ(records[1].data, std::string("abc\0e", 5)) << "request " << sent;
  }
}

TEST(ProxyCall, ABinaryResultWhoseBytesNeverCameIsAnError) {
  // The broker goes away right after the envelope record of a DIME answer: the value
  // is read, the attachment holding its bytes is not.
  BrokerStub broker([](const std::string& method, const RawRequest&) {
    const std::string item = method == "getImage" ? "<item xsi:type=\"xsd:base64Binary\">MQ==</item>" : kInt1;
    const std::string envelope = qztest::answerEnvelope("callTamsaResponse", item);
    const std::string envelopeRecord = qztest::dimeRecordBytes(
        true, false, 0x20, "cid:id0", "http://schemas.xmlsoap.org/soap/envelope/", envelope,
        static_cast<std::uint32_t>(envelope.size()));
    const std::string whole = qztest::httpAnswer(qztest::dimeMessage(envelope, {"abcdefgh"}), "application/dime");
    return RawAnswer::truncated(whole, whole.find("\r\n\r\n") + 4 + envelopeRecord.size());
  });
  QZProxyRemote proxy("QZCamera", "127.0.0.1", broker.port(), 0, 0);
  QZValue result;
  EXPECT_THAT([&] { proxy.genericCall("getImage", QZValue(), result); },
              ThrowsMessage<QZError>(StrEq("\tQZCamera::SOAP error:End of file or no input: message "
                                           "transfer interrupted\n\tSOAP detail: ")));
  EXPECT_FALSE(result.isValid());
  // A value without bytes in attachments is whole once read: it is kept, as always.
  testing::internal::CaptureStdout();
  EXPECT_EQ(proxy.callRemote<int>("getNumber"), 1);
  EXPECT_THAT(testing::internal::GetCapturedStdout(), testing::HasSubstr("return value mismatch"));
}

TEST(ProxyCall, AnAttachmentRecordStatingFewerBytesThanItHasFailsTheCall) {
  // The last record says 3 where it carries 8 bytes: the answer is not cut to "abc".
  BrokerStub broker([](const std::string& method, const RawRequest&) {
    if (method != "getImage") return qztest::resultAnswer(kInt1);
    const std::string envelope =
        qztest::answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:base64Binary\">MQ==</item>");
    std::string message = qztest::dimeMessage(envelope, {"abcdefgh"});
    message[message.size() - 8 - 24 - 8 - 1] = 3;  // the low byte of the last record's data length
    return RawAnswer(qztest::httpAnswer(message, "application/dime"));
  });
  QZProxyRemote proxy("QZCamera", "127.0.0.1", broker.port(), 0, 0);
  QZValue result;
  EXPECT_THROW(proxy.genericCall("getImage", QZValue(), result), QZError);
  EXPECT_FALSE(result.isValid());
  EXPECT_EQ(proxy.callRemote<int>("getNumber"), 1);
}

TEST(ProxyCall, AConnectionWhoseAnswerFellShortOfItsLengthIsNotReused) {
  // The first answer states ten bytes more than it holds; they come later, and on a
  // reused connection they would be read as the start of the next answer.
  int calls = 0;
  BrokerStub broker([&calls](const std::string&, const RawRequest&) {
    const std::string whole = qztest::resultAnswer(kInt1).bytes;
    if (++calls > 1) return RawAnswer(whole);
    std::string longer = whole;
    const std::size_t length = longer.find("Content-Length: ") + 16;
    const std::size_t digits = longer.find("\r\n", length) - length;
    longer.replace(length, digits, std::to_string(std::stoul(longer.substr(length, digits)) + 10));
    return RawAnswer::slow(longer + "0123456789", longer.size(), std::chrono::milliseconds(100));
  });
  QZProxyRemote proxy("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_EQ(proxy.callRemote<int>("first"), 1);
  EXPECT_EQ(proxy.callRemote<int>("second"), 1);
  const std::vector<RawRequest> requests = broker.server().requests();
  ASSERT_EQ(requests.size(), 3u);  // the lookup and two calls
  EXPECT_EQ(requests[1].connection, 0);
  EXPECT_EQ(requests[2].connection, 1);
}

TEST(ProxyCall, BrokerVanishingMidAnswerLeavesTheProxyUsable) {
  int calls = 0;
  BrokerStub broker([&calls](const std::string&, const RawRequest&) {
    const RawAnswer whole = qztest::resultAnswer(kInt1);
    return ++calls == 1 ? RawAnswer::truncated(whole.bytes, whole.bytes.size() / 2) : whole;
  });
  QZProxyRemote proxy("QZMemory", "127.0.0.1", broker.port(), 0, 0);
  EXPECT_THROW(proxy.callRemote<int>("first"), QZError);
  EXPECT_EQ(proxy.callRemote<int>("second"), 1);
}

TEST(ProxyCall, ManyProxiesOnSeveralThreadsEachOnItsOwnConnection) {
  BrokerStub broker([](const std::string& method, const RawRequest&) {
    return qztest::resultAnswer("<item xsi:type=\"xsd:string\">" + method + "</item>");
  });
  const int kThreads = 4, kProxiesPerThread = 3, kCalls = 20;
  std::atomic<int> mismatches{0}, done{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<std::unique_ptr<QZProxyRemote>> proxies;
      for (int p = 0; p < kProxiesPerThread; ++p)
        proxies.push_back(std::make_unique<QZProxyRemote>("QZMemory", "127.0.0.1", broker.port(), 0, 0));
      for (int c = 0; c < kCalls; ++c) {
        for (auto& proxy : proxies) {
          const std::string method = "m" + std::to_string(t) + "_" + std::to_string(c);
          if (proxy->callRemote<std::string>(method) != method) ++mismatches;
          ++done;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(done.load(), kThreads * kProxiesPerThread * kCalls);
  EXPECT_EQ(broker.server().connectionsAccepted(), kThreads * kProxiesPerThread);
}
