// Conversions between host values and the native values below the public surface.
// Every string conversion here is UTF-8 with explicit lengths: embedded NULs survive.
#ifndef VELANTRIX_LANGUAGECOMPATIBILITY_CONVERT_H
#define VELANTRIX_LANGUAGECOMPATIBILITY_CONVERT_H

#include <qzvalue/qzvalue.h>
#include <velantrix/system.h>

#include <string>
#include <vector>

namespace Velantrix::LanguageCompatibility {

namespace detail {

template <int Direction> struct StringMarshaler;

// Host text to native bytes. A null String raises the encoder's ArgumentNullException.
template <> struct StringMarshaler<0> {
  static std::string marshal(const System::String& s);
};

// A String-kind value's bytes, read whole, to host text; ill-formed UTF-8 becomes U+FFFD.
template <> struct StringMarshaler<1> {
  static System::String marshalCxxString(QZ::QZValue value);
};

}  // namespace detail

inline std::string marshalString(const System::String& s) {
  return detail::StringMarshaler<0>::marshal(s);
}

inline System::String marshalString(QZ::QZValue value) {
  return detail::StringMarshaler<1>::marshalCxxString(std::move(value));
}

// Stateless: every operation is static. Host errors (a null reference, a null string)
// leave as the host exceptions they are; native failures leave as native exceptions.
class Convert : public System::IDisposable {
public:
  using StringList = System::Collections::Generic::List<System::String>;
  using FloatList = System::Collections::Generic::List<float>;

  Convert() = default;
  ~Convert() override;
  void Dispose() override;

  // Byte[] and Int16[] become Binary (an empty one stays Invalid), any other list an
  // Array, boxed Boolean/Single/Int32 and String their kinds, everything else Invalid.
  static QZ::QZValue ToNativeType(const System::Object& param);
  static std::string ToNativeType(const System::String& s);
  static std::string ToNativeType(const char* s) { return ToNativeType(System::String(s)); }
  static std::vector<std::string> ToNativeType(const StringList& pParam);
  static std::vector<float> ToNativeType(const FloatList& pParam);

  // Array becomes an ArrayList at every depth, Binary a Byte[], Invalid and Object a
  // new plain System.Object (never a null reference).
  static System::Object ToDotNetType(const QZ::QZValue& value);
  static StringList ToDotNetType(std::vector<std::string> pParam);
  static FloatList ToDotNetType(std::vector<float> pParam);

  // Host lists nested deeper than this, or containing themselves, are refused with
  // an ArgumentException; deeper native values with a QZError.
  static constexpr int kMaxNesting = 1000;
};

}  // namespace Velantrix::LanguageCompatibility

#endif
