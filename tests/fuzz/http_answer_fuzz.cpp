// Fuzz entry of the client's HTTP receive path: one context reads two answers in a
// row from an in-memory broker, then a well-formed third one. An input either gives
// the first two answers' bytes as they are, or describes them: a body framed by
// Content-Length, by chunks cut where the input says, or by the broker closing the
// connection. Besides surviving every input, the client must keep these promises:
// - a described answer gives the same outcome as the same body framed by
//   Content-Length on a fresh context: framing and an earlier answer on the same
//   connection change nothing;
// - the client never waits for more bytes than a whole answer holds;
// - once the client sends its next request, no byte of the previous answer is left
//   unread on a connection it keeps, and bytes the broker sent beyond an answer that
//   the client received are not taken for the next answer;
// - after whatever came before, a well-formed answer on a connection without stray
//   bytes is read right.
#include "answer_bytes.h"
#include "call_outcome.h"
#include "fuzz_input.h"
#include "memory_broker.h"

#include "qzbrokerclient.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using qzfuzz::CallOutcome;
using qzfuzz::FuzzInput;
using qzfuzz::ScriptedAnswer;

const char kXmlType[] = "text/xml; charset=utf-8";

void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// A described answer: its body and how it travels.
struct Described {
  std::string status;
  std::string body;
  std::string stray;  // bytes the broker sent after the answer
  ScriptedAnswer framed;
};

std::string lowerHex(std::size_t size, std::size_t) {
  char line[32];
  std::snprintf(line, sizeof line, "%zx\r\n", size);
  return line;
}

std::string paddedUpperHex(std::size_t size, std::size_t) {
  char line[32];
  std::snprintf(line, sizeof line, "%08zX\r\n", size);
  return line;
}

std::string hexWithExtension(std::size_t size, std::size_t index) {
  char line[48];
  std::snprintf(line, sizeof line, "%zx;part=%zu\r\n", size, index);
  return line;
}

Described describeAnswer(FuzzInput& input) {
  static std::string (*const kSizeLines[])(std::size_t, std::size_t) = {lowerHex, paddedUpperHex,
                                                                        hexWithExtension};
  Described answer;
  const std::size_t framing = input.choice(3);
  // Without a length or chunks, a status other than 200 comes without a body.
  answer.status = framing != 2 && input.flag() ? "500 Internal Server Error" : "200 OK";
  const bool whole = input.flag();
  const bool lineEnd = input.flag();  // what a broker may write after its envelope
  answer.body = input.text();
  if (!whole || answer.body.empty()) answer.body = qzfuzz::answerEnvelope(answer.body);
  if (lineEnd) answer.body += "\r\n";
  switch (framing) {
    case 0:
      answer.framed.bytes = qzfuzz::contentLengthAnswer(answer.status, kXmlType, answer.body);
      break;
    case 1: {
      std::vector<std::size_t> cuts(input.choice(8));
      for (std::size_t& cut : cuts) cut = input.number16() % (answer.body.size() + 1);
      std::sort(cuts.begin(), cuts.end());
      answer.framed.bytes = qzfuzz::chunkedAnswer(answer.status, kXmlType, answer.body, cuts,
                                                  kSizeLines[input.choice(3)]);
      break;
    }
    default:
      answer.framed.bytes = qzfuzz::untilCloseAnswer(answer.status, kXmlType, answer.body);
      answer.framed.closeAfter = true;
      return answer;
  }
  // A broker may send bytes beyond what its framing declares: they belong to no answer.
  if (input.flag()) answer.stray = input.text(64);
  answer.framed.bytes += answer.stray;
  return answer;
}

CallOutcome referenceOutcome(const Described& answer) {
  qzfuzz::MemoryBroker broker({{qzfuzz::contentLengthAnswer(answer.status, kXmlType, answer.body)}});
  struct soap* soap = QZ::wire::newClientContext(0);
  broker.attach(soap);
  CallOutcome outcome = qzfuzz::callOnce(soap);
  QZ::wire::freeClientContext(soap);
  if (broker.stalls() != 0) fail("the client waited for more than a whole answer", answer.body);
  return outcome;
}

const QZ::QZValue kWellFormedValue(7);

ScriptedAnswer wellFormedAnswer() {
  return {qzfuzz::contentLengthAnswer("200 OK", kXmlType,
                                      qzfuzz::answerEnvelope("<item xsi:type=\"xsd:int\">7</item>"))};
}

// What one call of several on a context came to, and what it left on the connection.
struct Step {
  CallOutcome outcome;
  std::size_t unread = 0;  // bytes left unread when the next request goes out
  bool waited = false;     // the call waited for bytes the broker never sent
  bool afterStray = false;  // an earlier step left bytes unread on the connection
};

// Runs the answers on one context, in order, then the well-formed one; `check` sees
// each step but the last.
template <class Check>
void runInOrder(std::vector<ScriptedAnswer> answers, Check check) {
  answers.push_back(wellFormedAnswer());
  qzfuzz::MemoryBroker broker(answers);
  struct soap* soap = QZ::wire::newClientContext(0);
  broker.attach(soap);
  bool stray = false;
  for (std::size_t i = 0; i + 1 < answers.size(); ++i) {
    const int stallsBefore = broker.stalls();
    Step step;
    step.afterStray = stray;
    step.outcome = qzfuzz::callOnce(soap);
    step.unread = broker.unreadBytes();
    step.waited = broker.stalls() != stallsBefore;
    check(i, step);
    stray = stray || step.unread != 0;
  }
  // A call that received nothing at all on a kept connection is sent again on a new
  // one, which may already have taken the well-formed answer.
  const bool lastAnswerLeft = broker.answersSent() + 1 == answers.size();
  const CallOutcome last = qzfuzz::callOnce(soap);
  QZ::wire::freeClientContext(soap);
  if (!stray && lastAnswerLeft && (last.status != 0 || !(last.value == kWellFormedValue)))
    fail("a well-formed answer after the others was not read", qzfuzz::describe(last));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  if (input.choice(2) == 0) {
    // Raw bytes: only the answer after them is held to anything.
    ScriptedAnswer first{input.text(), input.flag()};
    ScriptedAnswer second{input.rest(), false};
    runInOrder({first, second}, [](std::size_t, const Step&) {});
    return 0;
  }
  const Described answers[2] = {describeAnswer(input), describeAnswer(input)};
  const CallOutcome references[2] = {referenceOutcome(answers[0]), referenceOutcome(answers[1])};
  runInOrder({answers[0].framed, answers[1].framed}, [&](std::size_t i, const Step& step) {
    const std::string which = "answer " + std::to_string(i + 1) + ": " + answers[i].framed.bytes;
    if (step.unread > answers[i].stray.size())
      fail("bytes of an answer left for the next one",
           std::to_string(step.unread) + " bytes after " + which);
    if (step.waited) fail("the client waited for more than a whole answer", which);
    // Stray bytes still on the connection are read as the next answer's start: the
    // client cannot know them from it. Those it has received must not be.
    if (step.afterStray) return;
    const std::string difference = qzfuzz::outcomeDifference(step.outcome, references[i]);
    if (!difference.empty())
      fail("the framing or the answer before changed the outcome",
           "differs in " + difference + "\nframed: " + qzfuzz::describe(step.outcome) +
               "\nreference: " + qzfuzz::describe(references[i]) + "\n" + which);
  });
  return 0;
}
