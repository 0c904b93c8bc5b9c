// What a sound broker answers: the faulty broker's starting point before it spoils
// anything.
#ifndef QZTEST_BROKERANSWERS_H
#define QZTEST_BROKERANSWERS_H

#include <cstddef>
#include <string>
#include <vector>

namespace qztest {
namespace detail {

struct BrokerAnswer {
  std::string status = "200 OK";
  std::string envelope;
  std::vector<std::string> attachments;
  bool dime = false;        // sent as a DIME message (always when attachments exist)
  bool understood = true;   // false: the request made no sense, this is the refusal

  // The envelope, or the DIME message of the envelope and the attachments.
  std::string body() const;
  std::string contentType() const;
  // The HTTP answer; its Content-Length states `declaredLength` (npos: the true one).
  std::string bytes(const std::string& body, std::size_t declaredLength = std::string::npos) const;
  std::string bytes() const { return bytes(body()); }
};

// The answer to a request (head and body) sent to the broker listening on `port`:
// lookups get a record pointing at 127.0.0.1:port; `echo` its first argument and the
// attachments of the Binary values in it; `ping` true; posted calls their first
// argument; any other method a SOAP fault.
BrokerAnswer rightAnswer(const std::string& head, const std::string& body, int port);

// The DIME records of a message, each field bounds-checked; false when malformed.
bool splitDime(const std::string& message, std::vector<std::string>& records);

}  // namespace detail
}  // namespace qztest

#endif
