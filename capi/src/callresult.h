// A call's answer in the form its result kind names (QZ_RESULT_*), converted as the
// native typed proxies convert it.
#ifndef QZCAPI_CALLRESULT_H
#define QZCAPI_CALLRESULT_H

#include "qzvalue/qzvalue.h"
#include "resultrecord.h"

#include <cstdint>

namespace QZ::capi {

bool isResultKind(std::int32_t kind);

// Raises what the native typed call would raise: the void-function error when a typed
// kind finds no value, the converters' kind errors. Conversions print their warning
// lines as the native ones do.
PendingResult resultOfKind(std::int32_t kind, const QZValue& answer);

}  // namespace QZ::capi

#endif
