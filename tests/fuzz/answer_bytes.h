// Builders of broker answers as they travel, for the wire fuzz targets: the answer
// envelope, HTTP framings of a body, and DIME records.
#ifndef QZFUZZ_ANSWER_BYTES_H
#define QZFUZZ_ANSWER_BYTES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qzfuzz {

// The envelope of a callTamsa answer whose result element holds `resultXml`.
std::string answerEnvelope(const std::string& resultXml);

// An HTTP answer head up to and including its empty line; `framing` is a header line
// without its line end ("Content-Length: 12"), or "" for none.
std::string httpHead(const std::string& status, const std::string& contentType,
                     const std::string& framing, bool keepAlive);
std::string contentLengthAnswer(const std::string& status, const std::string& contentType,
                                const std::string& body);
// In chunked transfer coding, cut before each offset of `cuts` (ascending, within
// the body); `sizeLine` writes a chunk's size line, line end included.
std::string chunkedAnswer(const std::string& status, const std::string& contentType,
                          const std::string& body, const std::vector<std::size_t>& cuts,
                          std::string (*sizeLine)(std::size_t size, std::size_t index));
// Without a length: the answer ends where the broker closes the connection.
std::string untilCloseAnswer(const std::string& status, const std::string& contentType,
                             const std::string& body);

// One DIME record with flags MB, ME and CF as given; lengths are those of the fields,
// each field padded with zero bytes to a multiple of 4.
struct DimeRecord {
  bool begin = false, end = false, chunked = false;
  int typeFormat = 0;  // 0x00 unchanged (later chunks), 0x10 media type, 0x20 absolute URI
  std::string options, id, type, data;
};
std::string dimeRecordBytes(const DimeRecord& record);

// The SOAP envelope namespace, the type of a DIME answer's first record.
extern const char* const kEnvelopeNamespace;

}  // namespace qzfuzz

#endif
