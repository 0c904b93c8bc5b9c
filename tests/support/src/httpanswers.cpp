#include "qztest/httpanswers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace qztest {

const char* const kEnvelopeStart =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
    " xmlns:qzbroker=\"urn:qzbroker\" xmlns:qz=\"urn:velantrix\">";

std::string soapEnvelope(const std::string& bodyContent) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + kEnvelopeStart +
         "<SOAP-ENV:Body>" + bodyContent + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string answerEnvelope(const std::string& answerElement, const std::string& resultXml) {
  return soapEnvelope("<qzbroker:" + answerElement + "><qzbroker:return>" + resultXml +
                      "</qzbroker:return></qzbroker:" + answerElement + ">");
}

std::string faultEnvelope(const std::string& faultString, const char* detail) {
  std::string fault = "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>" +
                      faultString + "</faultstring>";
  if (detail != nullptr) fault += std::string("<detail>") + detail + "</detail>";
  return soapEnvelope(fault + "</SOAP-ENV:Fault>");
}

std::string httpAnswer(const std::string& body, const std::string& contentType,
                       const std::string& status) {
  return "HTTP/1.1 " + status + "\r\nServer: qztest\r\nContent-Type: " + contentType +
         "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: keep-alive\r\n\r\n" + body;
}

std::string httpAnswerUntilClose(const std::string& body, const std::string& contentType) {
  return "HTTP/1.1 200 OK\r\nServer: qztest\r\nContent-Type: " + contentType +
         "\r\nConnection: close\r\n\r\n" + body;
}

std::string httpChunkedAnswer(const std::string& body, std::size_t chunkSize,
                              const std::string& contentType) {
  std::string answer = "HTTP/1.1 200 OK\r\nServer: qztest\r\nContent-Type: " + contentType +
                       "\r\nTransfer-Encoding: chunked\r\nConnection: keep-alive\r\n\r\n";
  for (std::size_t at = 0; at < body.size(); at += chunkSize) {
    const std::size_t size = std::min(chunkSize, body.size() - at);
    char line[32];
    std::snprintf(line, sizeof line, "%zx\r\n", size);
    answer += line + body.substr(at, size) + "\r\n";
  }
  return answer + "0\r\n\r\n";
}

namespace {

void put16(std::string& out, std::size_t value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void padTo4(std::string& out, std::size_t fieldSize) {
  out.append((4 - fieldSize % 4) % 4, '\0');
}

std::size_t padded(std::size_t size) { return (size + 3) / 4 * 4; }

unsigned byteAt(const std::string& text, std::size_t at) {
  return static_cast<unsigned char>(text[at]);
}

}  // namespace

std::string dimeRecordBytes(bool begin, bool end, int typeFormat, const std::string& id,
                            const std::string& type, const std::string& data,
                            std::uint32_t declaredLength) {
  std::string out;
  out += static_cast<char>(0x08 | (begin ? 0x04 : 0) | (end ? 0x02 : 0));  // version 1
  out += static_cast<char>(typeFormat);
  put16(out, 0);  // no options
  put16(out, id.size());
  put16(out, type.size());
  put32(out, declaredLength);
  out += id;
  padTo4(out, id.size());
  out += type;
  padTo4(out, type.size());
  out += data;
  if (data.size() == declaredLength) padTo4(out, data.size());
  return out;
}

std::string dimeMessage(const std::string& envelope, const std::vector<std::string>& attachments) {
  std::string out = dimeRecordBytes(true, attachments.empty(), 0x20, "cid:id0",
                                    "http://schemas.xmlsoap.org/soap/envelope/", envelope,
                                    static_cast<std::uint32_t>(envelope.size()));
  for (std::size_t i = 0; i < attachments.size(); ++i)
    out += dimeRecordBytes(false, i + 1 == attachments.size(), 0x10, "image",
                           "application/octet-stream", attachments[i],
                           static_cast<std::uint32_t>(attachments[i].size()));
  return out;
}

std::vector<DimeRecord> parseDime(const std::string& message) {
  std::vector<DimeRecord> records;
  std::size_t at = 0;
  while (at < message.size()) {
    if (message.size() - at < 12) {
      ADD_FAILURE() << "DIME record header cut at byte " << at;
      return records;
    }
    DimeRecord r;
    r.version = static_cast<int>(byteAt(message, at) >> 3);
    r.begin = (byteAt(message, at) & 0x04) != 0;
    r.end = (byteAt(message, at) & 0x02) != 0;
    r.chunked = (byteAt(message, at) & 0x01) != 0;
    r.typeFormat = static_cast<int>(byteAt(message, at + 1) & 0xF0);
    const std::size_t optionsLength = byteAt(message, at + 2) << 8 | byteAt(message, at + 3);
    const std::size_t idLength = byteAt(message, at + 4) << 8 | byteAt(message, at + 5);
    const std::size_t typeLength = byteAt(message, at + 6) << 8 | byteAt(message, at + 7);
    r.declaredLength = static_cast<std::uint32_t>(byteAt(message, at + 8) << 24 | byteAt(message, at + 9) << 16 |
                                                  byteAt(message, at + 10) << 8 | byteAt(message, at + 11));
    at += 12;
    const std::size_t lengths[4] = {optionsLength, idLength, typeLength, r.declaredLength};
    std::string* fields[4] = {&r.options, &r.id, &r.type, &r.data};
    for (int f = 0; f < 4; ++f) {
      if (message.size() - at < padded(lengths[f])) {
        ADD_FAILURE() << "DIME field " << f << " cut at byte " << at;
        return records;
      }
      *fields[f] = message.substr(at, lengths[f]);
      for (std::size_t p = lengths[f]; p < padded(lengths[f]); ++p)
        EXPECT_EQ(byteAt(message, at + p), 0u) << "DIME padding byte not zero";
      at += padded(lengths[f]);
    }
    records.push_back(r);
  }
  return records;
}

}  // namespace qztest
