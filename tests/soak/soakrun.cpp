#include "soakrun.h"

#include <exception>
#include <thread>

namespace qzsoak {

namespace {

using Clock = std::chrono::steady_clock;

// Far more than a fault rate short of 1 needs: a lookup fails at most as often as
// the broker spoils a request.
constexpr int kLookupAttempts = 40;

std::chrono::milliseconds pastDeadline(Clock::time_point start, std::chrono::milliseconds deadline) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start) - deadline;
}

// Counts an exception of a call; a foreign one is a fault of the client.
void countFailure(std::exception_ptr failure, OutcomeTally& tally, const std::string& label) {
  try {
    std::rethrow_exception(failure);
  } catch (const QZ::QZTimeoutError&) {
    tally.timedOut();
  } catch (const QZ::QZError& error) {
    tally.failed(errorKind(error));
  } catch (const std::exception& error) {
    tally.fault(label + ": not a QZError: " + error.what());
  } catch (...) {
    tally.fault(label + ": not a QZError");
  }
}

// The start of a value's text, its kind and its size.
std::string brief(const QZ::QZValue& value) {
  return value.toString(1).substr(0, 120) + " (" + QZ::QZValue::TypeToString(value.getType()) + " of size " +
         std::to_string(value.getSize()) + ")";
}

void checkTime(Clock::time_point start, std::chrono::milliseconds deadline,
               std::chrono::milliseconds slack, OutcomeTally& tally, const std::string& label) {
  const std::chrono::milliseconds late = pastDeadline(start, deadline);
  tally.ended(late);
  if (late > slack)
    tally.fault(label + ": ended " + std::to_string(late.count()) + " ms past its " +
                std::to_string(deadline.count()) + " ms deadline");
}

std::unique_ptr<QZ::QZProxyRemote> buildProxy(const std::string& module, int port,
                                              std::chrono::milliseconds deadline,
                                              std::chrono::milliseconds slack, OutcomeTally& lookups) {
  for (int attempt = 0; attempt < kLookupAttempts; ++attempt) {
    const Clock::time_point start = Clock::now();
    std::unique_ptr<QZ::QZProxyRemote> proxy;
    try {
      proxy.reset(new QZ::QZProxyRemote(module, "127.0.0.1", port, 0, 0, static_cast<int>(deadline.count())));
      lookups.right();
    } catch (...) {
      countFailure(std::current_exception(), lookups, "lookup of " + module);
    }
    checkTime(start, deadline, slack, lookups, "lookup of " + module);
    if (proxy) return proxy;
  }
  lookups.fault("lookup of " + module + ": no success in " + std::to_string(kLookupAttempts) + " attempts");
  return nullptr;
}

}  // namespace

std::chrono::milliseconds proxyDeadline(int slot) {
  static const int deadlines[] = {200, 300, 400, 250};
  return std::chrono::milliseconds(deadlines[slot % 4]);
}

void timedCall(QZ::QZProxyRemote& proxy, const SoakCall& call, std::chrono::milliseconds deadline,
               std::chrono::milliseconds slack, OutcomeTally& tally, const std::string& label) {
  const Clock::time_point start = Clock::now();
  try {
    QZ::QZValue result;
    if (call.posted)
      proxy.genericPost(call.method, call.params, result);
    else
      proxy.genericCall(call.method, call.params, result);
    if (sameValue(result, call.expected))
      tally.right();
    else
      tally.fault(label + ": wrong value " + brief(result) + " instead of " + brief(call.expected));
  } catch (...) {
    countFailure(std::current_exception(), tally, label);
  }
  checkTime(start, deadline, slack, tally, label);
}

void runSoak(const SoakPlan& plan, int port, OutcomeTally& lookups, OutcomeTally& calls,
             std::vector<std::unique_ptr<QZ::QZProxyRemote>>& proxies) {
  proxies.clear();
  proxies.resize(static_cast<std::size_t>(plan.threads * plan.proxiesPerThread));
  std::vector<std::thread> threads;
  for (int t = 0; t < plan.threads; ++t) {
    threads.emplace_back([&, t] {
      std::unique_ptr<QZ::QZProxyRemote>* mine =
          &proxies[static_cast<std::size_t>(t * plan.proxiesPerThread)];
      for (int slot = 0; slot < plan.proxiesPerThread; ++slot) {
        const std::string module = "SoakT" + std::to_string(t) + "P" + std::to_string(slot);
        mine[slot] = buildProxy(module, port, proxyDeadline(slot), plan.slack, lookups);
        if (!mine[slot]) return;
      }
      for (int index = t, turn = 0; index < plan.calls; index += plan.threads, ++turn) {
        const int slot = turn % plan.proxiesPerThread;
        timedCall(*mine[slot], soakCall(t, index), proxyDeadline(slot), plan.slack, calls,
                  "call " + std::to_string(index) + " (thread " + std::to_string(t) + ", proxy " +
                      std::to_string(slot) + ")");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace qzsoak
