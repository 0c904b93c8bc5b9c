// QZBattery: a charge that falls by 1 % a minute from 100 % down to 20 %, when the
// robot is plugged in and charges back at 4 % a minute, over and over.
#include "../behaviours.h"

namespace qzsim {

namespace {

constexpr double kFullMinutes = 80.0;      // 100 % down to 20 % at 1 % a minute
constexpr double kChargeMinutes = 20.0;    // 20 % back up to 100 % at 4 % a minute

int chargeAt(double minutes) {
  const double cycle = kFullMinutes + kChargeMinutes;
  const double t = minutes - cycle * static_cast<long long>(minutes / cycle);
  const double charge = t < kFullMinutes ? 100.0 - t : 20.0 + 4.0 * (t - kFullMinutes);
  return static_cast<int>(charge);
}

}  // namespace

void installBattery(Behaviours& b, World& world) {
  const Clock::time_point started = world.started;
  b.add("QZBattery", "getBatteryCharge()", [started](const Args&, TaskControl&) {
    return QZ::QZValue(chargeAt(std::chrono::duration<double>(Clock::now() - started).count() / 60.0));
  });
  // The sentinel reports the same battery, as a level from 0 to 5 and in words.
  b.add("QZSentinel", "getBatteryLevel()", [started](const Args&, TaskControl&) {
    return QZ::QZValue(chargeAt(std::chrono::duration<double>(Clock::now() - started).count() / 60.0) / 20);
  });
  b.add("QZSentinel", "getBatteryLevelDesc()", [started](const Args&, TaskControl&) {
    const int charge = chargeAt(std::chrono::duration<double>(Clock::now() - started).count() / 60.0);
    return QZ::QZValue("battery at " + std::to_string(charge) + " %");
  });
}

}  // namespace qzsim
