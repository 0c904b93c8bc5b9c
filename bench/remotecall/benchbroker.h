// The broker that the benchmarks talk to: a BenchServer answering, from prebuilt texts
// where it can,
// - qzbroker:getModuleByName with a record that points back at itself (127.0.0.1),
// - qzbroker:callTamsa `ping` with Bool true: as the status pair [Int 1, Bool true], or
//   plain for the module kPlainPingModule,
// - qzbroker:callTamsa `echoBinary` with a Binary result whose bytes are the request's
//   attachments, sent back as the answer's attachments,
// - qzbroker:callTamsa `floats` with an Array of floatCount Floats (made once, at start),
// - the plain echo service's ns:echo, with the request's attachments sent back too.
#ifndef QZBENCH_BENCHBROKER_H
#define QZBENCH_BENCHBROKER_H

#include "benchserver.h"
#include "benchwire.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace qzbench {

// The module whose ping is answered with a plain Bool instead of the status pair.
extern const char* const kPlainPingModule;

class BenchBroker {
public:
  explicit BenchBroker(int floatCount = 16);

  int port() const { return fServer.port(); }

  // Keeps the raw bytes (head and body) of the next qzbroker:callTamsa request.
  void captureNextCall();
  // What was kept; empty before such a request arrived.
  std::string capturedCall() const;
  // The envelope answering `floats`: the XML a client has to read.
  const std::string& floatAnswer() const { return fFloatAnswer; }
  std::size_t floatAnswerBytes() const { return fFloatAnswer.size(); }

private:
  void answer(const Request& request, Reply& reply);
  void answerCall(const Request& request, std::string_view envelope,
                  const std::vector<DimeRecord>& records, Reply& reply);

  const std::string fPairPing;
  const std::string fPlainPing;
  const std::string fBinaryAnswer;
  const std::string fFloatAnswer;
  std::atomic<bool> fCapture{false};
  mutable std::mutex fMutex;
  std::string fCaptured;
  BenchServer fServer;  // last: it serves from the texts above
};

}  // namespace qzbench

#endif
