// A value that moves through key frames over time and is evaluated when read: the
// joints' angles and stiffnesses, and the LEDs' colours.
#ifndef QZSIM_RAMP_H
#define QZSIM_RAMP_H

#include "../taskcontrol.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace qzsim {

// A key frame: seconds after the plan starts, and the value then.
using Keys = std::vector<std::pair<double, float>>;

inline Clock::time_point after(Clock::time_point now, double seconds) {
  return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

struct Ramp {
  float from = 0.0f;
  Clock::time_point start;
  std::vector<std::pair<Clock::time_point, float>> keys;

  // Straight lines between the key frames; the last value once they are passed.
  float at(Clock::time_point now) const {
    Clock::time_point prevTime = start;
    float prevValue = from;
    for (const auto& key : keys) {
      if (now < key.first) {
        const double span = std::chrono::duration<double>(key.first - prevTime).count();
        if (span <= 0.0) return key.second;
        const double part = std::max(0.0, std::chrono::duration<double>(now - prevTime).count()) / span;
        return prevValue + static_cast<float>(part) * (key.second - prevValue);
      }
      prevTime = key.first;
      prevValue = key.second;
    }
    return prevValue;
  }

  // Starts a new plan from the present value; values are clamped to [low, high].
  // Returns the time of the last key frame (now when there is none).
  Clock::time_point plan(const Keys& planned, Clock::time_point now, float low, float high) {
    from = at(now);
    start = now;
    keys.clear();
    for (const auto& key : planned)
      keys.emplace_back(after(now, key.first), std::min(std::max(key.second, low), high));
    return keys.empty() ? now : keys.back().first;
  }
};

}  // namespace qzsim

#endif
