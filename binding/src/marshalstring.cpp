#include <velantrix/languagecompatibility/convert.h>

namespace Velantrix::LanguageCompatibility::detail {

std::string StringMarshaler<0>::marshal(const System::String& s) {
  return System::Text::Encoding::UTF8.GetStdString(s);
}

System::String StringMarshaler<1>::marshalCxxString(QZ::QZValue value) {
  const QZ::TQZValueString& bytes = value;  // the value's own length, not up to a NUL
  return System::Text::Encoding::UTF8.GetString(bytes.data(), bytes.size());
}

}  // namespace Velantrix::LanguageCompatibility::detail
