// The broker's end of a client connection, in memory, for fuzzing the client's receive
// path without a socket. Each request the client sends makes the next scripted answer
// arrive on the connection, as a broker answers one request at a time. Reading past
// what has arrived finds the end of the input, so no call waits; such reads are
// counted, for on a real connection the client would wait there. A new connection
// starts empty: bytes left unread on a closed one are gone with it.
#ifndef QZFUZZ_MEMORY_BROKER_H
#define QZFUZZ_MEMORY_BROKER_H

#include <cstddef>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

struct soap;

namespace qzfuzz {

// One scripted answer: its bytes, and whether the broker closes the connection once
// they are all read.
struct ScriptedAnswer {
  std::string bytes;
  bool closeAfter = false;
};

class MemoryBroker : private std::streambuf {
public:
  explicit MemoryBroker(std::vector<ScriptedAnswer> answers);
  ~MemoryBroker() override;
  MemoryBroker(const MemoryBroker&) = delete;
  MemoryBroker& operator=(const MemoryBroker&) = delete;

  // Routes the context's connections here; the broker must outlive the context.
  void attach(struct soap* soap);

  // How many of the scripted answers went out.
  std::size_t answersSent() const { return fNextAnswer; }
  // Bytes still unread on the open connection (0 when it is closed).
  std::size_t unreadBytes() const;
  // Reads that found nothing more on a connection the broker keeps open: on a real
  // connection the client would wait there, forever when it has no time-out.
  int stalls() const { return fStalls; }

private:
  friend struct MemoryBrokerHooks;

  void openConnection();
  void closeConnection();
  void requestSent();
  // Any read ends the sending of a request.
  std::streamsize xsgetn(char* buffer, std::streamsize size) override;
  int_type underflow() override;

  std::vector<ScriptedAnswer> fAnswers;
  std::size_t fNextAnswer = 0;
  std::istream fStream;
  std::size_t (*fEngineReceive)(struct soap*, char*, std::size_t) = nullptr;
  int fSocket = -1;            // an fd of /dev/null: a real descriptor nobody reads
  bool fOpen = false;
  bool fSending = false;       // a request is being sent: no read since it began
  bool fBrokerClosed = false;  // the broker closed its end after an answer
  std::string fArrived;        // what the open connection carries, read or not
  bool fCloseAfterArrived = false;
  int fStalls = 0;
};

}  // namespace qzfuzz

#endif
