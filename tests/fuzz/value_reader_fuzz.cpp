// Fuzz entry of the answer reader: arbitrary bytes as the text after the result's start
// tag. Besides surviving every input, the reader must keep two promises:
// - the pre-scan sees at least the nesting the document parser builds, and agrees with
//   it on where the first element ends, or that it does not;
// - a value it read, written again and read back, is the same value;
// - its one-pass reading of the plain form gives what the document parser's reading
//   gives: the same value, or the same error.
#include "qzvaluesoap.h"
#include "qzvaluesoap_prescan.h"

#include "qzvalue/qzerror.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "invariant broken: %s\ntext: %s\n", what, text.c_str());
  std::abort();
}

std::size_t treeDepth(const TiXmlNode* node) {
  std::size_t deepest = 0;
  for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling())
    if (child->ToElement() != nullptr) {
      const std::size_t below = 1 + treeDepth(child);
      if (below > deepest) deepest = below;
    }
  return deepest;
}

bool isNaN(const QZ::QZValue& value) {
  return value.getType() == QZ::QZValue::TypeFloat && std::isnan(static_cast<float>(value));
}

// Equal as the wire can keep them: Binary bytes travel apart, floats as 8 digits, and
// not-a-number as itself.
bool sameOnTheWire(const QZ::QZValue& a, const QZ::QZValue& b) {
  if (a.getType() != b.getType()) return false;
  if (isNaN(a) || isNaN(b)) return isNaN(a) && isNaN(b);
  switch (a.getType()) {
    case QZ::QZValue::TypeArray:
      if (a.getSize() != b.getSize()) return false;
      for (unsigned int i = 0; i < a.getSize(); ++i)
        if (!sameOnTheWire(a[static_cast<int>(i)], b[static_cast<int>(i)])) return false;
      return true;
    case QZ::QZValue::TypeObject: {
      std::string left, right;
      a.encodeBase64(left);
      b.encodeBase64(right);
      return left == right;
    }
    case QZ::QZValue::TypeBinary: return true;
    default: return a == b;
  }
}

// Equal by the value's own comparison, with not-a-number equal to itself.
bool sameValue(const QZ::QZValue& a, const QZ::QZValue& b) {
  if (isNaN(a) || isNaN(b)) return isNaN(a) && isNaN(b);
  if (a.getType() != QZ::QZValue::TypeArray || b.getType() != QZ::QZValue::TypeArray) return a == b;
  if (a.getSize() != b.getSize()) return false;
  for (unsigned int i = 0; i < a.getSize(); ++i)
    if (!sameValue(a[static_cast<int>(i)], b[static_cast<int>(i)])) return false;
  return true;
}

void checkPrescan(const std::string& text) {
  const QZ::valuexml::MarkupFacts facts =
      QZ::valuexml::scanMarkup(text.c_str(), text.size(), 2000, 2000);
  if (facts.depth > 2000 || facts.attributes > 2000) return;  // never handed to the parser
  TiXmlDocument document;
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  if (facts.depth < treeDepth(&document)) fail("pre-scan saw less nesting than the parser", text);
  if (facts.hasElement != (document.FirstChildElement() != nullptr))
    fail("pre-scan and parser disagree on an element", text);
  if (facts.firstElementEnd == 0) {
    if (facts.hasElement && !document.Error()) fail("parser completed a first element the pre-scan did not", text);
    return;
  }
  // Up to the end the scan found, the parser reads the first element without a fault.
  TiXmlDocument first;
  first.Parse(text.substr(0, facts.firstElementEnd).c_str(), nullptr, TIXML_ENCODING_LEGACY);
  if (first.Error()) fail("parser did not complete the first element the pre-scan did", text);
}

void checkRoundTrip(const QZ::QZValue& value, const std::string& text) {
  std::string written;
  QZ::appendValueXml(value, written, false);
  QZ::QZValue back;
  const bool read = QZ::readValueFromText(written, back);
  if (read != value.isValid()) fail("written value not found again", text);
  if (read && !sameOnTheWire(value, back)) fail("value changed on a round trip", text);
}

// What a reading of `text` comes to: found or not, and the error text if it raised one.
template <typename Reader>
bool readingOf(Reader read, const std::string& text, QZ::QZValue& value, std::string& error) {
  try {
    return read(text, value);
  } catch (const QZ::QZError& raised) {
    error = raised.what();
    return false;
  }
}

void checkPlainAgrees(const std::string& text) {
  QZ::QZValue fast, parsed;
  std::string fastError, parsedError;
  const bool fastFound = readingOf(QZ::readValueFromText, text, fast, fastError);
  const bool parsedFound = readingOf(QZ::readValueWithDocumentParser, text, parsed, parsedError);
  if (fastFound != parsedFound || fastError != parsedError)
    fail("the one-pass and the parser's readings disagree", text);
  if (fastFound && !sameValue(fast, parsed)) fail("the one-pass and the parser's values differ", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  checkPrescan(text);
  checkPlainAgrees(text);
  QZ::QZValue value;
  try {
    if (QZ::readValueFromText(text, value)) checkRoundTrip(value, text);
  } catch (const QZ::QZError&) {
    // A refused answer is a correct outcome.
  }
  return 0;
}
