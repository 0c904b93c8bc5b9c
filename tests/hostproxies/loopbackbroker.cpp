#include "loopbackbroker.h"

#include "qztest/httpanswers.h"

#include <gtest/gtest.h>

namespace hostproxies {

namespace {

std::string elementText(const std::string& body, const std::string& tag) {
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  const std::size_t start = body.find(open);
  if (start == std::string::npos) return "";
  const std::size_t end = body.find(close, start);
  if (end == std::string::npos) return "";
  return body.substr(start + open.size(), end - start - open.size());
}

std::string attribute(const std::string& tag, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const std::size_t start = tag.find(key);
  if (start == std::string::npos) return "";
  const std::size_t end = tag.find('"', start + key.size());
  return tag.substr(start + key.size(), end - start - key.size());
}

// The items at depth 1 and depth 2 of an item list; the writer escapes '<' in texts,
// so every '<' starts a tag.
void scanItems(const std::string& xml, std::vector<WireItem>& top, std::vector<WireItem>& second) {
  int depth = 0;
  std::size_t at = 0;
  for (int tags = 0; tags < 100000; ++tags) {
    const std::size_t open = xml.find('<', at);
    if (open == std::string::npos) return;
    const std::size_t close = xml.find('>', open);
    ASSERT_NE(close, std::string::npos) << xml;
    const std::string tag = xml.substr(open, close - open + 1);
    at = close + 1;
    if (tag.rfind("</item", 0) == 0) {
      --depth;
      continue;
    }
    ASSERT_EQ(tag.rfind("<item", 0), 0u) << "not an item: " << tag;
    const std::size_t textEnd = xml.find('<', at);
    WireItem item{attribute(tag, "xsi:type"), xml.substr(at, textEnd - at)};
    if (depth == 0) top.push_back(item);
    if (depth == 1) second.push_back(item);
    ++depth;
  }
  FAIL() << "runaway item list";
}

}  // namespace

WireCall parseCall(const std::string& body) {
  WireCall call;
  for (const char* operation : {"callTamsa2", "callTamsa", "getModuleByName"}) {
    if (body.find(std::string("<qzbroker:") + operation + ">") != std::string::npos) {
      call.operation = operation;
      break;
    }
  }
  EXPECT_FALSE(call.operation.empty()) << "not a broker call: " << body;
  if (call.operation == "getModuleByName") {
    call.module = elementText(body, "qzbroker:pModuleName");
    return call;
  }
  call.module = elementText(body, "qzbroker:mod");
  call.method = elementText(body, "qzbroker:meth");
  std::vector<WireItem> second;
  scanItems(elementText(body, "qzbroker:p"), call.top, second);
  if (call.top.size() == 1 && call.top[0].type == "Array") call.args = second;
  return call;
}

std::string statusPair(const std::string& valueXml) {
  return "<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item>" + valueXml + "</item>";
}

void LoopbackBroker::answerLookup(const std::string& module, const std::string& ip) {
  server.enqueue(qztest::httpAnswer(qztest::answerEnvelope(
      "getModuleByNameResponse", "<name>" + module + "</name><architecture>3</architecture><ip>" +
                                     ip + "</ip><port>" + std::to_string(port()) + "</port>")));
}

void LoopbackBroker::refuseLookup() {
  server.enqueue(qztest::httpAnswer(qztest::faultEnvelope("no such module", nullptr),
                                    "text/xml; charset=utf-8", "500 Internal Server Error"));
}

void LoopbackBroker::answerCall(const std::string& itemXml) {
  server.enqueue(qztest::httpAnswer(qztest::answerEnvelope("callTamsaResponse", itemXml)));
}

void LoopbackBroker::answerPost(int taskId) {
  server.enqueue(qztest::httpAnswer(qztest::answerEnvelope(
      "callTamsa2Response", "<item xsi:type=\"xsd:int\">" + std::to_string(taskId) + "</item>")));
}

void LoopbackBroker::answerFault(const std::string& faultString, const std::string& detail) {
  server.enqueue(qztest::httpAnswer(qztest::faultEnvelope(faultString, detail.c_str()),
                                    "text/xml; charset=utf-8", "500 Internal Server Error"));
}

WireCall LoopbackBroker::lastCall() const {
  const std::vector<qztest::RawRequest> requests = server.requests();
  if (requests.empty()) {
    ADD_FAILURE() << "no request reached the broker";
    return WireCall();
  }
  return parseCall(requests.back().body);
}

}  // namespace hostproxies
