#include "qzelementtext.h"

#include "qzwirelimits.h"
#include "interface/qzvaluesoap_plain.h"

#include "stdsoap2.h"

#include <algorithm>
#include <cstring>

namespace QZ {
namespace wire {

namespace {

bool startsWith(const std::string& text, std::size_t at, const char* literal, std::size_t length) {
  return text.size() - at >= length && text.compare(at, length, literal) == 0;
}

// True when the text from `at` on could still grow into `literal`.
bool couldBecome(const std::string& text, std::size_t at, const char* literal, std::size_t length) {
  const std::size_t have = text.size() - at;
  return have < length && text.compare(at, have, literal, have) == 0;
}

// The bytes that end a run of start tag outside quotes: its end, or a quote.
struct StartTagStops {
  bool stop[256] = {};
  StartTagStops() { stop[static_cast<unsigned char>('>')] = stop[static_cast<unsigned char>('"')] = stop[static_cast<unsigned char>('\'')] = true; }
  bool operator[](unsigned char c) const { return stop[c]; }
};
const StartTagStops kStartTagStops;

}  // namespace

bool ElementEndFinder::skipPast(const std::string& text, std::size_t opener,
                                const char* terminator, std::size_t length) {
  const std::size_t from = pos_ + opener;  // "<!-->" does not end the comment it opens
  const std::size_t at = text.find(terminator, std::max(searchFrom_, from), length);
  if (at == npos) {
    // A terminator cut by the end of the text is found again from here.
    searchFrom_ = std::max(from, text.size() - std::min(text.size(), length - 1));
    return false;
  }
  pos_ = searchFrom_ = at + length;
  return true;
}

bool ElementEndFinder::skipStartTag(const std::string& text) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t at = std::max(searchFrom_, pos_ + 1);
  while (at < size) {
    if (quote_ != 0) {
      // Inside a quoted value only its closing quote counts.
      const void* close = std::memchr(data + at, quote_, size - at);
      if (close == nullptr) break;
      at = static_cast<std::size_t>(static_cast<const char*>(close) - data) + 1;
      quote_ = 0;
      continue;
    }
    while (at < size && !kStartTagStops[static_cast<unsigned char>(data[at])]) ++at;
    if (at == size) break;
    const char c = data[at];
    if (c != '>') {
      quote_ = c;
      ++at;
      continue;
    }
    if (data[at - 1] != '/') ++depth_;
    pos_ = searchFrom_ = at + 1;
    return true;
  }
  searchFrom_ = size;
  return false;
}

std::size_t ElementEndFinder::find(const std::string& text) {
  while (pos_ < text.size()) {
    if (text[pos_] != '<') {
      const std::size_t less = text.find('<', pos_);
      pos_ = searchFrom_ = less == npos ? text.size() : less;
      continue;
    }
    if (pos_ + 1 == text.size()) return npos;
    bool whole = true;
    switch (text[pos_ + 1]) {
      case '/':
        if (depth_ == 0) return pos_;
        whole = skipPast(text, 2, ">", 1);
        if (whole) --depth_;
        break;
      case '?': whole = skipPast(text, 2, "?>", 2); break;
      case '!':
        if (couldBecome(text, pos_, "<!--", 4) || couldBecome(text, pos_, "<![CDATA[", 9))
          return npos;
        if (startsWith(text, pos_, "<!--", 4)) whole = skipPast(text, 4, "-->", 3);
        else if (startsWith(text, pos_, "<![CDATA[", 9)) whole = skipPast(text, 9, "]]>", 3);
        else whole = skipPast(text, 2, ">", 1);
        break;
      default: whole = skipStartTag(text); break;
    }
    if (!whole) return npos;
  }
  return npos;
}

bool readElementContent(struct soap* soap, std::string& content,
                        valuexml::PlainStreamReader* plain) {
  if (soap->ahead != 0) {  // the engine never looks ahead past a start tag's ">"
    soap->error = SOAP_SYNTAX_ERROR;
    return false;
  }
  ElementEndFinder finder;
  // Where the engine's current window of soap->buf begins, there and in `content`.
  std::size_t windowInBuf = soap->bufidx;
  std::size_t windowInText = 0;
  content.assign(soap->buf + soap->bufidx, soap->buflen - soap->bufidx);
  for (;;) {
    std::size_t end = ElementEndFinder::npos;
    // The plain reader sees each piece as it comes, and so finds the end itself. When it
    // declines, the finder reads what came so far: the end lies after what the reader
    // took for plain, so it is not in a window gone by.
    if (plain != nullptr) {
      const valuexml::PlainStreamReader::Step step = plain->read(content);
      if (step == valuexml::PlainStreamReader::Step::kEnded) end = plain->end();
      if (step == valuexml::PlainStreamReader::Step::kDeclined) plain = nullptr;
    }
    if (plain == nullptr) end = finder.find(content);
    if (end != ElementEndFinder::npos) {
      // The "/" of the end tag is in the current window (only markup cut by the end of
      // a window makes the finder wait for the next); the "<" is handed back to the
      // engine, which reads the pair as the end tag.
      const std::size_t slash = end + 1;
      if (slash < windowInText) {
        soap->error = SOAP_SYNTAX_ERROR;
        return false;
      }
      soap->bufidx = windowInBuf + (slash - windowInText);
      soap_unget(soap, '<');
      content.resize(end);
      return true;
    }
    if (content.size() >= kMaxValueTextBytes) {
      soap->error = SOAP_EOM;  // too large to parse
      return false;
    }
    soap->bufidx = soap->buflen;
    if (soap_recv(soap) != 0) {
      if (soap->error == SOAP_OK) soap->error = SOAP_EOF;
      return false;
    }
    windowInBuf = soap->bufidx;
    windowInText = content.size();
    content.append(soap->buf + soap->bufidx, soap->buflen - soap->bufidx);
  }
}

}  // namespace wire
}  // namespace QZ
