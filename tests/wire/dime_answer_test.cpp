// DIME answers: attachments kept in arrival order, hostile record sizes refused.
#include "qzchunkedbody.h"
#include "qzdimemessage.h"
#include "wirefixture.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
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

// The broker keeps the connection open after a DIME answer whose declared bytes end
// inside a record: the call fails at once instead of waiting for the rest, and the
// next answer on the connection is read.
// A long attachment is received straight into its storage: cut inside, it fails the
// same way.
TEST_F(DimeAnswerTest, AnswerEndingInsideARecordFailsAtOnce) {
  for (const std::string& second : {std::string("ijkl"), std::string(100000, 'i') + "jkl"}) {
    const std::string whole = qztest::dimeMessage(qztest::answerEnvelope("callTamsaResponse", kTwoBinaries),
                                                  {"abcdefgh", second});
    const std::size_t secondAttachment = whole.rfind(second);
    for (const std::size_t cut : {secondAttachment + 2, secondAttachment - 8, whole.size() / 2,
                                  secondAttachment + second.size() - 1}) {
      SCOPED_TRACE(cut);
      server.enqueue(qztest::httpAnswer(whole.substr(0, cut), "application/dime"));
      answerResult("<item xsi:type=\"xsd:int\">1</item>");
      QZValue result;
      const auto start = std::chrono::steady_clock::now();
      EXPECT_NE(0, call("getImages", QZValue(), result));
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
      QZ::wire::finishCall(soap);
      result.clear();
      ASSERT_EQ(0, call("getValue", QZValue(), result));
      EXPECT_EQ(QZValue(1), result);
      QZ::wire::finishCall(soap);
    }
  }
}

// The envelope record in two chunks, cut at `cut`.
// Attachments follow when `attachments` holds any.
std::string chunkedEnvelope(const std::string& envelope, std::size_t cut,
                            const std::vector<std::string>& attachments = {}) {
  std::string first = qztest::dimeRecordBytes(true, false, 0x20, "cid:id0",
                                              "http://schemas.xmlsoap.org/soap/envelope/",
                                              envelope.substr(0, cut), static_cast<std::uint32_t>(cut));
  first[0] = static_cast<char>(first[0] | 0x01);  // CF: continued in the next record
  std::string message = first + qztest::dimeRecordBytes(false, attachments.empty(), 0x00, "", "",
                                                        envelope.substr(cut),
                                                        static_cast<std::uint32_t>(envelope.size() - cut));
  for (std::size_t i = 0; i < attachments.size(); ++i)
    message += qztest::dimeRecordBytes(false, i + 1 == attachments.size(), 0x10, "image",
                                       "application/octet-stream", attachments[i],
                                       static_cast<std::uint32_t>(attachments[i].size()));
  return message;
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

// Attachments after an envelope record in chunks arrive whole, wherever the chunk
// boundary falls and whatever the envelope's last chunk holds after the envelope.
TEST_F(DimeAnswerTest, AttachmentsAfterAnEnvelopeInChunksArrive) {
  const std::vector<std::string> attachments{"abcde", std::string("\x00\x01", 2)};
  for (const std::string& after : {std::string(), std::string("\r\n")}) {
    const std::string envelope = qztest::answerEnvelope("callTamsaResponse", kTwoBinaries) + after;
    for (std::size_t cut : {std::size_t(10), envelope.find("MQ=="), envelope.size() - 1}) {
      SCOPED_TRACE(cut);
      server.enqueue(qztest::httpAnswer(chunkedEnvelope(envelope, cut, attachments), "application/dime"));
      QZValue result;
      ASSERT_EQ(0, call("getImages", QZValue(), result));
      EXPECT_EQ(2u, result.getSize());
      EXPECT_EQ(attachments, received(soap));
      QZ::wire::finishCall(soap);
    }
  }
  EXPECT_EQ(1, server.connectionsAccepted());
}

// A broker that streams its answer writes each record as an HTTP chunk of its own, so
// the envelope's chunks end exactly where the bytes received so far end. Chunk
// extensions and trailer lines change nothing.
TEST_F(DimeAnswerTest, EnvelopeChunksInHttpChunksOfTheirOwnAreRead) {
  const std::vector<std::string> attachments{"abcde", ""};
  const std::string envelope = qztest::answerEnvelope("callTamsaResponse", kTwoBinaries);
  for (std::size_t cut : {std::size_t(100), envelope.find("MQ=="), envelope.size() - 3}) {
    SCOPED_TRACE(cut);
    const std::string message = chunkedEnvelope(envelope, cut, attachments);
    const std::size_t secondRecord = 12 + 8 + 44 + (cut + 3) / 4 * 4;
    std::string answer =
        "HTTP/1.1 200 OK\r\nContent-Type: application/dime\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (const std::string& piece : {message.substr(0, secondRecord), message.substr(secondRecord)}) {
      char size[32];
      std::snprintf(size, sizeof size, "%zx;record\r\n", piece.size());
      answer += size + piece + "\r\n";
    }
    server.enqueue(answer + "0\r\nX-Trailer: done\r\n\r\n");
    QZValue result;
    ASSERT_EQ(0, call("getImages", QZValue(), result));
    EXPECT_EQ(2u, result.getSize());
    EXPECT_EQ(attachments, received(soap));
    QZ::wire::finishCall(soap);
  }
  // The connection stays usable: nothing of the chunked body was left on it.
  answerResult("<item xsi:type=\"xsd:int\">1</item>");
  QZValue result;
  ASSERT_EQ(0, call("getValue", QZValue(), result));
  EXPECT_EQ(QZValue(1), result);
  EXPECT_EQ(1, server.connectionsAccepted());
}

// The decoders under the answer reader take their input in any pieces.
std::string decodeInPieces(const std::string& message, std::size_t piece,
                           std::vector<std::string>& attachments, bool& finished) {
  QZ::wire::DimeMessage decoder;
  std::vector<QZ::wire::DimeBytes> payloads;
  std::string envelope;
  for (std::size_t at = 0; at < message.size(); at += piece) {
    std::string bytes = message.substr(at, piece);
    envelope.append(bytes.data(), decoder.decode(&bytes[0], bytes.size(), payloads));
  }
  finished = decoder.finished();
  for (const QZ::wire::DimeBytes& payload : payloads) attachments.emplace_back(payload.begin(), payload.end());
  return envelope;
}

TEST(DimeMessage, PayloadsComeWholeHoweverTheRecordsAndTheInputAreCut) {
  // Options, IDs and types of every length pad differently; payloads may be empty.
  std::string message = qztest::dimeRecordBytes(true, false, 0x20, "cid:id0", "urn:x", "<e/>", 4);
  message[0] = static_cast<char>(message[0] | 0x01);  // the envelope goes on in the next record
  message += qztest::dimeRecordBytes(false, false, 0x00, "", "", "<f/>", 4);
  message += qztest::dimeRecordBytes(false, false, 0x10, "a", "bc", "", 0);
  message += qztest::dimeRecordBytes(false, true, 0x10, "image", "application/octet-stream", "xyz", 3);
  for (std::size_t piece = 1; piece <= message.size(); ++piece) {
    std::vector<std::string> attachments;
    bool finished = false;
    EXPECT_EQ("<e/><f/>", decodeInPieces(message, piece, attachments, finished)) << piece;
    EXPECT_EQ((std::vector<std::string>{"", "xyz"}), attachments) << piece;
    EXPECT_TRUE(finished) << piece;
  }
  // Cut short by its last padding byte, or followed by bytes a record should have held.
  for (const std::string& wrong : {message.substr(0, message.size() - 1), message + "more"}) {
    std::vector<std::string> attachments;
    bool finished = true;
    decodeInPieces(wrong, 7, attachments, finished);
    EXPECT_FALSE(finished) << wrong.size();
  }
}

TEST(ChunkedBody, ExtensionsAndTrailersAreDroppedAndTheBodyEndsAtItsLastChunk) {
  const std::string coded = "3;a=b\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\nnext";
  for (std::size_t piece = 1; piece <= coded.size(); ++piece) {
    QZ::wire::ChunkedBody body;
    std::string decoded;
    std::size_t measured = 0;
    QZ::wire::ChunkedBody follower;
    for (std::size_t at = 0; at < coded.size(); at += piece) {
      std::string bytes = coded.substr(at, piece);
      measured += follower.measure(bytes.data(), bytes.size());
      decoded.append(bytes.data(), body.decode(&bytes[0], bytes.size()));
    }
    EXPECT_EQ("abc0123456789", decoded) << piece;
    EXPECT_TRUE(body.finished()) << piece;
    EXPECT_EQ(coded.size() - 4, measured) << piece;  // "next" is not the body's
  }
  for (const char* broken : {"x\r\n", "3\r\nabcX", "FFFFFFFFFFFFFFFF\r\n"}) {
    QZ::wire::ChunkedBody body;
    std::string bytes = broken;
    body.decode(&bytes[0], bytes.size());
    EXPECT_TRUE(body.failed()) << broken;
  }
}

}  // namespace
