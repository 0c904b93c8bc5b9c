// A small loopback HTTP server for the benchmarks: one thread per kept-alive
// connection, each request read whole (head and Content-Length body) and answered by a
// handler. Every client under test talks to the same server, so only the client side
// differs between the figures.
#ifndef QZBENCH_BENCHSERVER_H
#define QZBENCH_BENCHSERVER_H

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qzbench {

// One request as it arrived. The views point into the connection's buffer and stay
// valid until the answer has been written.
struct Request {
  std::string_view head;  // request line and header lines, up to the empty line
  std::string_view body;  // exactly Content-Length bytes
  bool dime = false;      // Content-Type: application/dime
};

// What the handler writes back. The body is sent as a list of pieces without copying,
// so a piece may point into the request (an attachment echoed back), into a prebuilt
// answer, or into text the reply keeps.
struct Reply {
  std::string status = "200 OK";
  std::string contentType;                // empty: close the connection, no answer
  std::vector<std::string_view> body;
  std::deque<std::string> kept;           // stable addresses for the pieces built here

  void add(std::string_view piece) { body.push_back(piece); }
  void addCopy(std::string text) {
    kept.push_back(std::move(text));
    body.push_back(kept.back());
  }
};

class BenchServer {
public:
  using Handler = std::function<void(const Request&, Reply&)>;

  // Binds 127.0.0.1 on an ephemeral port and accepts on its own thread. Throws
  // std::runtime_error when the socket cannot be set up.
  explicit BenchServer(Handler handler);
  // Stops accepting, ends every connection and joins all threads.
  ~BenchServer();
  BenchServer(const BenchServer&) = delete;
  BenchServer& operator=(const BenchServer&) = delete;

  int port() const { return fPort; }

private:
  void acceptLoop();
  void serveConnection(int fd);

  Handler fHandler;
  int fListener = -1;
  int fPort = 0;
  int fWake[2] = {-1, -1};  // written once to stop the accept loop
  mutable std::mutex fMutex;
  bool fStopping = false;
  std::vector<int> fOpen;  // connections still served, shut down on stop
  std::vector<std::thread> fWorkers;
  std::thread fAcceptor;
};

}  // namespace qzbench

#endif
