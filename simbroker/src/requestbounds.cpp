#include "requestbounds.h"

#include "connection.h"

#include "stdsoap2.h"

#include <strings.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace qzsim {

namespace {

// The engine's own receive function and header parser, which every context shares.
std::atomic<size_t (*)(struct soap*, char*, size_t)> gReceive{nullptr};
std::atomic<int (*)(struct soap*, const char*, const char*)> gParseHeader{nullptr};

void account(BodyLimit& limit, const char* bytes, size_t count) {
  static const char kHeadEnd[] = "\r\n\r\n";
  size_t i = 0;
  for (; i < count && !limit.inBody; ++i) {
    if (bytes[i] == kHeadEnd[limit.matched]) {
      limit.inBody = ++limit.matched == 4;
    } else {
      limit.matched = bytes[i] == '\r' ? 1 : 0;
    }
  }
  if (limit.inBody) limit.seen += count - i;
}

size_t receive(struct soap* soap, char* bytes, size_t size) {
  Connection* connection = static_cast<Connection*>(soap->user);
  if (connection == nullptr) return gReceive.load()(soap, bytes, size);
  BodyLimit& limit = connection->body;
  // A request with neither a length nor chunks has no body (HTTP/1.1).
  if (limit.inBody && !limit.chunked) {
    const unsigned long long length = limit.length >= 0 ? static_cast<unsigned long long>(limit.length) : 0;
    if (limit.seen >= length) return 0;  // the announced body is all there is
    size = static_cast<size_t>(std::min<unsigned long long>(size, length - limit.seen));
  }
  const size_t got = gReceive.load()(soap, bytes, size);
  account(limit, bytes, got);
  return got;
}

void noteHeader(BodyLimit& limit, const char* key, const char* value) {
  if (strcasecmp(key, "Content-Length") == 0)
    limit.length = static_cast<long long>(std::min<unsigned long long>(std::strtoull(value, nullptr, 10), 1ULL << 62));
  else if (strcasecmp(key, "Transfer-Encoding") == 0 && strcasestr(value, "chunked") != nullptr)
    limit.chunked = true;
}

int parseHeader(struct soap* soap, const char* key, const char* value) {
  if (key != nullptr && value != nullptr) {
    if (strcasecmp(key, "Content-Length") == 0 && soap->recv_maxlength > 0 &&
        std::strtoull(value, nullptr, 10) > soap->recv_maxlength)
      return soap->error = SOAP_EOM;
    if (Connection* connection = static_cast<Connection*>(soap->user)) noteHeader(connection->body, key, value);
  }
  return gParseHeader.load()(soap, key, value);
}

}  // namespace

void boundRequests(struct soap* soap) {
  gReceive.store(soap->frecv);
  soap->frecv = receive;
  gParseHeader.store(soap->fparsehdr);
  soap->fparsehdr = parseHeader;
}

void nextRequest(BodyLimit& limit) { limit = BodyLimit(); }

}  // namespace qzsim
