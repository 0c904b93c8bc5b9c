// Fuzz entry of qzcall's reading of a JSON argument: arbitrary bytes as one argument
// text. Besides surviving every input, the reader must keep these promises:
// - a text it cannot take is refused with JsonValueError, which qzcall reports as a
//   usage error; any other exception would end qzcall unreported;
// - an accepted argument written back as JSON, compact or indented as --pretty
//   prints it, reads again as exactly the same value;
// - the JSON written for a value is canonical: reading it and writing again gives
//   the same text.
#include "jsonvalue.h"

#include "same_value.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(const char* what, const std::string& text, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s\nargument: %s\n%s\n", what, text.c_str(), detail.c_str());
  std::abort();
}

QZ::QZValue readArgument(const std::string& text) { return qzcall::packArguments({text})[0]; }

// `written`, read as an argument again, must give `value`.
void checkReadsBack(const std::string& text, const QZ::QZValue& value, const std::string& written) {
  QZ::QZValue again;
  try {
    again = readArgument(written);
  } catch (const qzcall::JsonValueError& refused) {
    fail("a written value is refused as an argument", text, written + "\n" + refused.what());
  }
  if (!qzfuzz::sameValue(value, again))
    fail("a written value reads as another value", text, written + "\nreads as " + again.toString(1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  QZ::QZValue value;
  try {
    value = readArgument(text);
  } catch (const qzcall::JsonValueError&) {
    return 0;  // refused as a usage error: a correct outcome
  }
  const nlohmann::json json = qzcall::toJson(value);
  const std::string written = json.dump();
  checkReadsBack(text, value, written);
  checkReadsBack(text, value, json.dump(2));
  const std::string rewritten = qzcall::toJson(readArgument(written)).dump();
  if (rewritten != written)
    fail("the written form is not canonical", text, written + "\nthen " + rewritten);
  return 0;
}
