// Fuzz entry of the client reading a DIME answer: HTTP head, DIME records with their
// chunk flags, lengths and padding, the envelope record, and the attachments restored
// into the result, all through the real client call on an in-memory broker. An input
// gives the answer's bytes as they are, or the DIME message under a correct HTTP head,
// or describes the answer: an envelope and attachments, each record cut into chunks
// where the input says, framed by Content-Length or by HTTP chunks. Besides surviving
// every input, the client must keep these promises:
// - a described answer gives what the same envelope gives as a plain answer, the
//   attachments arrive whole and in order, and each goes into the result's Binary
//   values in depth-first order;
// - the client never waits for more bytes than a whole answer holds;
// - after whatever came before, a well-formed DIME answer on a connection without
//   stray bytes is read right.
#include "answer_bytes.h"
#include "call_outcome.h"
#include "fuzz_input.h"
#include "memory_broker.h"

#include "qzbrokerclient.h"
#include "same_value.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using qzfuzz::CallOutcome;
using qzfuzz::DimeRecord;
using qzfuzz::FuzzInput;

const char kDimeType[] = "application/dime";

void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// Up to five ascending cut points within `size` bytes.
std::vector<std::size_t> cutsIn(FuzzInput& input, std::size_t size) {
  std::vector<std::size_t> cuts(input.choice(6));
  for (std::size_t& cut : cuts) cut = input.number16() % (size + 1);
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  return cuts;
}

// One payload as a record cut into chunks: the first chunk carries the ID and the
// type, the later ones type format "unchanged"; CF on all but the last.
std::string chunkedRecord(DimeRecord first, const std::vector<std::size_t>& cuts, bool begin,
                          bool end) {
  const std::string data = first.data;
  std::vector<std::size_t> bounds{0};
  for (std::size_t cut : cuts)
    if (cut > 0 && cut < data.size()) bounds.push_back(cut);
  bounds.push_back(data.size());
  std::string out;
  for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
    DimeRecord chunk = i == 0 ? first : DimeRecord{};
    chunk.begin = begin && i == 0;
    chunk.chunked = i + 2 < bounds.size();
    chunk.end = end && !chunk.chunked;
    chunk.data = data.substr(bounds[i], bounds[i + 1] - bounds[i]);
    out += qzfuzz::dimeRecordBytes(chunk);
  }
  return out;
}

struct Described {
  std::string envelope;
  std::vector<std::string> attachments;
  std::string bytes;  // the whole HTTP answer
};

Described describeAnswer(FuzzInput& input) {
  static const struct {
    int format;
    const char* id;
    const char* type;
  } kAttachmentKinds[] = {{0x10, "image", "application/octet-stream"},
                          {0x10, "", ""},
                          {0x20, "cid:picture", "http://example.invalid/picture"}};
  Described answer;
  const bool whole = input.flag();
  answer.envelope = input.text();
  if (!whole || answer.envelope.empty()) answer.envelope = qzfuzz::answerEnvelope(answer.envelope);
  answer.attachments.resize(input.choice(5));
  for (std::string& attachment : answer.attachments) attachment = input.text();

  DimeRecord envelope;
  envelope.typeFormat = 0x20;
  envelope.id = "cid:id0";
  envelope.type = qzfuzz::kEnvelopeNamespace;
  if (input.flag()) envelope.options = input.text(16);
  envelope.data = answer.envelope;
  std::string message = chunkedRecord(envelope, cutsIn(input, envelope.data.size()), true,
                                      answer.attachments.empty());
  for (std::size_t i = 0; i < answer.attachments.size(); ++i) {
    const auto& kind = kAttachmentKinds[input.choice(3)];
    DimeRecord record;
    record.typeFormat = kind.format;
    record.id = kind.id;
    record.type = kind.type;
    record.data = answer.attachments[i];
    message += chunkedRecord(record, cutsIn(input, record.data.size()), false,
                             i + 1 == answer.attachments.size());
  }
  if (input.flag()) {
    answer.bytes = qzfuzz::chunkedAnswer("200 OK", kDimeType, message, cutsIn(input, message.size()),
                                         [](std::size_t size, std::size_t) {
                                           char line[32];
                                           std::snprintf(line, sizeof line, "%zx\r\n", size);
                                           return std::string(line);
                                         });
  } else {
    answer.bytes = qzfuzz::contentLengthAnswer("200 OK", kDimeType, message);
  }
  return answer;
}

// A whole answer: all the bytes its framing declares are there, so the client never
// has to wait for more.
CallOutcome outcomeOfWhole(const std::string& answer) {
  qzfuzz::MemoryBroker broker({{answer}});
  struct soap* soap = QZ::wire::newClientContext(0);
  broker.attach(soap);
  CallOutcome outcome = qzfuzz::callOnce(soap);
  QZ::wire::freeClientContext(soap);
  if (broker.stalls() != 0) fail("the client waited for more than a whole answer", answer);
  return outcome;
}

// The received attachments go into the Binary values, depth first, one each.
void restoreInOrder(QZ::QZValue& value, const std::vector<std::string>& attachments,
                    std::size_t& next) {
  if (value.getType() == QZ::QZValue::TypeBinary) {
    if (next < attachments.size())
      value.SetBinary(attachments[next].data(), static_cast<int>(attachments[next].size()));
    ++next;
  } else if (value.getType() == QZ::QZValue::TypeArray) {
    for (unsigned int i = 0; i < value.getSize(); ++i)
      restoreInOrder(value[static_cast<int>(i)], attachments, next);
  }
}

void checkDescribed(const Described& answer) {
  const CallOutcome got = outcomeOfWhole(answer.bytes);
  CallOutcome expected = outcomeOfWhole(
      qzfuzz::contentLengthAnswer("200 OK", "text/xml; charset=utf-8", answer.envelope));
  // Attachments come after the envelope: a call that failed may have stopped before.
  if (got.status == 0) {
    expected.attachments = answer.attachments;
    std::size_t next = 0;
    restoreInOrder(expected.value, answer.attachments, next);
  } else {
    expected.attachments = got.attachments;
    expected.value = got.value;
  }
  const std::string difference = qzfuzz::outcomeDifference(got, expected);
  if (!difference.empty())
    fail("a DIME answer read otherwise than its envelope and attachments",
         "differs in " + difference + "\nDIME: " + qzfuzz::describe(got) +
             "\nexpected: " + qzfuzz::describe(expected));
}

// After `answer`, on the same context, a well-formed DIME answer with one attachment.
// A `whole` answer must not make the client wait for more.
void checkNextAnswer(const std::string& answer, bool whole) {
  const std::string envelope =
      qzfuzz::answerEnvelope("<item xsi:type=\"xsd:base64Binary\">MQ==</item>");
  DimeRecord soapRecord{true, false, false, 0x20, "", "cid:id0", qzfuzz::kEnvelopeNamespace, envelope};
  DimeRecord picture{false, true, false, 0x10, "", "image", "application/octet-stream", "abc"};
  const std::string next = qzfuzz::contentLengthAnswer(
      "200 OK", kDimeType, qzfuzz::dimeRecordBytes(soapRecord) + qzfuzz::dimeRecordBytes(picture));
  qzfuzz::MemoryBroker broker({{answer}, {next}});
  struct soap* soap = QZ::wire::newClientContext(0);
  broker.attach(soap);
  qzfuzz::callOnce(soap);
  if (whole && broker.stalls() != 0) fail("the client waited for more than a whole answer", answer);
  const bool stray = broker.unreadBytes() != 0;
  // A call that received nothing on a kept connection is sent again on a new one.
  const bool nextLeft = broker.answersSent() == 1;
  const CallOutcome last = qzfuzz::callOnce(soap);
  QZ::wire::freeClientContext(soap);
  QZ::QZValue expected;
  expected.SetBinary("abc", 3);
  if (!stray && nextLeft && (last.status != 0 || !qzfuzz::sameValue(last.value, expected)))
    fail("a well-formed DIME answer after another was not read", qzfuzz::describe(last));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  switch (input.choice(3)) {
    case 0:
      checkNextAnswer(input.rest(), false);
      break;
    case 1:
      checkNextAnswer(qzfuzz::contentLengthAnswer("200 OK", kDimeType, input.rest()), true);
      break;
    default:
      checkDescribed(describeAnswer(input));
      break;
  }
  return 0;
}
