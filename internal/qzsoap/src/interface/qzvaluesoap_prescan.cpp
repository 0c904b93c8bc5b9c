// The pre-scan of answer text. Each step below mirrors how the document parser reads
// the same bytes in single-byte mode: where it sees markup, where it gives up, and how
// its character references may run ahead ("&#" reaches to the next ";" when only digits
// stand before that ";"). Agreeing with it matters most in one direction: the scan must
// never skip markup that the parser would read, or a nesting it would descend into.
#include "qzvaluesoap_prescan.h"

#include <cctype>
#include <cstring>

namespace QZ {
namespace valuexml {
namespace {

// The parser's character classes, from the same <cctype> calls in the locale of the
// moment, tabled once per scan.
enum : unsigned char { kSpace = 1, kNameStart = 2, kNameChar = 4 };

struct CharClasses {
  unsigned char of[256];
  CharClasses() {
    for (int byte = 0; byte < 256; ++byte) {
      unsigned char classes = 0;
      if (std::isspace(byte) != 0 || byte == '\n' || byte == '\r') classes |= kSpace;
      if (byte >= 127 || std::isalpha(byte) != 0 || byte == '_') classes |= kNameStart;
      if (byte >= 127 || std::isalnum(byte) != 0 || byte == '_' || byte == '-' || byte == '.' ||
          byte == ':')
        classes |= kNameChar;
      of[byte] = classes;
    }
  }
  bool is(char c, unsigned char classes) const {
    return (of[static_cast<unsigned char>(c)] & classes) != 0;
  }
};

int digitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct NamedEntity {
  const char* text;
  std::size_t length;
  char byte;
};
const NamedEntity kNamedEntities[] = {
    {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};

struct Name {
  const char* start;
  std::size_t length;
};

// What the parser makes of an "&": where it goes on (nullptr: it gives up), and whether
// it produced a byte, which one.
struct Reference {
  const char* next;
  bool produced;
  char byte;
};

// Each reader returns where the parser goes on, or nullptr where it stops reading the
// text altogether (an error, or the end of the text).
class MarkupScan {
public:
  MarkupScan(const char* text, std::size_t length) : text_(text), end_(text + length) {}

  bool isSpace(char c) const { return classes_.is(c, kSpace); }
  bool isNameStart(char c) const { return classes_.is(c, kNameStart); }
  bool isNameChar(char c) const { return classes_.is(c, kNameChar); }

  MarkupFacts run(std::size_t maxDepth, std::size_t maxAttributes);

private:
  const char* skipSpace(const char* p) const {
    while (p != end_ && isSpace(*p)) ++p;
    return p;
  }

  bool startsWith(const char* p, const char* literal, std::size_t length) const {
    return static_cast<std::size_t>(end_ - p) >= length && std::memcmp(p, literal, length) == 0;
  }

  // The parser's case-blind test for declaration words, with its very call: tolower of
  // the plain char, which the C library answers for negative values too.
  bool startsWithWord(const char* p, const char* word) const {
    for (; *word != '\0'; ++p, ++word) {
      if (p == end_) return false;
      if (std::tolower(*p) != *word) return false;
    }
    return true;
  }

  // Just past `literal` searched from `p`, or the end of the text.
  const char* past(const char* p, const char* literal, std::size_t length) const {
    while (p != end_) {
      const void* hit = std::memchr(p, literal[0], static_cast<std::size_t>(end_ - p));
      if (hit == nullptr) return end_;
      p = static_cast<const char*>(hit);
      if (startsWith(p, literal, length)) return p + length;
      ++p;
    }
    return end_;
  }

  const char* readName(const char* p) const {
    if (p == end_ || !isNameStart(*p)) return nullptr;
    while (p != end_ && isNameChar(*p)) ++p;
    return p;
  }

  Reference reference(const char* p) const;
  Reference unusualReference(const char* p) const;
  const char* elementText(const char* p, MarkupFacts& facts) const;
  std::string condensedBytes(const char* p, const char* end) const;
  const char* attribute(const char* p, Name* name) const;
  const char* declaration(const char* p) const;
  const char* element(const char* p, std::vector<Name>& open, std::vector<Name>& attributes,
                      MarkupFacts& facts, std::size_t maxDepth, std::size_t maxAttributes) const;

  const char* find(const char* p, char c, const char* end) const {
    const void* hit = std::memchr(p, c, static_cast<std::size_t>(end - p));
    return hit != nullptr ? static_cast<const char*>(hit) : end;
  }

  const CharClasses classes_;
  const char* const text_;
  const char* const end_;
};

// At "&". A numeric reference reaches to the next ";", provided only digits stand
// between that ";" and the nearest "#" (or "x") before it, and gives the low byte of
// their value; otherwise the parser gives up. A named entity is one byte; any other "&"
// produces nothing.
Reference MarkupScan::reference(const char* p) const {
  if (end_ - p > 2 && p[1] == '#') {
    // The usual forms first: "&#" or "&#x", digits, ";".
    unsigned int value = 0;  // the low bits are all that matter
    const char* q = p + 2;
    if (*q != 'x') {
      for (; q != end_ && static_cast<unsigned char>(*q - '0') < 10; ++q)
        value = value * 10 + static_cast<unsigned int>(*q - '0');
    } else {
      for (int digit; ++q != end_ && (digit = digitValue(*q, true)) >= 0;)
        value = value * 16 + static_cast<unsigned int>(digit);
    }
    if (q != end_ && *q == ';') return {q + 1, true, static_cast<char>(value & 0xFFu)};
    return unusualReference(p);
  }
  for (const NamedEntity& entity : kNamedEntities) {
    if (startsWith(p, entity.text, entity.length)) return {p + entity.length, true, entity.byte};
  }
  return {p + 1, false, 0};
}

// Any other "&#": the parser takes the next ";" wherever it is, and the digits before it.
Reference MarkupScan::unusualReference(const char* p) const {
  const bool hex = p[2] == 'x';
  const char* from = p + (hex ? 3 : 2);
  if (from == end_) return {nullptr, false, 0};
  const void* hit = std::memchr(from, ';', static_cast<std::size_t>(end_ - from));
  if (hit == nullptr) return {nullptr, false, 0};
  const char* semicolon = static_cast<const char*>(hit);
  const char stop = hex ? 'x' : '#';
  unsigned int value = 0;
  unsigned int weight = 1;
  for (const char* q = semicolon - 1; *q != stop; --q) {
    const int digit = digitValue(*q, hex);
    if (digit < 0) return {nullptr, false, 0};
    value += weight * static_cast<unsigned int>(digit);
    weight *= hex ? 16u : 10u;
  }
  return {semicolon + 1, true, static_cast<char>(value & 0xFFu)};
}

// Element text up to the next "<", which it returns. Notes text that the parser would
// drop as blank although references in it produced white space.
const char* MarkupScan::elementText(const char* p, MarkupFacts& facts) const {
  const char* const start = p;
  bool blank = true;
  bool referenced = false;
  // While the text may still be blank, every byte counts.
  while (blank && p != end_ && *p != '<') {
    if (*p != '&') {
      if (!isSpace(*p)) blank = false;
      ++p;
      continue;
    }
    const Reference reference = this->reference(p);
    if (reference.next == nullptr) return nullptr;
    if (reference.produced) {
      if (isSpace(reference.byte)) referenced = true;
      else blank = false;
    }
    p = reference.next;
  }
  // Then only "<" and the references, which may run past a "<", matter.
  const char* less = find(p, '<', end_);
  for (;;) {
    const char* ampersand = p;
    while (ampersand != less && *ampersand != '&' && ampersand - p < 16) ++ampersand;
    if (ampersand != less && *ampersand != '&') ampersand = find(ampersand, '&', less);
    if (ampersand == less) break;
    p = reference(ampersand).next;
    if (p == nullptr) return nullptr;
    if (p > less) less = find(p, '<', end_);
  }
  p = less;
  if (p == end_ || p + 1 == end_) return nullptr;
  if (blank && referenced) {
    facts.whiteSpaceTexts.push_back(WhiteSpaceText{static_cast<std::size_t>(start - text_),
                                                   static_cast<std::size_t>(p - text_),
                                                   condensedBytes(start, p)});
  }
  return p;
}

// The parser's condensed reading of a text: raw white space between bytes becomes one
// space, at the ends none.
std::string MarkupScan::condensedBytes(const char* p, const char* end) const {
  std::string bytes;
  bool pendingSpace = false;
  while (p != end) {
    if (isSpace(*p)) {
      pendingSpace = true;
      ++p;
      continue;
    }
    if (pendingSpace) bytes += ' ';
    pendingSpace = false;
    if (*p != '&') {
      bytes += *p++;
      continue;
    }
    const Reference reference = this->reference(p);
    if (reference.produced) bytes += reference.byte;
    p = reference.next;
  }
  return bytes;
}

// One name="value" (quoted or not), as in a start tag or a declaration.
const char* MarkupScan::attribute(const char* p, Name* name) const {
  p = skipSpace(p);
  const char* const nameStart = p;
  p = readName(p);
  if (p == nullptr) return nullptr;
  if (name != nullptr) *name = Name{nameStart, static_cast<std::size_t>(p - nameStart)};
  p = skipSpace(p);
  if (p == end_ || *p != '=') return nullptr;
  p = skipSpace(p + 1);
  if (p == end_) return nullptr;
  if (*p == '"' || *p == '\'') {
    const char quote = *p++;
    while (p != end_ && *p != quote) {
      p = *p == '&' ? reference(p).next : p + 1;
      if (p == nullptr) return nullptr;
    }
    if (p == end_ || p + 1 == end_) return nullptr;
    return p + 1;
  }
  for (; p != end_ && !isSpace(*p) && *p != '/' && *p != '>'; ++p) {
    if (*p == '"' || *p == '\'') return nullptr;
  }
  return p == end_ ? nullptr : p;
}

// An element's start tag, counted as opened. Returns its closing "/>" or ">", or nullptr
// where the parser gives up (also past a limit).
const char* MarkupScan::element(const char* p, std::vector<Name>& open, std::vector<Name>& attributes,
                                MarkupFacts& facts, std::size_t maxDepth,
                                std::size_t maxAttributes) const {
  // The parser keeps the element even when its start tag then fails.
  const char* nameEnd = readName(p + 1);
  open.push_back(Name{p + 1, static_cast<std::size_t>(nameEnd - (p + 1))});
  facts.hasElement = true;
  if (open.size() > facts.depth) {
    facts.depth = open.size();
    if (facts.depth > maxDepth) return nullptr;
  }
  attributes.clear();
  for (p = skipSpace(nameEnd); p != end_ && *p != '/' && *p != '>'; p = skipSpace(p)) {
    Name name{nullptr, 0};
    p = attribute(p, &name);
    if (p == nullptr) return nullptr;
    for (const Name& earlier : attributes)  // the parser refuses a repeated name
      if (earlier.length == name.length && std::memcmp(earlier.start, name.start, name.length) == 0)
        return nullptr;
    attributes.push_back(name);
    if (attributes.size() > facts.attributes) {
      facts.attributes = attributes.size();
      if (facts.attributes > maxAttributes) return nullptr;
    }
  }
  if (p == end_ || (*p == '/' && (p + 1 == end_ || p[1] != '>'))) return nullptr;
  return p;
}

// After "<?xml": words and the version, encoding and standalone attributes up to ">".
const char* MarkupScan::declaration(const char* p) const {
  while (p != end_) {
    if (*p == '>') return p + 1;
    p = skipSpace(p);
    if (p == end_) return nullptr;
    if (startsWithWord(p, "version") || startsWithWord(p, "encoding") ||
        startsWithWord(p, "standalone")) {
      p = attribute(p, nullptr);
      if (p == nullptr) return nullptr;
    } else {
      while (p != end_ && *p != '>' && !isSpace(*p)) ++p;
    }
  }
  return nullptr;
}

MarkupFacts MarkupScan::run(std::size_t maxDepth, std::size_t maxAttributes) {
  MarkupFacts facts;
  std::vector<Name> open;        // the elements the parser is inside, innermost last
  std::vector<Name> attributes;  // those of the start tag being read
  auto close = [&](const char* after) {
    open.pop_back();
    if (open.empty() && facts.firstElementEnd == 0)
      facts.firstElementEnd = static_cast<std::size_t>(after - text_);
  };
  const char* p = skipSpace(text_);
  while (p != nullptr && p != end_) {
    if (!open.empty() && *p != '<') {
      p = elementText(p, facts);
      if (p == nullptr) break;
    }
    if (*p != '<') break;  // text outside every element ends the document
    if (!open.empty() && p + 1 != end_ && p[1] == '/') {
      const Name& name = open.back();
      if (!startsWith(p + 2, name.start, name.length)) break;
      p = skipSpace(p + 2 + name.length);
      if (p == end_ || *p != '>') break;
      close(++p);
    } else if (p + 1 != end_ && isNameStart(p[1])) {
      p = element(p, open, attributes, facts, maxDepth, maxAttributes);
      if (p == nullptr) break;
      if (*p == '/') close(p += 2);
      else ++p;  // ">": the content follows
    } else if (startsWithWord(p, "<?xml")) {
      p = declaration(p + 5);
    } else if (startsWith(p, "<!--", 4)) {
      p = past(p + 4, "-->", 3);
    } else if (startsWith(p, "<![CDATA[", 9)) {
      p = past(p + 9, "]]>", 3);
    } else {
      p = past(p + 1, ">", 1);  // anything else the parser keeps as an unknown node
    }
    if (p != nullptr) p = skipSpace(p);
  }
  return facts;
}

}  // namespace

MarkupFacts scanMarkup(const char* text, std::size_t length, std::size_t maxDepth,
                       std::size_t maxAttributes) {
  const void* nul = std::memchr(text, '\0', length);
  if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
  return MarkupScan(text, length).run(maxDepth, maxAttributes);
}

std::string keepWhiteSpaceTexts(const std::string& text, const std::vector<WhiteSpaceText>& texts) {
  std::string kept;
  kept.reserve(text.size() + texts.size() * 12);
  std::size_t copied = 0;
  for (const WhiteSpaceText& white : texts) {
    kept.append(text, copied, white.begin - copied);
    kept += "<![CDATA[";
    kept += white.bytes;
    kept += "]]>";
    copied = white.end;
  }
  kept.append(text, copied, std::string::npos);
  return kept;
}

}  // namespace valuexml
}  // namespace QZ
