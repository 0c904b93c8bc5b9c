#include "requestreader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qzsim {

namespace {

// Holds a whole head, and is the block a receive reads at most.
constexpr std::size_t kBufferBytes = kMaxHeadBytes;

int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<long long>(0, std::min<long long>(left.count(), 1 << 30)));
}

}  // namespace

RequestReader::RequestReader(int socket, int idleSeconds, unsigned long long maxBodyBytes)
    : fSocket(socket), fIdle(idleSeconds), fMaxBodyBytes(maxBodyBytes), fBuffer(new char[kBufferBytes]) {
  // Waits between requests block in the receive itself, bounded by the socket's own
  // time-outs; every other receive and send here says MSG_DONTWAIT and polls, and the
  // engine's sends wait for the socket before they write. So the socket may block, as
  // long as a blocked send is bounded too.
  const int flags = ::fcntl(socket, F_GETFL);
  if (flags < 0 || idleSeconds <= 0) return;
  timeval idle{};
  idle.tv_sec = idleSeconds;
  if (::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle) != 0 ||
      ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &idle, sizeof idle) != 0)
    return;
  fTimedReceive = (flags & O_NONBLOCK) == 0 || ::fcntl(socket, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

long RequestReader::receive(char* out, std::size_t size, Clock::time_point deadline, bool waitFirst) {
  if (waitFirst && fTimedReceive) {
    // A wait of the whole idle time (the deadline is now + idle): the socket's own
    // receive time-out bounds it, give or take the time it took to get here.
    for (;;) {
      const ssize_t n = ::recv(fSocket, out, size, 0);
      if (n > 0) return static_cast<long>(n);
      if (n < 0 && errno == EINTR) {
        if (Clock::now() >= deadline) return -1;
        continue;
      }
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return -1;
      fPeerClosed = true;  // closed, reset, or shut down by the broker's stop
      return 0;
    }
  }
  for (bool wait = waitFirst;; wait = true) {
    if (wait) {
      pollfd waiting{fSocket, POLLIN, 0};
      const int ready = ::poll(&waiting, 1, millisecondsUntil(deadline));
      if (ready == 0) return -1;
      if (ready < 0 && errno != EINTR) {
        fPeerClosed = true;
        return 0;
      }
    }
    const ssize_t n = ::recv(fSocket, out, size, MSG_DONTWAIT);
    if (n > 0) return static_cast<long>(n);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
      fPeerClosed = true;  // closed, reset, or shut down by the broker's stop
      return 0;
    }
  }
}

long RequestReader::fill(Clock::time_point deadline, bool waitFirst) {
  if (fBegin == fEnd) fBegin = fEnd = 0;
  const long n = receive(fBuffer.get() + fEnd, kBufferBytes - fEnd, deadline, waitFirst);
  if (n > 0) fEnd += static_cast<std::size_t>(n);
  return n;
}

bool RequestReader::onlyBlankLines() const {
  for (std::size_t i = fBegin; i < fEnd; ++i)
    if (fBuffer[i] != '\r' && fBuffer[i] != '\n') return false;
  return true;
}

RequestReader::Next RequestReader::next() {
  // The request before has had its answer: a body that ends badly only ends the connection.
  if (fPhase == Phase::Failed || (fPhase != Phase::Between && !skipBody())) return Next::Idle;
  fRefusal = Refusal();
  // The head starts at the front of the buffer.
  if (fBegin > 0) {
    std::memmove(fBuffer.get(), fBuffer.get() + fBegin, fEnd - fBegin);
    fEnd -= fBegin;
    fBegin = 0;
  }
  HeadScanner scanner;
  Clock::time_point headDeadline = idleDeadline();
  bool begun = fEnd > 0;
  std::size_t headEnd = 0;
  while ((headEnd = scanner.scan(fBuffer.get(), fEnd, fRefusal)) == 0) {
    if (fRefusal) return Next::Refused;
    // Between requests the client is mostly still writing the next one: wait first.
    const long n = fill(begun ? headDeadline : idleDeadline(), !begun);
    if (n <= 0) {
      if (!begun || onlyBlankLines()) return Next::Idle;
      fRefusal = n == 0 ? Refusal{400, "The request ended inside its head"}
                        : Refusal{408, "The request's head did not arrive in time"};
      return Next::Refused;
    }
    if (!begun) headDeadline = idleDeadline();  // the head's time runs from its first byte
    begun = true;
  }
  if ((fRefusal = parseRequestHead(fBuffer.get(), headEnd, fHead))) return Next::Refused;
  if (!fHead.chunked && fHead.contentLength > fMaxBodyBytes) {
    fRefusal = Refusal{413, "The request is larger than the broker takes"};
    return Next::Refused;
  }
  fHeadSize = headEnd;
  fEngineHead.clear();
  fEngineHeadGiven = 0;
  fBegin = headEnd;
  fBodyLeft = fHead.chunked ? 0 : fHead.contentLength;
  fBodyRead = 0;
  fChunks = ChunkedDecoder();
  fPhase = Phase::Head;
  return Next::Request;
}

std::size_t RequestReader::read(char* out, std::size_t size) {
  std::size_t given = 0;
  if (fPhase == Phase::Head) {
    // The raw head is still at the front of the buffer: nothing was received since.
    if (fEngineHeadGiven == 0 && fEngineHead.empty()) fEngineHead = headForEngine(fBuffer.get(), fHeadSize, fHead);
    given = std::min(size, fEngineHead.size() - fEngineHeadGiven);
    std::memcpy(out, fEngineHead.data() + fEngineHeadGiven, given);
    fEngineHeadGiven += given;
    if (fEngineHeadGiven < fEngineHead.size()) return given;
    fPhase = Phase::Body;
  }
  if (fPhase == Phase::Body && given < size) given += bodyBytes(out + given, size - given, given == 0);
  return given;
}

std::size_t RequestReader::fail(int status, const char* reason) {
  fRefusal = Refusal{status, reason};
  fPhase = Phase::Failed;
  return 0;
}

// Body bytes into `out`: those already received first; the socket is waited on only
// when `mayWait` and nothing could be given otherwise.
std::size_t RequestReader::bodyBytes(char* out, std::size_t size, bool mayWait) {
  if (!fHead.chunked) {
    if (fBodyLeft == 0) return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<unsigned long long>(size, fBodyLeft));
    std::size_t n = std::min(want, fEnd - fBegin);
    if (n > 0) {
      std::memcpy(out, fBuffer.get() + fBegin, n);
      fBegin += n;
    } else if (mayWait) {
      const long got = receive(out, want, idleDeadline(), false);
      if (got == 0) return fail(400, "The request ended before its announced length");
      if (got < 0) return fail(408, "The request's body did not arrive in time");
      n = static_cast<std::size_t>(got);
    }
    fBodyLeft -= n;
    return n;
  }
  for (;;) {
    if (fChunks.done()) return 0;
    std::size_t used = 0;
    const std::size_t n = fChunks.decode(fBuffer.get() + fBegin, fEnd - fBegin, used, out, size);
    fBegin += used;
    fBodyRead += n;
    if (fChunks.failed()) return fail(400, "The request's chunks are malformed");
    if (fBodyRead > fMaxBodyBytes) return fail(413, "The request is larger than the broker takes");
    if (n > 0 || fChunks.done() || !mayWait) return n;
    const long got = fill(idleDeadline(), false);  // every byte received was used
    if (got == 0) return fail(400, "The request ended before its last chunk");
    if (got < 0) return fail(408, "The request's body did not arrive in time");
  }
}

bool RequestReader::wholeRequest(const char*& head, std::size_t& headSize, const char*& body,
                                 std::size_t& bodySize) const {
  if (fPhase != Phase::Head || fEngineHeadGiven != 0 || fHead.chunked || fBegin != fHeadSize ||
      fHead.contentLength > fEnd - fBegin)
    return false;
  head = fBuffer.get();
  headSize = fHeadSize;
  body = fBuffer.get() + fBegin;
  bodySize = static_cast<std::size_t>(fHead.contentLength);
  return true;
}

void RequestReader::dropWholeRequest() {
  fBegin += static_cast<std::size_t>(fBodyLeft);
  fBodyLeft = 0;
  fPhase = Phase::Between;
}

bool RequestReader::skipBody() {
  if (fPhase == Phase::Head) fPhase = Phase::Body;
  char dropped[16384];
  while (fPhase == Phase::Body && bodyBytes(dropped, sizeof dropped, true) > 0) {
  }
  if (fPhase == Phase::Failed) return false;
  fPhase = Phase::Between;
  return true;
}

}  // namespace qzsim
