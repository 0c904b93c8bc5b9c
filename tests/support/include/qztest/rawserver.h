// A loopback HTTP test server that records every request byte for byte and answers
// from canned raw bytes, so tests see exactly what a client sends and can feed it
// any answer: well-formed, length-less, chunked, slow, truncated or hostile.
#ifndef QZTEST_RAWSERVER_H
#define QZTEST_RAWSERVER_H

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qztest {

// One HTTP request as it arrived.
struct RawRequest {
  std::string head;  // request line and header lines, up to and including the empty line
  std::string body;  // exactly Content-Length bytes
  int connection = 0;  // 0 for the first TCP connection accepted, 1 for the next, ...

  std::string bytes() const { return head + body; }
  // The value of a header line ("" when absent); names compare without case.
  std::string header(const std::string& name) const;
};

// What the server writes back for one request.
struct RawAnswer {
  std::string bytes;           // written as they are
  bool closeAfter = false;     // close the connection once written (length-less answers)
  std::size_t writeLimit = std::string::npos;  // write only this many bytes, then close
  std::size_t pieceSize = 0;   // > 0: write in pieces of this size ...
  std::chrono::milliseconds pause{0};  // ... with this pause before each piece

  RawAnswer() = default;
  RawAnswer(std::string raw) : bytes(std::move(raw)) {}  // NOLINT: canned bytes convert
  static RawAnswer closing(std::string raw);             // closeAfter set
  static RawAnswer truncated(std::string raw, std::size_t limit);
  static RawAnswer slow(std::string raw, std::size_t piece, std::chrono::milliseconds pause);
};

class RawServer {
public:
  using Handler = std::function<RawAnswer(const RawRequest&)>;

  // Binds 127.0.0.1 on an ephemeral port and starts serving on its own thread.
  RawServer();
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return fPort; }
  std::string hostPort() const;  // "127.0.0.1:PORT"
  std::string endpoint() const;  // "http://127.0.0.1:PORT"

  // Answers are taken from the queue in order; when it is empty the handler builds
  // the answer; with neither, the connection is closed without an answer.
  void enqueue(RawAnswer answer);
  void setHandler(Handler handler);

  std::vector<RawRequest> requests() const;
  // Waits until `count` requests have arrived, at most `limit`; false when they did not.
  bool waitForRequests(std::size_t count,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
  RawRequest request(std::size_t index) const;  // fails the test when absent
  int connectionsAccepted() const;

private:
  struct Connection;
  void serve();
  bool handleReadable(Connection& connection);
  RawAnswer nextAnswer(const RawRequest& request);

  int fListener = -1;
  int fPort = 0;
  int fWakeRead = -1;
  int fWakeWrite = -1;
  mutable std::mutex fMutex;
  std::deque<RawAnswer> fQueue;
  Handler fHandler;
  std::vector<RawRequest> fRequests;
  int fAccepted = 0;
  std::thread fThread;
};

}  // namespace qztest

#endif
