#include "directanswer.h"

#include "binaryvalues.h"
#include "connection.h"
#include "refusal.h"
#include "service.h"

#include "interface/qzvaluesoap.h"
#include "stdsoap2.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

extern SOAP_NMAC struct Namespace namespaces[];

namespace qzsim {

namespace {

using QZ::QZValue;
using std::string_view;

// The envelope's start, request and answer alike: every namespace of the table, in
// table order.
const std::string& envelopeStart() {
  static const std::string text = [] {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope";
    for (const Namespace* entry = namespaces; entry->id != nullptr; ++entry)
      xml += std::string(" xmlns:") + entry->id + "=\"" + entry->ns + "\"";
    return xml + "><SOAP-ENV:Body>";
  }();
  return text;
}

constexpr string_view kCallStart = "<qzbroker:callTamsa><qzbroker:mod>";
constexpr string_view kModuleEnd = "</qzbroker:mod><qzbroker:meth>";
constexpr string_view kMethodEnd = "</qzbroker:meth><qzbroker:p>";
constexpr string_view kCallEnd = "</qzbroker:p></qzbroker:callTamsa></SOAP-ENV:Body></SOAP-ENV:Envelope>";
constexpr string_view kAnswerStart = "<qzbroker:callTamsaResponse><qzbroker:return>";
constexpr string_view kAnswerEnd =
    "</qzbroker:return></qzbroker:callTamsaResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>\r\n";
constexpr string_view kAnswerHead =
    "HTTP/1.1 200 OK\r\nServer: gSOAP/2.8\r\nX-Frame-Options: SAMEORIGIN\r\n"
    "Content-Type: text/xml; charset=utf-8\r\nContent-Length: ";

bool startsWith(string_view text, string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// A module or method name that needs no decoding.
bool isPlainName(string_view name) {
  if (name.empty()) return false;
  for (const char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

enum class BodyForm { Other, Envelope, Dime };

// The head of a kept-alive POST whose fields are those the client writes, each once,
// with values that leave the engine nothing to decide: the answer is then the one
// fixed form below. Any other field (Expect, a transfer coding, ...) goes to the engine.
BodyForm plainHeadForm(string_view head) {
  constexpr string_view kRequestLine = "POST / HTTP/1.1\r\n";
  if (!startsWith(head, kRequestLine)) return BodyForm::Other;
  BodyForm form = BodyForm::Other;
  bool host = false, agent = false, type = false, length = false, connection = false, action = false;
  std::size_t at = kRequestLine.size();
  for (;;) {
    const std::size_t end = head.find("\r\n", at);
    if (end == string_view::npos) return BodyForm::Other;
    if (end == at) break;  // the empty line that ends the head
    const string_view line = head.substr(at, end - at);
    at = end + 2;
    const std::size_t colon = line.find(": ");
    if (colon == string_view::npos) return BodyForm::Other;
    const string_view name = line.substr(0, colon);
    const string_view value = line.substr(colon + 2);
    bool* seen = nullptr;
    if (name == "Host") {
      seen = &host;
    } else if (name == "User-Agent") {
      seen = &agent;
    } else if (name == "SOAPAction") {
      seen = &action;
    } else if (name == "Content-Length") {
      seen = &length;
    } else if (name == "Connection" && value == "keep-alive") {
      seen = &connection;
    } else if (name == "Content-Type") {
      seen = &type;
      if (value == "text/xml; charset=utf-8") form = BodyForm::Envelope;
      else if (value == "application/dime") form = BodyForm::Dime;
      else return BodyForm::Other;
    }
    if (seen == nullptr || *seen) return BodyForm::Other;
    *seen = true;
  }
  return length && connection ? form : BodyForm::Other;
}

std::size_t padded(std::size_t size) { return (size + 3) & ~std::size_t(3); }

// The envelope of a DIME message that is one record and nothing else, as the client
// sends a call whose arguments carry no Binary value: flags MB and ME, the type the
// absolute URI of the SOAP envelope, the client's ID, no options, zero padding.
bool soleDimeRecord(string_view message, string_view& envelope) {
  constexpr string_view kId = "cid:id0";
  constexpr string_view kType = "http://schemas.xmlsoap.org/soap/envelope/";
  if (message.size() < 12) return false;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(message[i]); };
  const std::size_t options = (std::size_t(byte(2)) << 8) | byte(3);
  const std::size_t id = (std::size_t(byte(4)) << 8) | byte(5);
  const std::size_t type = (std::size_t(byte(6)) << 8) | byte(7);
  const std::size_t data = (std::size_t(byte(8)) << 24) | (std::size_t(byte(9)) << 16) |
                           (std::size_t(byte(10)) << 8) | byte(11);
  if (byte(0) != 0x0E || byte(1) != 0x20 || options != 0 || id != kId.size() || type != kType.size() ||
      message.size() != 12 + padded(id) + padded(type) + padded(data))
    return false;
  const string_view idField = message.substr(12, padded(id));
  const string_view typeField = message.substr(12 + padded(id), padded(type));
  const string_view dataField = message.substr(12 + padded(id) + padded(type));
  const auto zeros = [](string_view text) { return text.find_first_not_of('\0') == string_view::npos; };
  if (idField.substr(0, id) != kId || !zeros(idField.substr(id)) || typeField.substr(0, type) != kType ||
      !zeros(typeField.substr(type)) || !zeros(dataField.substr(data)))
    return false;
  envelope = dataField.substr(0, data);
  return true;
}

// The parts of a call in the client's own form; false for any other body.
bool splitCall(string_view body, string_view& module, string_view& method, string_view& args) {
  const std::string& start = envelopeStart();
  if (!startsWith(body, start)) return false;
  body.remove_prefix(start.size());
  if (!startsWith(body, kCallStart) || body.size() < kCallStart.size() + kCallEnd.size() ||
      body.substr(body.size() - kCallEnd.size()) != kCallEnd)
    return false;
  body = body.substr(kCallStart.size(), body.size() - kCallStart.size() - kCallEnd.size());
  const std::size_t moduleEnd = body.find(kModuleEnd);
  if (moduleEnd == string_view::npos) return false;
  module = body.substr(0, moduleEnd);
  body.remove_prefix(moduleEnd + kModuleEnd.size());
  const std::size_t methodEnd = body.find(kMethodEnd);
  if (methodEnd == string_view::npos) return false;
  method = body.substr(0, methodEnd);
  args = body.substr(methodEnd + kMethodEnd.size());
  return isPlainName(module) && isPlainName(method);
}

// The arguments exactly as the engine reads them, when their text is in the value
// writer's own form (it writes them back unchanged): such text means one thing only.
bool readArguments(string_view text, QZValue& args) {
  const std::string content(text);
  try {
    if (!QZ::readValueFromText(content, args)) return content.empty();
  } catch (const std::exception&) {
    return false;  // the engine refuses it, with its own fault
  }
  if (hasBinary(args)) return false;  // Binary values come with attachments
  std::string written;
  written.reserve(content.size());
  QZ::appendValueXml(args, written, false);
  return written == content;
}

void appendDecimal(std::string& out, long long number) {
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%lld", number);
  out.append(digits, static_cast<std::size_t>(n));
}

}  // namespace

DirectAnswer answerDirectly(Connection& connection) {
  struct soap* const soap = connection.soap;
  RequestReader& reader = connection.reader;
  const char* headBytes = nullptr;
  const char* bodyBytes = nullptr;
  std::size_t headSize = 0, bodySize = 0;
  // The engine would answer a kept-alive request with these settings only.
  if (connection.engineOnly || soap->keep_alive <= 0 || soap->recv_timeout <= 0 || soap->send_timeout <= 0 ||
      !reader.wholeRequest(headBytes, headSize, bodyBytes, bodySize))
    return DirectAnswer::Declined;
  const BodyForm form = plainHeadForm(string_view(headBytes, headSize));
  string_view envelope(bodyBytes, bodySize);
  if (form == BodyForm::Other || (form == BodyForm::Dime && !soleDimeRecord(envelope, envelope)))
    return DirectAnswer::Declined;
  string_view module, method, argsText;
  QZValue args;
  if (!splitCall(envelope, module, method, argsText) || !readArguments(argsText, args))
    return DirectAnswer::Declined;

  QZValue answer;
  answer.arraySetSize(2);
  answer[0] = 1;
  try {
    answer[1] = connection.service->call(std::string(module), std::string(method), args);
  } catch (...) {
    connection.made.present = true;
    connection.made.failure = std::current_exception();
    return DirectAnswer::Declined;  // the engine writes the fault
  }
  if (hasBinary(answer[1])) {
    connection.made.present = true;
    connection.made.result = std::move(answer[1]);
    return DirectAnswer::Declined;  // the engine writes the attachments
  }

  thread_local std::string xml;
  xml.clear();
  QZ::appendValueXml(answer, xml, false);
  const std::string& start = envelopeStart();
  std::string& out = connection.answer;
  out.clear();
  out += kAnswerHead;
  appendDecimal(out, static_cast<long long>(start.size() + kAnswerStart.size() + xml.size() + kAnswerEnd.size()));
  out += "\r\nKeep-Alive: timeout=";
  appendDecimal(out, soap->recv_timeout);
  out += ", max=";
  appendDecimal(out, soap->keep_alive);
  out += "\r\nConnection: keep-alive\r\n\r\n";
  out += start;
  out += kAnswerStart;
  out += xml;
  out += kAnswerEnd;
  reader.dropWholeRequest();
  ++connection.directAnswers;
  return sendAll(reader.socket(), out, soap->send_timeout) ? DirectAnswer::Answered : DirectAnswer::Failed;
}

}  // namespace qzsim
