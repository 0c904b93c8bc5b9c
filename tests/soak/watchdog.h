// Bounds a test in time: a hung call would otherwise hold the suite until CTest's own
// time-out and say nothing of the seed that hung.
#ifndef QZSOAK_WATCHDOG_H
#define QZSOAK_WATCHDOG_H

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace qzsoak {

class Watchdog {
public:
  // Past `limit`, prints `what` and ends the program.
  Watchdog(std::chrono::seconds limit, std::string what)
      : fThread([this, limit, what = std::move(what)] {
          std::unique_lock<std::mutex> lock(fMutex);
          if (fDone.wait_for(lock, limit, [this] { return fDisarmed; })) return;
          std::fprintf(stderr, "still running after %lld s: %s\n", static_cast<long long>(limit.count()),
                       what.c_str());
          std::abort();
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(fMutex);
      fDisarmed = true;
    }
    fDone.notify_all();
    fThread.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

private:
  std::mutex fMutex;
  std::condition_variable fDone;
  bool fDisarmed = false;
  std::thread fThread;  // last: starts once the members it uses exist
};

}  // namespace qzsoak

#endif
