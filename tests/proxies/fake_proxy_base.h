// Test stand-in for the body of QZ::QZProxyRemote: it records what the generated
// proxies ask of their base and answers from a script, so that they are tested
// without a broker.
#ifndef TESTS_PROXIES_FAKE_PROXY_BASE_H
#define TESTS_PROXIES_FAKE_PROXY_BASE_H

#include "qzvalue/qzvalue.h"

#include <string>
#include <vector>

namespace fakebase {

struct Construction {
  std::string module;
  std::string ip;
  int port;
  int reserved;
  int timeout;
  int timeoutMs;  // 0 from the constructor without one
};

struct Call {
  std::string module;  // of the proxy object whose genericCall/genericPost ran
  std::string method;
  QZ::QZValue params;
  bool posted;
};

struct Log {
  std::vector<Construction> constructions;  // only the module-addressing constructor
  std::vector<Call> calls;
  QZ::QZValue answer;  // what every genericCall leaves in its result
  int nextTaskId = 100;
};

// The one log of the test program; reset() empties it before each test.
Log& log();
void reset();

}  // namespace fakebase

#endif
