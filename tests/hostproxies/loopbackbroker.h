// A loopback broker for the host proxies: canned answers queued one per request,
// and the calls that arrived, parsed back into operation, module, method and arguments.
#ifndef HOSTPROXIES_LOOPBACKBROKER_H
#define HOSTPROXIES_LOOPBACKBROKER_H

#include "qztest/rawserver.h"

#include <string>
#include <vector>

namespace hostproxies {

// One element of the argument list as it travels: its xsi:type and, for a scalar, its text.
struct WireItem {
  std::string type;
  std::string text;
};

struct WireCall {
  std::string operation;        // "callTamsa", "callTamsa2" or "getModuleByName"
  std::string module;           // qzbroker:mod, or qzbroker:pModuleName of a lookup
  std::string method;           // qzbroker:meth
  std::vector<WireItem> top;    // the items directly inside qzbroker:p
  std::vector<WireItem> args;   // the elements of the argument Array, when top is one Array
};

// Parses a request body; fails the current test when it is not a broker call.
WireCall parseCall(const std::string& body);

// The item text of a status pair [Int 1, value] with `valueXml` as the value.
std::string statusPair(const std::string& valueXml);

class LoopbackBroker {
public:
  int port() const { return server.port(); }
  std::string endpoint() const { return server.endpoint(); }

  // The next lookup finds `module` at `ip` and this broker's port.
  void answerLookup(const std::string& module, const std::string& ip = "127.0.0.1");
  // The next lookup fails with a SOAP fault: the broker knows no such module.
  void refuseLookup();
  // The next call is answered with the result `itemXml`.
  void answerCall(const std::string& itemXml);
  // The next posted call is answered with the task id `taskId`.
  void answerPost(int taskId);
  // The next call is answered with a SOAP fault.
  void answerFault(const std::string& faultString, const std::string& detail);

  std::size_t requestCount() const { return server.requests().size(); }
  WireCall lastCall() const;  // fails the test when nothing arrived

  qztest::RawServer server;
};

}  // namespace hostproxies

#endif
