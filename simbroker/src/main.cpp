// qzbroker-sim: the simulated robot broker as a program.
//
//   qzbroker-sim [--bind ADDRESS] [--port PORT] [--max-connections N] [--wsdl] [--help]
//
// Prints "listening on ADDRESS:PORT" once it listens (the real port when given 0)
// and serves until SIGINT or SIGTERM, then stops cleanly.
#include "qzsim/broker.h"
#include "wsdl.h"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

namespace {

constexpr long kMostConnections = 1 << 20;
// Descriptors beside the connections: the standard streams, the listening socket.
constexpr rlim_t kSpareDescriptors = 32;

const char kUsage[] =
    "usage: qzbroker-sim [--bind ADDRESS] [--port PORT] [--max-connections N] [--wsdl] [--help]\n"
    "\n"
    "The simulated robot broker: the 45 modules of the catalogue, served over the\n"
    "broker protocol (SOAP 1.1 over HTTP with DIME attachments).\n"
    "\n"
    "  --bind ADDRESS  address to listen on (default 127.0.0.1)\n"
    "  --port PORT     port to listen on, 0 for any free port (default 4700)\n"
    "  --max-connections N\n"
    "                  connections served at once (default 1024); further ones are\n"
    "                  closed at once\n"
    "  --wsdl          print a WSDL of the broker's operations and exit\n"
    "  --help          print this text and exit\n"
    "\n"
    "Once listening it prints \"listening on ADDRESS:PORT\"; SIGINT or SIGTERM stop it.\n";

bool parsePort(const char* text, int& port) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

bool parseCount(const char* text, int& count) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > kMostConnections) return false;
  count = static_cast<int>(value);
  return true;
}

// Every connection holds a file descriptor: the soft limit is raised to fit them all,
// as far as the hard limit lets it. Returns the limit, 0 when it is no bound.
rlim_t makeRoomForConnections(int connections) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  const rlim_t wanted = static_cast<rlim_t>(connections) + kSpareDescriptors;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted)
    return 0;
  return limit.rlim_cur;
}

int usageError(const std::string& message) {
  std::cerr << "qzbroker-sim: " << message << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string address = "127.0.0.1";
  int port = 4700;
  qzsim::BrokerLimits limits;
  limits.maxConnections = 1024;  // as --help says, whatever the library's default
  bool wsdl = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--wsdl") {
      wsdl = true;
    } else if ((arg == "--bind" || arg == "--port" || arg == "--max-connections") && i + 1 >= argc) {
      return usageError(arg + " needs a value");
    } else if (arg == "--bind") {
      address = argv[++i];
    } else if (arg == "--port") {
      if (!parsePort(argv[++i], port)) return usageError("not a port: " + std::string(argv[i]));
    } else if (arg == "--max-connections") {
      if (!parseCount(argv[++i], limits.maxConnections))
        return usageError("not a connection count: " + std::string(argv[i]));
    } else {
      return usageError("unknown argument: " + arg);
    }
  }
  if (wsdl) {
    std::cout << qzsim::wsdlFor(address, port);
    return 0;
  }

  // The signals are taken by sigwait below; every thread the broker starts inherits
  // the mask, so none of them is interrupted.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    const rlim_t descriptors = makeRoomForConnections(limits.maxConnections);
    qzsim::Broker broker(address, port, limits);
    std::printf("listening on %s:%d\n", address.c_str(), broker.port());
    std::fflush(stdout);
    if (descriptors != 0)
      std::cerr << "qzbroker-sim: only " << descriptors << " file descriptors are allowed: fewer than "
                << limits.maxConnections << " connections can be open at once\n";
    int received = 0;
    sigwait(&stopSignals, &received);
    broker.stop();
  } catch (const std::exception& error) {
    std::cerr << "qzbroker-sim:" << error.what() << "\n";
    return 1;
  }
  return 0;
}
