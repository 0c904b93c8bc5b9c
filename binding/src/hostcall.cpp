#include <velantrix/proxies/detail/hostcall.h>

#include <cstring>

namespace Velantrix::Proxies::detail {

using LanguageCompatibility::Convert;

System::String nativeText(const char* text) {
  if (text == nullptr) return System::String(u"");
  return System::Text::Encoding::UTF8.GetString(text, std::strlen(text));
}

void throwHostException(const std::exception& native) {
  throw System::Exception(nativeText(native.what()));
}

void throwDisposed(const char* ownerName) {
  throw System::ObjectDisposedException(
      System::String(ownerName == nullptr ? "object" : ownerName));
}

std::string toNative(const System::String& value) { return Convert::ToNativeType(value); }
std::vector<std::string> toNative(const StringList& value) { return Convert::ToNativeType(value); }
std::vector<float> toNative(const FloatList& value) { return Convert::ToNativeType(value); }
QZ::QZValue toNative(const System::Object& value) { return Convert::ToNativeType(value); }

System::String fromNative(const std::string& value) {
  const std::size_t end = value.find('\0');
  return System::Text::Encoding::UTF8.GetString(value.data(),
                                                end == std::string::npos ? value.size() : end);
}

StringList fromNative(std::vector<std::string> value) {
  return Convert::ToDotNetType(std::move(value));
}

FloatList fromNative(std::vector<float> value) { return Convert::ToDotNetType(std::move(value)); }

System::Object fromNative(const QZ::QZValue& value) { return Convert::ToDotNetType(value); }

}  // namespace Velantrix::Proxies::detail
