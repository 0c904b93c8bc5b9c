// Time stamps as the modules answer them: [seconds, microseconds] of the wall clock.
#ifndef QZSIM_STAMP_H
#define QZSIM_STAMP_H

#include "qzvalue/qzvalue.h"

#include <chrono>

namespace qzsim {

inline QZ::QZValue stampValue(std::chrono::system_clock::time_point when) {
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
  QZ::QZValue stamp;
  stamp.arraySetSize(2);
  stamp[0] = static_cast<int>(micros / 1000000);
  stamp[1] = static_cast<int>(micros % 1000000);
  return stamp;
}

}  // namespace qzsim

#endif
