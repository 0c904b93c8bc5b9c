#include "brokeranswers.h"

#include "qztest/httpanswers.h"

#include <cctype>

namespace qztest {
namespace detail {

namespace {

// The text between <tag> and </tag> ("" when absent).
std::string elementText(const std::string& xml, const std::string& tag) {
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  const std::size_t start = xml.find(open);
  if (start == std::string::npos) return "";
  const std::size_t end = xml.find(close, start);
  return end == std::string::npos ? "" : xml.substr(start + open.size(), end - start - open.size());
}

// The whole <item ...>...</item> element that starts at `at`, nested items included;
// "" when it does not close.
std::string itemAt(const std::string& xml, std::size_t at) {
  int depth = 0;
  std::size_t scan = at;
  for (;;) {
    const std::size_t open = xml.find("<item", scan);
    const std::size_t close = xml.find("</item>", scan);
    if (close == std::string::npos) return "";
    if (open != std::string::npos && open < close) {
      ++depth;
      scan = open + 5;
    } else {
      --depth;
      scan = close + 7;
      if (depth == 0) return xml.substr(at, scan - at);
    }
  }
}

// The first argument of an argument list <item xsi:type="Array">...</item>; "" for a
// call without arguments.
std::string firstArgument(const std::string& argumentList) {
  const std::size_t listStart = argumentList.find("<item");
  if (listStart == std::string::npos) return "";
  const std::size_t first = argumentList.find("<item", listStart + 5);
  const std::size_t listEnd = argumentList.find('>', listStart);
  if (first == std::string::npos || listEnd == std::string::npos || first != listEnd + 1) return "";
  return itemAt(argumentList, first);
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::uint32_t bigEndian(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::size_t padded(std::size_t size) { return (size + 3) / 4 * 4; }

BrokerAnswer refusal(const std::string& text, const std::string& status) {
  BrokerAnswer answer;
  answer.status = status;
  answer.envelope = faultEnvelope(text, nullptr);
  return answer;
}

}  // namespace

bool splitDime(const std::string& message, std::vector<std::string>& records) {
  records.clear();
  std::size_t at = 0;
  while (at < message.size()) {
    if (message.size() - at < 12 || (static_cast<unsigned char>(message[at]) & 0x01) != 0) return false;
    const std::size_t fields[4] = {bigEndian(message, at + 2, 2), bigEndian(message, at + 4, 2),
                                   bigEndian(message, at + 6, 2), bigEndian(message, at + 8, 4)};
    at += 12;
    for (int f = 0; f < 4; ++f) {
      if (message.size() - at < padded(fields[f])) return false;
      if (f == 3) records.push_back(message.substr(at, fields[f]));
      at += padded(fields[f]);
    }
  }
  return !records.empty();
}

std::string BrokerAnswer::body() const {
  return dime || !attachments.empty() ? dimeMessage(envelope, attachments) : envelope;
}

std::string BrokerAnswer::contentType() const {
  return dime || !attachments.empty() ? "application/dime" : "text/xml; charset=utf-8";
}

std::string BrokerAnswer::bytes(const std::string& body, std::size_t declaredLength) const {
  const std::size_t length = declaredLength == std::string::npos ? body.size() : declaredLength;
  return "HTTP/1.1 " + status + "\r\nServer: qzfaultybroker\r\nContent-Type: " + contentType() +
         "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: keep-alive\r\n\r\n" + body;
}

BrokerAnswer rightAnswer(const std::string& head, const std::string& body, int port) {
  std::string envelope = body;
  std::vector<std::string> attachments;
  if (head.find("application/dime") != std::string::npos) {
    std::vector<std::string> records;
    if (!splitDime(body, records)) {
      BrokerAnswer answer = refusal("QZFaultyBroker: the DIME request is malformed", "400 Bad Request");
      answer.understood = false;
      return answer;
    }
    envelope = records.front();
    attachments.assign(records.begin() + 1, records.end());
  }

  BrokerAnswer answer;
  if (envelope.find("<qzbroker:getModuleByName>") != std::string::npos) {
    const std::string name = elementText(envelope, "qzbroker:pModuleName");
    answer.envelope = answerEnvelope(
        "getModuleByNameResponse",
        "<name>" + name + "</name><architecture>3</architecture><ip>127.0.0.1</ip><port>" +
            std::to_string(port) +
            "</port><processId>1</processId><modulePointer>0</modulePointer>"
            "<isABroker>false</isABroker><keepAlive>false</keepAlive>");
    return answer;
  }
  const bool posted = envelope.find("<qzbroker:callTamsa2>") != std::string::npos;
  if (!posted && envelope.find("<qzbroker:callTamsa>") == std::string::npos) {
    answer = refusal("QZFaultyBroker: not a broker request", "400 Bad Request");
    answer.understood = false;
    return answer;
  }
  const std::string method = elementText(envelope, "qzbroker:meth");
  const std::string argument = firstArgument(elementText(envelope, "qzbroker:p"));
  if (posted) {
    answer.envelope = answerEnvelope("callTamsa2Response", argument);
  } else if (method == "ping") {
    answer.envelope = answerEnvelope("callTamsaResponse", "<item xsi:type=\"xsd:boolean\">true</item>");
  } else if (method == "echo") {
    // The Binary values of the first argument are the first ones of the walk.
    const std::size_t binaries = occurrences(argument, "xsi:type=\"xsd:base64Binary\"");
    if (binaries > attachments.size()) {
      answer = refusal("QZFaultyBroker: echo lacks attachments", "500 Internal Server Error");
      answer.understood = false;
      return answer;
    }
    answer.envelope = answerEnvelope("callTamsaResponse", argument);
    answer.attachments.assign(attachments.begin(), attachments.begin() + static_cast<long>(binaries));
  } else {
    return refusal("QZFaultyBroker: no method " + method, "500 Internal Server Error");
  }
  return answer;
}

}  // namespace detail
}  // namespace qztest
