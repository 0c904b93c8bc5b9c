// A loopback broker stand-in for the connection tests: it answers module lookups with
// a record that points at a chosen address and port, and every call through a handler
// that sees the method name and the raw request.
#ifndef QZTEST_BROKERSTUB_H
#define QZTEST_BROKERSTUB_H

#include "qztest/httpanswers.h"
#include "qztest/rawserver.h"

#include <functional>
#include <string>

namespace qztest {

// The text between <TAG> and </TAG> in a request body ("" when absent).
inline std::string elementText(const std::string& body, const std::string& tag) {
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  const std::size_t start = body.find(open);
  if (start == std::string::npos) return "";
  const std::size_t end = body.find(close, start);
  return end == std::string::npos ? "" : body.substr(start + open.size(), end - start - open.size());
}

inline std::string moduleRecordXml(const std::string& name, const std::string& ip, int port) {
  return "<name>" + name + "</name><architecture>3</architecture><ip>" + ip + "</ip><port>" +
         std::to_string(port) +
         "</port><processId>1</processId><modulePointer>0</modulePointer>"
         "<isABroker>false</isABroker><keepAlive>false</keepAlive>";
}

inline RawAnswer moduleAnswer(const std::string& name, const std::string& ip, int port) {
  return httpAnswer(answerEnvelope("getModuleByNameResponse", moduleRecordXml(name, ip, port)));
}

inline RawAnswer resultAnswer(const std::string& itemXml, bool posted = false) {
  return httpAnswer(answerEnvelope(posted ? "callTamsa2Response" : "callTamsaResponse", itemXml));
}

// Answers lookups for any module with ip "0.0.0.0" and its own port, and calls with
// the result of `onCall` (an item text); posted calls with the task id 41.
class BrokerStub {
public:
  using OnCall = std::function<RawAnswer(const std::string& method, const RawRequest&)>;

  explicit BrokerStub(OnCall onCall = nullptr) : fOnCall(std::move(onCall)) {
    fServer.setHandler([this](const RawRequest& request) { return answer(request); });
  }
  RawServer& server() { return fServer; }
  int port() const { return fServer.port(); }

private:
  RawAnswer answer(const RawRequest& request) {
    if (request.body.find("qzbroker:getModuleByName>") != std::string::npos)
      return moduleAnswer(elementText(request.body, "qzbroker:pModuleName"), "0.0.0.0", fServer.port());
    const std::string method = elementText(request.body, "qzbroker:meth");
    if (request.body.find("<qzbroker:callTamsa2>") != std::string::npos)
      return resultAnswer("<item xsi:type=\"xsd:int\">41</item>", true);
    if (fOnCall) return fOnCall(method, request);
    return resultAnswer("<item xsi:type=\"xsd:boolean\">true</item>");
  }

  OnCall fOnCall;
  RawServer fServer;
};

}  // namespace qztest

#endif
