// The calls of the soak: what each one sends and what must come back.
#ifndef QZSOAK_SOAKCALLS_H
#define QZSOAK_SOAKCALLS_H

#include "qzvalue/qzvalue.h"

#include <string>

namespace qzsoak {

struct SoakCall {
  std::string method;
  bool posted = false;   // genericPost: the broker's task id is the first argument
  QZ::QZValue params;    // the argument list
  QZ::QZValue expected;  // the result a right answer gives
};

// Call number `index` of the soak, made by thread `thread`: strings, numbers, nested
// arrays, Binary values alone and nested (they travel as DIME attachments), a string
// larger than one receive block, posts and pings. No two calls send the same bytes, so
// the broker's fault choice for each is reproducible from its seed.
SoakCall soakCall(int thread, int index);

// Equal kinds and equal contents; Floats bit for bit, unlike QZValue's own tolerance.
bool sameValue(const QZ::QZValue& a, const QZ::QZValue& b);

}  // namespace qzsoak

#endif
