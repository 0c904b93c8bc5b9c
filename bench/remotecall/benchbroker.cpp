#include "benchbroker.h"

#include <cstdint>
#include <cstdio>

namespace qzbench {

const char* const kPlainPingModule = "BenchPlainPing";

namespace {

const char kXml[] = "text/xml; charset=utf-8";
const char kDime[] = "application/dime";

// An Array of `count` Floats spread over [-10, 10), written as the broker writes them.
std::string floatArrayXml(int count) {
  std::string xml = "<item xsi:type=\"Array\">";
  xml.reserve(static_cast<std::size_t>(count) * 48 + 64);
  std::uint32_t state = 12345;
  for (int i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    const float value = static_cast<float>(state >> 8) / 16777216.0f * 20.0f - 10.0f;
    char text[32];
    std::snprintf(text, sizeof text, "%.8g", static_cast<double>(value));
    xml += "<item xsi:type=\"xsd:float\">";
    xml += text;
    xml += "</item>";
  }
  xml += "</item>";
  return xml;
}

std::string moduleRecordAnswer(std::string_view name, int port) {
  std::string record = "<qzbroker:getModuleByNameResponse><qzbroker:return><name>";
  record += name;
  record += "</name><architecture>3</architecture><ip>127.0.0.1</ip><port>";
  record += std::to_string(port);
  record += "</port><processId>1</processId><modulePointer>0</modulePointer>"
            "<isABroker>false</isABroker><keepAlive>false</keepAlive></qzbroker:return>"
            "</qzbroker:getModuleByNameResponse>";
  return brokerEnvelope(record);
}

void answerFault(Reply& reply, std::string_view text) {
  reply.status = "500 Internal Server Error";
  reply.contentType = kXml;
  reply.addCopy(faultEnvelope(text));
}

}  // namespace

BenchBroker::BenchBroker(int floatCount)
    : fPairPing(callAnswer("<item xsi:type=\"Array\"><item xsi:type=\"xsd:int\">1</item>"
                           "<item xsi:type=\"xsd:boolean\">true</item></item>")),
      fPlainPing(callAnswer("<item xsi:type=\"xsd:boolean\">true</item>")),
      fBinaryAnswer(callAnswer("<item xsi:type=\"xsd:base64Binary\">MQ==</item>")),
      fFloatAnswer(callAnswer(floatArrayXml(floatCount))),
      fServer([this](const Request& request, Reply& reply) { answer(request, reply); }) {}

void BenchBroker::captureNextCall() {
  std::lock_guard<std::mutex> lock(fMutex);
  fCaptured.clear();
  fCapture = true;
}

std::string BenchBroker::capturedCall() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fCaptured;
}

void BenchBroker::answer(const Request& request, Reply& reply) {
  std::string_view envelope = request.body;
  std::vector<DimeRecord> records;
  if (request.dime) {
    if (!parseDime(request.body, records)) return answerFault(reply, "malformed DIME message");
    envelope = records.front().data;
  }
  if (envelope.find("<qzbroker:callTamsa>") != std::string_view::npos)
    return answerCall(request, envelope, records, reply);
  if (envelope.find("<ns:echo>") != std::string_view::npos) {
    // The plain echo service: the text back, and the attachments back when there are any.
    std::string content = "<ns:echoResponse><out>";
    content += between(envelope, "<text>", "</text>");
    content += "</out></ns:echoResponse>";
    reply.kept.push_back(echoEnvelope(content));
    if (records.size() > 1) {
      reply.contentType = kDime;
      addDimeMessage(reply, reply.kept.back(), {records.begin() + 1, records.end()});
    } else {
      reply.contentType = kXml;
      reply.add(reply.kept.back());
    }
    return;
  }
  if (envelope.find("<qzbroker:getModuleByName>") != std::string_view::npos) {
    reply.contentType = kXml;
    reply.addCopy(moduleRecordAnswer(
        between(envelope, "<qzbroker:pModuleName>", "</qzbroker:pModuleName>"), port()));
    return;
  }
  answerFault(reply, "unknown operation");
}

void BenchBroker::answerCall(const Request& request, std::string_view envelope,
                             const std::vector<DimeRecord>& records, Reply& reply) {
  if (fCapture.load(std::memory_order_relaxed)) {
    std::lock_guard<std::mutex> lock(fMutex);
    if (fCapture) {
      fCaptured.assign(request.head);
      fCaptured.append(request.body);
      fCapture = false;
    }
  }
  const std::string_view module = between(envelope, "<qzbroker:mod>", "</qzbroker:mod>");
  const std::string_view method = between(envelope, "<qzbroker:meth>", "</qzbroker:meth>");
  reply.contentType = kXml;
  if (method == "ping") {
    reply.add(module == kPlainPingModule ? fPlainPing : fPairPing);
  } else if (method == "floats") {
    reply.add(fFloatAnswer);
  } else if (method == "echoBinary") {
    reply.contentType = kDime;
    const std::vector<DimeRecord> attachments(records.empty() ? records.begin() : records.begin() + 1,
                                              records.end());
    addDimeMessage(reply, fBinaryAnswer, attachments);
  } else {
    answerFault(reply, "no such method");
  }
}

}  // namespace qzbench
