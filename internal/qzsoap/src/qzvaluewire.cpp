// The dynamic value's serialisers, plugged into the generated code under the name
// soapcpp2 gives the type (qz__Value).
#include "qzvaluewire.h"

#include "interface/qzvaluesoap.h"
#include "interface/qzvaluesoap_plain.h"
#include "qzelementtext.h"
#include "soapH.h"

#include <cstring>
#include <string>

namespace {

// Reads the element named `name`, whose xsi:type is `type` ("" when it has none) and
// whose content is `content`. The value inside it is the first element of the content
// (whatever the element's name); a typed element without a child element carries the
// value itself; a fault element raises the reader's fault error.
void readElement(const std::string& name, const std::string& type, const std::string& content,
                 QZ::QZValue& value) {
  if (type.empty() && name.find("Fault") != std::string::npos) {
    QZ::readValueFromText("<" + name + ">" + content + "</" + name + ">", value);
    return;
  }
  if (QZ::readValueFromText(content, value)) return;
  if (!type.empty() &&
      QZ::readValueFromText("<item xsi:type=\"" + QZ::escapeXmlText(type, false) + "\">" +
                                content + "</item>",
                            value))
    return;
  value.clear();  // an empty result element: no value
}

}  // namespace

int soap_out_QZValue(struct soap* soap, const char* tag, int id, const QZ::QZValue* value,
                     const char* type) {
  if (tag != nullptr && std::strcmp(tag, "r") == 0) tag = "xsd:anyType";
  std::string xml;
  xml.reserve(10000);
  QZ::appendValueXml(*value, xml, false);
  // The item text is already escaped: it goes out raw.
  if (soap_element_begin_out(soap, tag, soap_embedded_id(soap, id, value, SOAP_TYPE_qz__Value), type) ||
      soap_send_raw(soap, xml.data(), xml.size()))
    return soap->error;
  return soap_element_end_out(soap, tag);
}

namespace {

// The content of the element being read, in a buffer each thread keeps for its next
// answer: a large answer is received into memory already in place, rather than into
// fresh pages the system must first clear. Only a buffer of a usual size is kept.
class ContentBuffer {
public:
  ContentBuffer() {
    text_.swap(kept());  // a nested reading on the thread finds none, and makes its own
    text_.clear();
  }
  ~ContentBuffer() {
    if (text_.capacity() <= kKeptBytes) kept().swap(text_);
  }
  std::string& text() { return text_; }

private:
  static constexpr std::size_t kKeptBytes = std::size_t(16) << 20;
  static std::string& kept() {
    thread_local std::string buffer;
    return buffer;
  }
  std::string text_;
};

}  // namespace

QZ::QZValue* soap_in_QZValue(struct soap* soap, const char* tag, QZ::QZValue* value,
                             const char*) {
  if (soap_element_begin_in(soap, tag, 1, nullptr)) return nullptr;
  if (value == nullptr && (value = soap_new_qz__Value(soap)) == nullptr) return nullptr;
  const std::string name = soap->tag;
  const std::string type = soap->type;
  ContentBuffer buffer;
  std::string& content = buffer.text();
  if (!soap->body) {
    readElement(name, type, content, *value);
    return value;
  }
  // A result in the plain form is read while it arrives; a fault's detail is not.
  const bool fault = type.empty() && name.find("Fault") != std::string::npos;
  QZ::QZValue plainValue;
  QZ::valuexml::PlainStreamReader plain(plainValue);
  if (!QZ::wire::readElementContent(soap, content, fault ? nullptr : &plain) ||
      soap_element_end_in(soap, nullptr) != SOAP_OK)
    return nullptr;
  if (plain.ended())
    *value = std::move(plainValue);
  else
    readElement(name, type, content, *value);
  return value;
}

// The names soapcpp2 gives the serialisers of the type qz__Value.
void soap_default_qz__Value(struct soap*, QZValue* value) { value->clear(); }
void soap_serialize_qz__Value(struct soap*, const QZValue*) {}
int soap_out_qz__Value(struct soap* soap, const char* tag, int id, const QZValue* value,
                       const char* type) {
  return soap_out_QZValue(soap, tag, id, value, type);
}
QZValue* soap_in_qz__Value(struct soap* soap, const char* tag, QZValue* value, const char* type) {
  return soap_in_QZValue(soap, tag, value, type);
}
