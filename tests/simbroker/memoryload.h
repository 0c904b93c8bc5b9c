// Many proxies calling the simulated broker at once for a while, each storing a value
// of its own and reading it back: nothing may be lost or mixed up.
#ifndef SIMBROKER_MEMORYLOAD_H
#define SIMBROKER_MEMORYLOAD_H

#include "qzproxies/qzmemoryproxyremote.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace simtest {

struct LoadResult {
  long calls = 0;       // each an insertData or a getData
  long mismatches = 0;  // values that came back other than stored
  long failures = 0;    // calls that raised an error
  double seconds = 0.0;
  double callsPerSecond() const { return seconds > 0.0 ? calls / seconds : 0.0; }
};

// `threads` threads, each driving `proxiesPerThread` proxies in turn, for `duration`.
inline LoadResult runMemoryLoad(int port, int threads, int proxiesPerThread, std::chrono::milliseconds duration) {
  using Clock = std::chrono::steady_clock;
  std::atomic<long> calls{0}, mismatches{0}, failures{0};
  std::vector<std::thread> workers;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + duration;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::vector<std::unique_ptr<QZ::QZMemoryProxyRemote>> proxies;
      for (int p = 0; p < proxiesPerThread; ++p)
        proxies.push_back(std::make_unique<QZ::QZMemoryProxyRemote>("127.0.0.1", port));
      for (long n = 0; Clock::now() < end; ++n) {
        const int p = static_cast<int>(n % proxiesPerThread);
        const std::string key = "load/" + std::to_string(t) + "/" + std::to_string(p);
        QZ::QZValue value;
        value.arraySetSize(3);
        value[0] = t;
        value[1] = static_cast<int>(n);
        value[2] = QZ::QZValue(key + "#" + std::to_string(n));
        try {
          proxies[p]->insertData(key, value);
          const QZ::QZValue back = proxies[p]->getData(key);
          calls += 2;
          if (!(back == value)) ++mismatches;
        } catch (const QZ::QZError&) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  LoadResult result;
  result.calls = calls;
  result.mismatches = mismatches;
  result.failures = failures;
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace simtest

#endif
