// Builders of raw broker answers and a DIME reader, for tests on the wire.
#ifndef QZTEST_HTTPANSWERS_H
#define QZTEST_HTTPANSWERS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qztest {

// The envelope start tag the client writes, with all six namespace declarations.
extern const char* const kEnvelopeStart;
// The XML declaration, a line feed, the envelope start, <SOAP-ENV:Body>, the given
// content, and the closing tags.
std::string soapEnvelope(const std::string& bodyContent);
// An answer envelope: <qzbroker:NAME><qzbroker:return>RESULT</qzbroker:return></qzbroker:NAME>.
std::string answerEnvelope(const std::string& answerElement, const std::string& resultXml);
// A SOAP 1.1 fault envelope; the detail element is left out when detail is null.
std::string faultEnvelope(const std::string& faultString, const char* detail);

// A complete HTTP/1.1 answer with Content-Length.
std::string httpAnswer(const std::string& body,
                       const std::string& contentType = "text/xml; charset=utf-8",
                       const std::string& status = "200 OK");
// An answer without Content-Length, delimited by closing the connection.
std::string httpAnswerUntilClose(const std::string& body,
                                 const std::string& contentType = "text/xml; charset=utf-8");
// An answer in chunked transfer coding, in chunks of at most chunkSize bytes.
std::string httpChunkedAnswer(const std::string& body, std::size_t chunkSize,
                              const std::string& contentType = "text/xml; charset=utf-8");

// One DIME record as it travels.
struct DimeRecord {
  int version = 1;
  bool begin = false;   // MB
  bool end = false;     // ME
  bool chunked = false; // CF
  int typeFormat = 0;   // 0x10 media type, 0x20 absolute URI
  std::string options, id, type, data;
  std::uint32_t declaredLength = 0;  // the data length the header states
};
// The records of a DIME message; fails the test on a malformed message or padding
// that is not zero.
std::vector<DimeRecord> parseDime(const std::string& message);
// A DIME message: the envelope record (ID cid:id0), then one record per attachment
// (ID "image", type application/octet-stream).
std::string dimeMessage(const std::string& envelope, const std::vector<std::string>& attachments);
// One raw record, for hostile messages: the header states declaredLength, the data
// field carries only `data` (unpadded when it is shorter than declared).
std::string dimeRecordBytes(bool begin, bool end, int typeFormat, const std::string& id,
                            const std::string& type, const std::string& data,
                            std::uint32_t declaredLength);

}  // namespace qztest

#endif
