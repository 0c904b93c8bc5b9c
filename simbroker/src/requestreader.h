// The input side of one connection: reads requests off the socket one at a time and
// hands the engine exactly one request's bytes, its head and then its body up to the
// announced length or the last chunk (decoded), and nothing after. What follows (the
// next request of a client that sends several at once) stays here for the next turn.
#ifndef QZSIM_REQUESTREADER_H
#define QZSIM_REQUESTREADER_H

#include "chunkedbody.h"
#include "httphead.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace qzsim {

class RequestReader {
public:
  // `idleSeconds` bounds every wait for bytes, and the whole head once it has begun;
  // `maxBodyBytes` bounds a request's body.
  RequestReader(int socket, int idleSeconds, unsigned long long maxBodyBytes);
  RequestReader(const RequestReader&) = delete;
  RequestReader& operator=(const RequestReader&) = delete;

  enum class Next {
    Request,  // a head was read: the engine may read the request
    Idle,     // the client closed or went silent between requests, or the body
              // before could not be read: nothing to answer, the connection ends
    Refused,  // the head is unreadable, or announces what the broker does not take
  };
  // Drops what is left of the present request's body and reads the next head.
  Next next();
  const RequestHead& head() const { return fHead; }

  // The engine's receive: the head, then the body's bytes; 0 at the body's end, and
  // once the body cannot be read (see refusal()).
  std::size_t read(char* out, std::size_t size);
  // Reads and drops the rest of the body; false when it cannot be read.
  bool skipBody();

  // The whole request whose head next() has just read, when its body (with a
  // Content-Length) has already been received: its head and body bytes, which stay
  // valid until the next call of the reader. False otherwise, or once the engine has
  // begun reading it.
  bool wholeRequest(const char*& head, std::size_t& headSize, const char*& body,
                    std::size_t& bodySize) const;
  // Takes that whole request as served: the next call of next() reads what follows it.
  void dropWholeRequest();

  // Why the last head was refused or its body could not be read; status 0 otherwise.
  const Refusal& refusal() const { return fRefusal; }
  // The client has closed its side (or the connection broke).
  bool peerClosed() const { return fPeerClosed; }
  int socket() const { return fSocket; }

private:
  enum class Phase { Between, Head, Body, Failed };
  using Clock = std::chrono::steady_clock;

  // Bytes from the socket: > 0 read, 0 closed by the client, -1 nothing before
  // `deadline`. `waitFirst` when the bytes are unlikely to be there yet.
  long receive(char* out, std::size_t size, Clock::time_point deadline, bool waitFirst);
  // More bytes into the buffer; the same results.
  long fill(Clock::time_point deadline, bool waitFirst);
  Clock::time_point idleDeadline() const { return Clock::now() + fIdle; }
  bool onlyBlankLines() const;
  std::size_t bodyBytes(char* out, std::size_t size, bool mayWait);
  std::size_t fail(int status, const char* reason);

  const int fSocket;
  const std::chrono::seconds fIdle;
  const unsigned long long fMaxBodyBytes;
  std::unique_ptr<char[]> fBuffer;  // received, not yet handed on: [fBegin, fEnd)
  std::size_t fBegin = 0;
  std::size_t fEnd = 0;
  bool fPeerClosed = false;
  // The socket blocks, and waits for bytes between requests time out by themselves
  // (SO_RCVTIMEO of the idle time): one receive instead of a poll and a receive.
  bool fTimedReceive = false;

  Phase fPhase = Phase::Between;
  RequestHead fHead;
  Refusal fRefusal;
  std::size_t fHeadSize = 0;  // the raw head, at the front of the buffer until read
  std::string fEngineHead;    // the head as the engine reads it, made at its first read
  std::size_t fEngineHeadGiven = 0;
  unsigned long long fBodyLeft = 0;  // of a body with a length
  unsigned long long fBodyRead = 0;  // of a chunked body, decoded
  ChunkedDecoder fChunks;
};

}  // namespace qzsim

#endif
