#include "callresult.h"

#include "qzvalue/detail/qzfunctorconvert.h"
#include "qzvalue/qzerror.h"
#include "valuebuffer.h"

#include <climits>
#include <string>
#include <vector>

namespace QZ::capi {
namespace {

// The check of the native typed call: a method that returned nothing has no result.
void expectValue(const QZValue& answer) {
  if (!answer.isValid())
    throw QZError("QZProxy", "call", "Waiting for the result of a void function",
                  "qzremotecall/qzremoteproxy", __LINE__);
}

// Each string as a 4-byte little-endian length and its bytes, in one block.
std::string packStrings(const std::vector<std::string>& strings) {
  std::size_t total = 0;
  for (const std::string& text : strings) {
    if (text.size() > UINT32_MAX)
      throw QZError("qz_call", "string list", "a string of " + std::to_string(text.size()) +
                    " bytes does not fit a 4-byte length", __FILE__, __LINE__);
    total += 4 + text.size();
  }
  std::string packed(total, '\0');
  char* at = &packed[0];
  for (const std::string& text : strings) {
    const std::size_t size = text.size();
    for (int shift = 0; shift < 32; shift += 8) *at++ = static_cast<char>((size >> shift) & 0xFF);
    if (size != 0) text.copy(at, size);
    at += size;
  }
  return packed;
}

}  // namespace

bool isResultKind(std::int32_t kind) { return kind >= QZ_RESULT_NONE && kind <= QZ_RESULT_OBJECT; }

PendingResult resultOfKind(std::int32_t kind, const QZValue& answer) {
  PendingResult result;
  if (kind == QZ_RESULT_NONE) return result;
  if (kind != QZ_RESULT_VALUE) expectValue(answer);
  switch (kind) {
    case QZ_RESULT_VALUE:
    case QZ_RESULT_OBJECT: {
      // The answer as it is: the value converter would only copy it.
      std::string buffer;
      encodeValue(answer, buffer);
      result.setBytes(std::move(buffer));
      break;
    }
    case QZ_RESULT_INT: result.setNumber(detail::converter<int>().convertFromQZValue(answer)); break;
    case QZ_RESULT_BOOL:
      result.setNumber(detail::converter<bool>().convertFromQZValue(answer) ? 1 : 0);
      break;
    case QZ_RESULT_FLOAT: result.setReal(detail::converter<float>().convertFromQZValue(answer)); break;
    case QZ_RESULT_STRING:
      result.setBytes(detail::converter<std::string>().convertFromQZValue(answer));
      break;
    case QZ_RESULT_STRING_LIST: {
      const std::vector<std::string> strings =
          detail::converter<std::vector<std::string>>().convertFromQZValue(answer);
      result.setBytes(packStrings(strings), strings.size());
      break;
    }
    case QZ_RESULT_FLOAT_LIST:
      result.setFloats(detail::converter<std::vector<float>>().convertFromQZValue(answer));
      break;
    default: break;  // refused before the call
  }
  return result;
}

}  // namespace QZ::capi
