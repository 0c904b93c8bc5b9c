// Internal consistency checks of the native layers. A failed check raises QZError
// with the method "Assert failed" and "<source path>:<line>" as its description;
// the build maps source paths to repository-relative ones, so no build-machine
// path ever reaches an error text.
#ifndef QZVALUE_QZASSERT_H
#define QZVALUE_QZASSERT_H

#include "qzvalue/qzerror.h"

#include <string>

#define QZ_ASSERT_FAILED(module)                                                   \
  throw ::QZ::QZError((module), "Assert failed",                                   \
                      std::string(__FILE__) + ":" + std::to_string(__LINE__), __FILE__, \
                      __LINE__)

#define QZ_ASSERT(module, condition)     \
  do {                                   \
    if (!(condition)) QZ_ASSERT_FAILED(module); \
  } while (0)

#endif
