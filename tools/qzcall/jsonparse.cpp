#include "jsonvalue.h"

namespace qzcall {
namespace {

using nlohmann::json;

// Builds the DOM like nlohmann's own parser, but bounds the nesting and refuses
// integer literals that the parser would otherwise read as floats.
class CheckedDomBuilder {
public:
  explicit CheckedDomBuilder(json& result) : fDom(result, false) {}

  bool null() { return fDom.null(); }
  bool boolean(bool value) { return fDom.boolean(value); }
  bool number_integer(json::number_integer_t value) { return fDom.number_integer(value); }
  bool number_unsigned(json::number_unsigned_t value) { return fDom.number_unsigned(value); }
  bool number_float(json::number_float_t value, const json::string_t& text) {
    if (text.find_first_of(".eE") == json::string_t::npos)
      return fail("the integer " + text + " does not fit in 32 bits");
    return fDom.number_float(value, text);
  }
  bool string(json::string_t& value) { return fDom.string(value); }
  bool binary(json::binary_t& value) { return fDom.binary(value); }
  bool start_object(std::size_t size) { return enter() && fDom.start_object(size); }
  bool key(json::string_t& value) { return fDom.key(value); }
  bool end_object() { --fDepth; return fDom.end_object(); }
  bool start_array(std::size_t size) { return enter() && fDom.start_array(size); }
  bool end_array() { --fDepth; return fDom.end_array(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
    // nlohmann's texts start with "[json.exception.parse_error.101] ".
    std::string text = e.what();
    const std::size_t bracket = text.find("] ");
    return fail(bracket == std::string::npos ? text : text.substr(bracket + 2));
  }

  const std::string& error() const { return fError; }

private:
  bool enter() {
    if (++fDepth > kMaxJsonDepth)
      return fail("nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
    return true;
  }
  bool fail(std::string message) {
    if (fError.empty()) fError = std::move(message);
    return false;
  }

  nlohmann::detail::json_sax_dom_parser<json> fDom;
  int fDepth = 0;
  std::string fError;
};

}  // namespace

json parseJson(const std::string& text) {
  json result;
  CheckedDomBuilder builder(result);
  if (!json::sax_parse(text, &builder)) throw JsonValueError(builder.error());
  return result;
}

}  // namespace qzcall
