// A fault in what the caller handed over (a null handle or name, a malformed value
// buffer): the qz_ functions answer it with QZ_BAD_ARGUMENT, having sent nothing.
#ifndef QZCAPI_ARGUMENTERROR_H
#define QZCAPI_ARGUMENTERROR_H

#include "qzvalue/qzerror.h"

namespace QZ::capi {

class ArgumentError : public QZError {
public:
  using QZError::QZError;
};

}  // namespace QZ::capi

#endif
