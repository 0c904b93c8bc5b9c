// Many proxies calling the simulated broker at once for a while, each storing a value
// of its own and reading it back: nothing may be lost or mixed up. The process's CPU
// time is split between the calling threads and the rest (the in-process broker), so
// that the broker's share per call can be told from the client's.
#ifndef SIMBROKER_MEMORYLOAD_H
#define SIMBROKER_MEMORYLOAD_H

#include "qzproxies/qzmemoryproxyremote.h"

#include <sys/resource.h>
#include <time.h>

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
  double processCpuSeconds = 0.0;  // every thread of the process, user and system
  double clientCpuSeconds = 0.0;   // the calling threads alone
  double callsPerSecond() const { return seconds > 0.0 ? calls / seconds : 0.0; }
  // CPU time per call of the calling threads, and of the rest of the process: the
  // broker's threads when the broker runs in this process.
  double clientMicrosPerCall() const { return calls > 0 ? 1e6 * clientCpuSeconds / calls : 0.0; }
  double brokerMicrosPerCall() const {
    return calls > 0 ? 1e6 * (processCpuSeconds - clientCpuSeconds) / calls : 0.0;
  }
};

inline double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);  // threads that have ended included
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// `threads` threads, each driving `proxiesPerThread` proxies in turn, for `duration`.
inline LoadResult runMemoryLoad(int port, int threads, int proxiesPerThread, std::chrono::milliseconds duration) {
  using Clock = std::chrono::steady_clock;
  std::atomic<long> calls{0}, mismatches{0}, failures{0};
  std::atomic<long> clientCpuNanos{0};
  std::vector<std::thread> workers;
  const double processCpuBefore = processCpuSeconds();
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
      clientCpuNanos += static_cast<long>(threadCpuSeconds() * 1e9);
    });
  }
  for (std::thread& worker : workers) worker.join();
  LoadResult result;
  result.calls = calls;
  result.mismatches = mismatches;
  result.failures = failures;
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.processCpuSeconds = processCpuSeconds() - processCpuBefore;
  result.clientCpuSeconds = static_cast<double>(clientCpuNanos) / 1e9;
  return result;
}

}  // namespace simtest

#endif
