#include "benchwire.h"

#include <cstdint>

namespace qzbench {

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const char kStandardPrefixes[] =
    " xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"";
const char kEnvelopeType[] = "http://schemas.xmlsoap.org/soap/envelope/";
const char kZeros[4] = {0, 0, 0, 0};

std::string envelope(std::string_view prefixes, std::string_view bodyContent) {
  std::string text;
  text.reserve(bodyContent.size() + 512);
  text += kDeclaration;
  text += "<SOAP-ENV:Envelope";
  text += kStandardPrefixes;
  text += prefixes;
  text += "><SOAP-ENV:Body>";
  text += bodyContent;
  text += "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
  return text;
}

std::size_t padded(std::size_t size) { return (size + 3) / 4 * 4; }

unsigned byteAt(std::string_view text, std::size_t at) {
  return static_cast<unsigned char>(text[at]);
}

void put16(std::string& out, std::size_t value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

void put32(std::string& out, std::size_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// The record header, ID and type, each field padded; the data follows as its own piece.
void addRecord(Reply& reply, bool begin, bool end, int typeFormat, std::string_view id,
               std::string_view type, std::string_view data) {
  std::string head;
  head += static_cast<char>(0x08 | (begin ? 0x04 : 0) | (end ? 0x02 : 0));  // version 1
  head += static_cast<char>(typeFormat);
  put16(head, 0);  // no options
  put16(head, id.size());
  put16(head, type.size());
  put32(head, data.size());
  head += id;
  head.append(padded(id.size()) - id.size(), '\0');
  head += type;
  head.append(padded(type.size()) - type.size(), '\0');
  reply.addCopy(std::move(head));
  reply.add(data);
  reply.add(std::string_view(kZeros, padded(data.size()) - data.size()));
}

}  // namespace

std::string brokerEnvelope(std::string_view bodyContent) {
  return envelope(" xmlns:qzbroker=\"urn:qzbroker\" xmlns:qz=\"urn:velantrix\"", bodyContent);
}

std::string callAnswer(std::string_view resultXml) {
  std::string content = "<qzbroker:callTamsaResponse><qzbroker:return>";
  content += resultXml;
  content += "</qzbroker:return></qzbroker:callTamsaResponse>";
  return brokerEnvelope(content);
}

std::string echoEnvelope(std::string_view bodyContent) {
  return envelope(" xmlns:ns=\"urn:qzbench-echo\"", bodyContent);
}

std::string faultEnvelope(std::string_view faultString) {
  std::string content = "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode><faultstring>";
  content += faultString;
  content += "</faultstring></SOAP-ENV:Fault>";
  return brokerEnvelope(content);
}

std::string_view between(std::string_view text, std::string_view open, std::string_view close) {
  const std::size_t start = text.find(open);
  if (start == std::string_view::npos) return {};
  const std::size_t from = start + open.size();
  const std::size_t end = text.find(close, from);
  if (end == std::string_view::npos) return {};
  return text.substr(from, end - from);
}

bool parseDime(std::string_view message, std::vector<DimeRecord>& records) {
  records.clear();
  std::size_t at = 0;
  while (at < message.size()) {
    if (message.size() - at < 12) return false;
    if ((byteAt(message, at) & 0x01) != 0) return false;  // chunked records are not expected
    const bool end = (byteAt(message, at) & 0x02) != 0;
    const std::size_t lengths[4] = {
        byteAt(message, at + 2) << 8 | byteAt(message, at + 3),
        byteAt(message, at + 4) << 8 | byteAt(message, at + 5),
        byteAt(message, at + 6) << 8 | byteAt(message, at + 7),
        static_cast<std::size_t>(byteAt(message, at + 8)) << 24 | byteAt(message, at + 9) << 16 |
            byteAt(message, at + 10) << 8 | byteAt(message, at + 11)};
    at += 12;
    std::string_view fields[4];
    for (int f = 0; f < 4; ++f) {
      if (message.size() - at < padded(lengths[f])) return false;
      fields[f] = message.substr(at, lengths[f]);
      at += padded(lengths[f]);
    }
    records.push_back({fields[1], fields[2], fields[3]});
    if (end) break;
  }
  return !records.empty();
}

void addDimeMessage(Reply& reply, std::string_view envelope,
                    const std::vector<DimeRecord>& attachments) {
  addRecord(reply, true, attachments.empty(), 0x20, "cid:id0", kEnvelopeType, envelope);
  for (std::size_t i = 0; i < attachments.size(); ++i)
    addRecord(reply, false, i + 1 == attachments.size(), 0x10, attachments[i].id,
              attachments[i].type, attachments[i].data);
}

}  // namespace qzbench
