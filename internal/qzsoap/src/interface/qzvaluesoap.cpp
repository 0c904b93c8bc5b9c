// The XML form of a QZValue: the <item> writer and the reader of the broker's answers.
#include "qzvaluesoap.h"

#include "qzassert.h"
#include "qzvalue/qzerror.h"
#include "qzvaluesoap_plain.h"
#include "qzvaluesoap_prescan.h"
#include "qzvaluesoap_text.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace QZ {
namespace {

const char* const kModule = "QZValue";

// ---- writer -----------------------------------------------------------------

void appendLiteral(std::string& out, const char* literal) { out.append(literal); }

void appendItem(const QZValue& value, std::string& out, bool nested) {
  switch (value.getType()) {
    case QZValue::TypeInvalid:
      if (nested) appendLiteral(out, "<item xsi:nil=\"true\" xsi:type=\"nil\">nil</item>");
      return;
    case QZValue::TypeArray:
      appendLiteral(out, "<item xsi:type=\"Array\">");
      for (const QZValue& element : *value.arrayElements()) appendItem(element, out, true);
      appendLiteral(out, "</item>");
      return;
    case QZValue::TypeBool:
      appendLiteral(out, "<item xsi:type=\"xsd:boolean\">");
      appendLiteral(out, static_cast<bool>(value) ? "true" : "false");
      appendLiteral(out, "</item>");
      return;
    case QZValue::TypeInt:
      appendLiteral(out, "<item xsi:type=\"xsd:int\">");
      valuexml::appendInt(out, static_cast<int>(value));
      appendLiteral(out, "</item>");
      return;
    case QZValue::TypeFloat:
      appendLiteral(out, "<item xsi:type=\"xsd:float\">");
      valuexml::appendFloat(out, static_cast<float>(value));
      appendLiteral(out, "</item>");
      return;
    case QZValue::TypeString: {
      const TQZValueString& text = value;
      appendLiteral(out, "<item xsi:type=\"xsd:string\">");
      valuexml::appendEscaped(out, text.data(), text.size(), true);
      appendLiteral(out, "</item>");
      return;
    }
    case QZValue::TypeObject:
      appendLiteral(out, "<item xsi:type=\"xsd:base64Object\">");
      value.encodeBase64(out);
      appendLiteral(out, "</item>");
      return;
    case QZValue::TypeBinary:
      // The bytes travel as an attachment; the item holds the base64 text of the
      // one-byte placeholder "1".
      appendLiteral(out, "<item xsi:type=\"xsd:base64Binary\">MQ==</item>");
      return;
    default:
      QZ_ASSERT_FAILED(kModule);
  }
}

// ---- reader -----------------------------------------------------------------

[[noreturn]] void throwTooDeep() {
  throw QZError(kModule, "readValueXml",
                "nesting deeper than " + std::to_string(kMaxValueDepth) + " levels", __FILE__,
                __LINE__);
}

bool isWrapperName(const char* name) {
  switch (name[0]) {  // most elements are items: one test turns them away
    case 'p': return name[1] == '\0';
    case 'r': return name[1] == '\0' || std::strcmp(name, "return") == 0;
    case 'x': return std::strcmp(name, "xsd:anyType") == 0;
    case 'q': return std::strcmp(name, "qzbroker:p") == 0 || std::strcmp(name, "qzbroker:return") == 0;
    default: return false;
  }
}

// "Fault: '<name>': " then "<child>: " and "<text>, " for each child element.
[[noreturn]] void throwFault(const TiXmlElement* node) {
  std::string text = "Fault: '";
  text += node->Value();
  text += "': ";
  for (const TiXmlElement* child = node->FirstChildElement(); child != nullptr;) {
    text += child->Value();
    text += ": ";
    if (const char* childText = child->GetText()) {
      text += childText;
      text += ", ";
    }
    const TiXmlNode* next = child->NextSibling();
    child = next != nullptr ? next->ToElement() : nullptr;
  }
  throw QZError(kModule, "Receving Fault response: ", text, __FILE__, __LINE__);
}

// The array marker: an xmlns attribute naming the broker's array namespace, any case.
bool hasArrayMarker(const TiXmlElement* node) {
  const char* space = node->Attribute("xmlns");
  if (space == nullptr) return false;
  std::string lowered(space);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered.find("velantrix.broker.array") != std::string::npos;
}

bool readsFalse(const char* text) {
  if (text == nullptr || text[0] == '\0') return true;
  if (std::strcmp(text, "0") == 0) return true;
  static const char kFalse[] = "false";
  for (std::size_t i = 0; i < sizeof kFalse; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != kFalse[i]) return false;
    if (text[i] == '\0') break;
  }
  return true;
}

std::size_t countChildNodes(const TiXmlElement* node) {
  std::size_t count = 0;
  for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling())
    ++count;
  return count;
}

void readElement(const TiXmlElement* node, QZValue& value, int kindHint, int depth);

void readArray(const TiXmlElement* node, QZValue& value, int depth) {
  const char* arrayType = node->Attribute("SOAP-ENC:arrayType");
  if (arrayType == nullptr) arrayType = node->Attribute("n2:arrayType");
  const std::size_t children = countChildNodes(node);
  int childHint = QZValue::TypeArray;
  std::size_t capacity = children;
  if (arrayType != nullptr) {
    // "<element type>[<count>]"; the count is only a capacity, and never more than the
    // children present can fill.
    char elementType[kMaxArrayTypeName + 1];
    std::size_t length = 0;
    const std::size_t longest = static_cast<std::size_t>(kMaxArrayTypeName);
    while (length < longest && arrayType[length] != '\0' && arrayType[length] != '[') {
      elementType[length] = arrayType[length];
      ++length;
    }
    if (length == longest) QZ_ASSERT_FAILED(kModule);
    elementType[length] = '\0';
    childHint = itemTypeFromName(elementType);
    long declared = 4;
    if (arrayType[length] == '[') declared = std::strtol(arrayType + length + 1, nullptr, 10);
    capacity = declared <= 0 ? 0 : std::min(children, static_cast<std::size_t>(declared));
  }
  value.clear();
  value.arrayReserve(static_cast<int>(std::min<std::size_t>(capacity, INT_MAX)));
  // Every child node takes an index, so text or comments between items leave Invalid gaps.
  int index = 0;
  for (const TiXmlNode* child = node->FirstChild(); child != nullptr;
       child = child->NextSibling(), ++index) {
    const TiXmlElement* element = child->ToElement();
    if (element == nullptr) continue;
    value.arraySetSize(index + 1);
    readElement(element, value[index], childHint, depth + 1);
  }
}

void readElement(const TiXmlElement* node, QZValue& value, int kindHint, int depth) {
  if (depth > kMaxValueDepth) throwTooDeep();
  if (isWrapperName(node->Value())) {
    if (const TiXmlElement* child = node->FirstChildElement()) node = child;
  }
  int kind = QZValue::TypeInvalid;
  if (const char* typeName = node->Attribute("xsi:type")) {
    kind = itemTypeFromName(typeName);
  } else if (std::strstr(node->Value(), "Fault") != nullptr) {
    throwFault(node);
  } else if (kindHint != 0) {
    kind = kindHint;
  } else if (hasArrayMarker(node)) {
    kind = QZValue::TypeArray;
  }

  if (kind == QZValue::TypeArray) readArray(node, value, depth);
  else readItemText(kind, node->GetText(), value);
}

}  // namespace

void appendValueXml(const QZValue& value, std::string& out, bool nested) {
  appendItem(value, out, nested);
}

std::string escapeXmlText(const std::string& text, bool escapeSpace) {
  std::string result;
  result.reserve(text.size() * 14 / 10);
  valuexml::appendEscaped(result, text.data(), text.size(), escapeSpace);
  return result;
}

QZValue::Type itemTypeFromName(const char* typeName) {
  return typeName == nullptr ? QZValue::TypeInvalid : itemTypeFromName(std::string_view(typeName));
}

QZValue::Type itemTypeFromName(std::string_view typeName) {
  if (typeName == "xsd:string") return QZValue::TypeString;
  if (typeName == "xsd:int") return QZValue::TypeInt;
  if (typeName == "xsd:double") return QZValue::TypeFloat;
  if (typeName == "xsd:float") return QZValue::TypeFloat;
  if (typeName.find("bool") != std::string_view::npos) return QZValue::TypeBool;
  if (typeName == "xsd:base64Object") return QZValue::TypeObject;
  if (typeName == "xsd:base64Binary") return QZValue::TypeBinary;
  if (typeName.find("Array") != std::string_view::npos) return QZValue::TypeArray;
  return QZValue::TypeInvalid;
}

void readItemText(int kind, const char* text, QZValue& value) {
  switch (kind) {
    case QZValue::TypeBool: value = !readsFalse(text); break;
    case QZValue::TypeInt: value = text != nullptr ? valuexml::readInt(text) : 0; break;
    case QZValue::TypeFloat: value = text != nullptr ? valuexml::readFloat(text) : 0.0f; break;
    case QZValue::TypeString: value = text != nullptr ? text : ""; break;
    case QZValue::TypeObject: value.decodeBase64Object(text != nullptr ? text : ""); break;
    case QZValue::TypeBinary:
      if (text == nullptr) {
        std::printf("error\n");
        std::fflush(stdout);
        QZ_ASSERT_FAILED(kModule);
      }
      value.decodeBase64Binary(text);
      break;
    default: value.clear(); break;
  }
}

const QZValue& readValueXml(const TiXmlElement* node, QZValue& value, int kindHint) {
  QZ_ASSERT(kModule, node != nullptr);
  readElement(node, value, kindHint, 1);
  return value;
}

bool readValueFromText(const std::string& text, QZValue& value) {
  if (text.compare(0, 5, "<item") == 0) {
    value.clear();
    if (valuexml::readPlainValue(text, value) == valuexml::PlainRead::kRead) return true;
  }
  return readValueWithDocumentParser(text, value);
}

bool readValueWithDocumentParser(const std::string& text, QZValue& value) {
  // The parser's white-space mode is process-wide; the reader relies on condensing.
  static const bool condensing = (TiXmlBase::SetCondenseWhiteSpace(true), true);
  (void)condensing;

  const std::size_t maxAttributes = static_cast<std::size_t>(kMaxElementAttributes);
  valuexml::MarkupFacts facts = valuexml::scanMarkup(text.c_str(), text.size(),
                                                     kMaxValueDepth + 1, maxAttributes);
  // Only the first element is read, so only it has to keep within the bounds. The scan
  // stops where a bound is passed, so a first element that passed one has no end.
  if (facts.firstElementEnd == 0) {
    if (facts.depth > static_cast<std::size_t>(kMaxValueDepth) + 1) throwTooDeep();
    if (facts.attributes > maxAttributes)
      throw QZError(kModule, "readValueXml",
                    "an element with more than " + std::to_string(kMaxElementAttributes) +
                        " attributes",
                    __FILE__, __LINE__);
    // The parser would keep a half-read first element as if it were whole.
    if (facts.hasElement)
      throw QZError(kModule, "readValueXml",
                    "the answer is cut short or malformed inside its first element", __FILE__,
                    __LINE__);
  }
  // The parser gets the text up to the end of the first element: what follows may be
  // deeper than its recursion can take.
  std::string firstPart;
  const std::string* parsed = &text;
  if (facts.firstElementEnd != 0 && facts.firstElementEnd < text.size()) {
    firstPart.assign(text, 0, facts.firstElementEnd);
    parsed = &firstPart;
    while (!facts.whiteSpaceTexts.empty() && facts.whiteSpaceTexts.back().end > facts.firstElementEnd)
      facts.whiteSpaceTexts.pop_back();
  }
  // Texts of white space written as references survive the parse as CDATA sections.
  std::string kept;
  if (!facts.whiteSpaceTexts.empty()) {
    kept = valuexml::keepWhiteSpaceTexts(*parsed, facts.whiteSpaceTexts);
    parsed = &kept;
  }

  // Single-byte mode whatever the text claims: a character reference is one byte.
  TiXmlDocument document;
  document.Parse(parsed->c_str(), nullptr, TIXML_ENCODING_LEGACY);
  const TiXmlElement* first = document.FirstChildElement();
  if (first == nullptr) return false;
  value.clear();
  readValueXml(first, value, 0);
  return true;
}

}  // namespace QZ
