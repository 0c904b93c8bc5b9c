#include "answer_bytes.h"

namespace qzfuzz {

const char* const kEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";

std::string answerEnvelope(const std::string& resultXml) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
         " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
         " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
         " xmlns:qzbroker=\"urn:qzbroker\" xmlns:qz=\"urn:velantrix\">"
         "<SOAP-ENV:Body><qzbroker:callTamsaResponse><qzbroker:return>" +
         resultXml +
         "</qzbroker:return></qzbroker:callTamsaResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string httpHead(const std::string& status, const std::string& contentType,
                     const std::string& framing, bool keepAlive) {
  std::string head = "HTTP/1.1 " + status + "\r\nServer: qzfuzz\r\nContent-Type: " + contentType + "\r\n";
  if (!framing.empty()) head += framing + "\r\n";
  return head + (keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n");
}

std::string contentLengthAnswer(const std::string& status, const std::string& contentType,
                                const std::string& body) {
  return httpHead(status, contentType, "Content-Length: " + std::to_string(body.size()), true) + body;
}

std::string chunkedAnswer(const std::string& status, const std::string& contentType,
                          const std::string& body, const std::vector<std::size_t>& cuts,
                          std::string (*sizeLine)(std::size_t size, std::size_t index)) {
  std::string answer = httpHead(status, contentType, "Transfer-Encoding: chunked", true);
  std::size_t from = 0;
  std::size_t index = 0;
  auto chunk = [&](std::size_t to) {
    if (to <= from) return;  // a chunk of size 0 would end the body
    answer += sizeLine(to - from, index++) + body.substr(from, to - from) + "\r\n";
    from = to;
  };
  for (std::size_t cut : cuts) chunk(cut);
  chunk(body.size());
  return answer + sizeLine(0, index) + "\r\n";
}

std::string untilCloseAnswer(const std::string& status, const std::string& contentType,
                             const std::string& body) {
  return httpHead(status, contentType, "", false) + body;
}

namespace {

void put16(std::string& out, std::size_t value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

void put32(std::string& out, std::size_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void putPadded(std::string& out, const std::string& field) {
  out += field;
  out.append((4 - field.size() % 4) % 4, '\0');
}

}  // namespace

std::string dimeRecordBytes(const DimeRecord& record) {
  std::string out;
  out += static_cast<char>(0x08 | (record.begin ? 0x04 : 0) | (record.end ? 0x02 : 0) |
                           (record.chunked ? 0x01 : 0));  // version 1
  out += static_cast<char>(record.typeFormat);
  put16(out, record.options.size());
  put16(out, record.id.size());
  put16(out, record.type.size());
  put32(out, record.data.size());
  putPadded(out, record.options);
  putPadded(out, record.id);
  putPadded(out, record.type);
  putPadded(out, record.data);
  return out;
}

}  // namespace qzfuzz
