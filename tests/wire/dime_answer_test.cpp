// DIME answers: attachments kept in arrival order, hostile record sizes refused.
#include "wirefixture.h"

#include <sys/resource.h>

#include <string>
#include <vector>

using QZ::QZValue;

namespace {

using DimeAnswerTest = WireTest;

std::vector<std::string> received(struct soap* soap) {
  std::vector<std::string> out;
  for (const auto& part : QZ::wire::receivedAttachments(soap))
    out.emplace_back(static_cast<const char*>(part.first), part.second);
  return out;
}

const std::string kTwoBinaries =
    "<item xsi:type=\"Array\"><item xsi:type=\"xsd:base64Binary\">MQ==</item>"
    "<item xsi:type=\"xsd:base64Binary\">MQ==</item></item>";

TEST_F(DimeAnswerTest, AttachmentsAreKeptInArrivalOrderUntilTheCallIsFinished) {
  const std::string large(200000, 'L');
  server.enqueue(qztest::httpAnswer(
      qztest::dimeMessage(qztest::answerEnvelope("callTamsaResponse", kTwoBinaries),
                          {std::string("\x00\x01", 2), "", "abcde", large}),
      "application/dime"));
  answerResult("<item xsi:type=\"xsd:int\">1</item>");

  QZValue result;
  ASSERT_EQ(0, call("getImages", QZValue(), result));
  EXPECT_EQ(2u, result.getSize());
  EXPECT_EQ((std::vector<std::string>{std::string("\x00\x01", 2), "", "abcde", large}), received(soap));
  QZ::wire::finishCall(soap);
  EXPECT_TRUE(QZ::wire::receivedAttachments(soap).empty());

  // A plain answer afterwards brings none.
  ASSERT_EQ(0, call("getValue", QZValue(), result));
  EXPECT_TRUE(QZ::wire::receivedAttachments(soap).empty());
}

long maxResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(DimeAnswerTest, HugeDeclaredAttachmentIsNotReservedAndFails) {
  // The envelope, then a record that claims 4 GiB - 1 bytes and brings 1000.
  const std::string envelope = qztest::answerEnvelope("callTamsaResponse", kTwoBinaries);
  std::string message = qztest::dimeRecordBytes(true, false, 0x20, "cid:id0",
                                    "http://schemas.xmlsoap.org/soap/envelope/", envelope,
                                    static_cast<std::uint32_t>(envelope.size()));
  message += qztest::dimeRecordBytes(false, true, 0x10, "image", "application/octet-stream",
                                     std::string(1000, 'x'), 0xFFFFFFFFu);
  server.enqueue(qztest::RawAnswer::closing(
      "HTTP/1.1 200 OK\r\nContent-Type: application/dime\r\nConnection: close\r\n\r\n" + message));
  answerResult("<item xsi:type=\"xsd:int\">1</item>");

  const long before = maxResidentKiB();
  QZValue result;
  EXPECT_NE(0, call("getImages", QZValue(), result));
  EXPECT_LT(maxResidentKiB() - before, 256 * 1024) << "KiB of peak memory grew";
  QZ::wire::finishCall(soap);
  result.clear();
  ASSERT_EQ(0, call("getValue", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
}

// The envelope record in two chunks, cut at `cut`.
std::string chunkedEnvelope(const std::string& envelope, std::size_t cut) {
  std::string first = qztest::dimeRecordBytes(true, false, 0x20, "cid:id0",
                                              "http://schemas.xmlsoap.org/soap/envelope/",
                                              envelope.substr(0, cut), static_cast<std::uint32_t>(cut));
  first[0] = static_cast<char>(first[0] | 0x01);  // CF: continued in the next record
  return first + qztest::dimeRecordBytes(false, true, 0x00, "", "", envelope.substr(cut),
                                         static_cast<std::uint32_t>(envelope.size() - cut));
}

// The value is read from the same bytes the engine reads, so chunk boundaries of the
// envelope record fall anywhere.
TEST_F(DimeAnswerTest, ValueAcrossChunksOfTheEnvelopeIsRead) {
  const std::string value = "abcdefghijklmnopqrstuvwxyz";
  const std::string envelope = qztest::answerEnvelope(
      "callTamsaResponse", "<item xsi:type=\"xsd:string\">" + value + "</item>");
  const std::size_t from = envelope.find("<qzbroker:return>");
  const std::size_t to = envelope.find("</qzbroker:callTamsaResponse>");
  for (std::size_t cut = from; cut <= to; ++cut) {
    server.enqueue(qztest::httpAnswer(chunkedEnvelope(envelope, cut), "application/dime"));
    QZValue result;
    ASSERT_EQ(0, call("m", QZValue(), result)) << cut;
    EXPECT_EQ(QZValue(value), result) << cut;
    QZ::wire::finishCall(soap);
  }
}

}  // namespace
