#include "httphead.h"

#include <strings.h>

#include <cstring>

namespace qzsim {

namespace {

Refusal refuse(int status, const char* reason) { return Refusal{status, reason}; }

const char kHeadTooLarge[] = "The request head is larger than the broker takes";
const char kBadField[] = "A header line of the request is malformed";

// A character of a token (a method or a field name).
bool isTokenChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  return c != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

bool isToken(const char* begin, const char* end) {
  if (begin == end) return false;
  for (const char* p = begin; p != end; ++p)
    if (!isTokenChar(static_cast<unsigned char>(*p))) return false;
  return true;
}

// One line of the head, without its CR LF.
struct Line {
  const char* begin;
  const char* end;
  bool empty() const { return begin == end; }
};

// Calls `visit` with each of the head's lines from the request line on, up to the
// empty line, until it returns false.
template <class Visit>
void forEachHeadLine(const char* text, std::size_t size, Visit visit) {
  const char* p = text;
  const char* const end = text + size;
  while (end - p >= 2 && p[0] == '\r' && p[1] == '\n') p += 2;  // empty lines before the request
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (lf == nullptr) break;
    const Line line{p, lf > p && lf[-1] == '\r' ? lf - 1 : lf};
    if (line.empty() || !visit(line)) break;
    p = lf + 1;
  }
}

Refusal parseRequestLine(const Line& line, RequestHead& head) {
  const char* const firstSpace = static_cast<const char*>(std::memchr(line.begin, ' ', line.end - line.begin));
  if (firstSpace == nullptr || !isToken(line.begin, firstSpace))
    return refuse(400, "The request line is malformed");
  const char* const target = firstSpace + 1;
  const char* targetEnd = target;
  while (targetEnd < line.end && static_cast<unsigned char>(*targetEnd) > 0x20 &&
         static_cast<unsigned char>(*targetEnd) < 0x7f)
    ++targetEnd;
  if (targetEnd == target || targetEnd == line.end || *targetEnd != ' ')
    return refuse(400, "The request line is malformed");
  const char* const version = targetEnd + 1;
  if (line.end - version != 8 || std::memcmp(version, "HTTP/", 5) != 0 || version[6] != '.' ||
      version[5] < '0' || version[5] > '9' || version[7] < '0' || version[7] > '9')
    return refuse(400, "The request line is malformed");
  if (version[5] != '1') return refuse(505, "The broker speaks HTTP/1.1 only");
  head.method.assign(line.begin, firstSpace);
  head.minorVersion = version[7] - '0';
  return Refusal();
}

bool isFieldValueChar(unsigned char c) { return c == '\t' || (c >= 0x20 && c != 0x7f); }

// A Content-Length value: digits only; a value beyond any bound saturates.
bool parseLength(const char* begin, const char* end, unsigned long long& length) {
  if (begin == end) return false;
  length = 0;
  for (const char* p = begin; p != end; ++p) {
    if (*p < '0' || *p > '9') return false;
    length = length > 100000000000000000ULL ? length : length * 10 + static_cast<unsigned>(*p - '0');
  }
  return true;
}

// Transfer codings, in order, across every Transfer-Encoding field.
struct Codings {
  bool present = false;
  int count = 0;
  bool lastIsChunked = false;
  bool chunkedBeforeLast = false;
  bool empty = false;  // an empty element
};

void addCodings(const char* begin, const char* end, Codings& codings) {
  codings.present = true;
  const char* p = begin;
  for (;;) {
    const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
    const char* elementEnd = comma != nullptr ? comma : end;
    const char* a = p;
    const char* b = elementEnd;
    while (a < b && (*a == ' ' || *a == '\t')) ++a;
    while (b > a && (b[-1] == ' ' || b[-1] == '\t')) --b;
    if (a == b) {
      codings.empty = true;
    } else {
      if (codings.lastIsChunked) codings.chunkedBeforeLast = true;
      codings.lastIsChunked = b - a == 7 && strncasecmp(a, "chunked", 7) == 0;
      ++codings.count;
    }
    if (comma == nullptr) break;
    p = comma + 1;
  }
}

}  // namespace

std::size_t HeadScanner::scan(const char* text, std::size_t size, Refusal& refusal) {
  for (; fScanned < size; ++fScanned) {
    if (text[fScanned] != '\n') continue;
    if (fScanned == 0 || text[fScanned - 1] != '\r') {
      refusal = refuse(400, "A line of the request head does not end with CR LF");
      return 0;
    }
    const std::size_t lineLength = fScanned + 1 - fLineStart;
    fLineStart = fScanned + 1;
    if (lineLength > kMaxHeadLineBytes) {
      refusal = refuse(431, kHeadTooLarge);
      return 0;
    }
    if (lineLength == 2 && fLines > 0) return ++fScanned;  // the empty line ends the head
    if (lineLength > 2 && ++fLines > kMaxHeadFields + 1) {
      refusal = refuse(431, kHeadTooLarge);
      return 0;
    }
  }
  if (size >= kMaxHeadBytes || size - fLineStart > kMaxHeadLineBytes) refusal = refuse(431, kHeadTooLarge);
  return 0;
}

Refusal parseRequestHead(const char* text, std::size_t size, RequestHead& head) {
  head = RequestHead();
  bool requestLine = true;
  bool lengthSeen = false;
  Codings codings;
  Refusal refusal = refuse(400, "The request line is malformed");  // when it has no line at all
  forEachHeadLine(text, size, [&](const Line& line) {
    if (requestLine) {
      requestLine = false;
      refusal = parseRequestLine(line, head);
      return !refusal;
    }
    const char* colon = static_cast<const char*>(std::memchr(line.begin, ':', line.end - line.begin));
    // Also refuses a line folded onto the one before (it starts with white space).
    if (colon == nullptr || !isToken(line.begin, colon)) {
      refusal = refuse(400, kBadField);
      return false;
    }
    const char* value = colon + 1;
    const char* valueEnd = line.end;
    for (const char* p = value; p != valueEnd; ++p)
      if (!isFieldValueChar(static_cast<unsigned char>(*p))) {
        refusal = refuse(400, kBadField);
        return false;
      }
    while (value < valueEnd && (*value == ' ' || *value == '\t')) ++value;
    while (valueEnd > value && (valueEnd[-1] == ' ' || valueEnd[-1] == '\t')) --valueEnd;

    const std::size_t nameLength = static_cast<std::size_t>(colon - line.begin);
    if (nameLength == 14 && strncasecmp(line.begin, "Content-Length", 14) == 0) {
      unsigned long long length = 0;
      if (!parseLength(value, valueEnd, length)) {
        refusal = refuse(400, "The request's Content-Length is malformed");
        return false;
      }
      if (lengthSeen && length != head.contentLength) {
        refusal = refuse(400, "The request announces two different lengths");
        return false;
      }
      lengthSeen = true;
      head.contentLength = length;
    } else if (nameLength == 17 && strncasecmp(line.begin, "Transfer-Encoding", 17) == 0) {
      addCodings(value, valueEnd, codings);
    }
    return true;
  });
  if (refusal) return refusal;

  if (!codings.present) return Refusal();
  if (lengthSeen) return refuse(400, "The request announces both a length and a transfer coding");
  if (head.minorVersion == 0) return refuse(400, "An HTTP/1.0 request cannot carry a transfer coding");
  if (codings.empty || codings.chunkedBeforeLast || !codings.lastIsChunked)
    return refuse(400, "The request's transfer coding leaves its end unknown");
  if (codings.count != 1) return refuse(501, "The broker decodes no transfer coding but chunked");
  head.chunked = true;
  head.contentLength = 0;
  return Refusal();
}

std::string headForEngine(const char* text, std::size_t size, const RequestHead& head) {
  std::string out;
  out.reserve(size);
  forEachHeadLine(text, size, [&](const Line& line) {
    if (!head.chunked || line.end - line.begin < 18 || strncasecmp(line.begin, "Transfer-Encoding:", 18) != 0) {
      out.append(line.begin, line.end);
      out += "\r\n";
    }
    return true;
  });
  out += "\r\n";
  return out;
}

}  // namespace qzsim
