// One call through a proxy, from entry to return: the guard against a second thread,
// the deadline, and the errors of a call that was cut short.
#ifndef QZREMOTECALL_QZCALLSCOPE_H
#define QZREMOTECALL_QZCALLSCOPE_H

#include "qznetwork.h"

#include <atomic>
#include <string>

namespace QZ {

// What a proxy keeps for its calls.
struct CallState {
  QZConnection* connection = nullptr;  // null for a post handler, which has none
  std::string module;                  // for error texts
  std::atomic<int> timeoutMs{0};       // 0: wait indefinitely; set from any thread
  std::atomic<bool> inCall{false};
};

// Enters a call: raises QZError at once, touching nothing, when another thread is in a
// call on the same proxy; otherwise starts the deadline. Leaving ends the call.
class CallScope {
public:
  CallScope(CallState& state, const std::string& method);
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // When the call was cut short by its deadline or by cancel(), raises the error that
  // says so (QZTimeoutError, or QZError "... was cancelled ..."); else returns.
  // `doing` says what was under way, e.g. "waiting for the answer".
  void throwIfStopped(const char* doing) const;

private:
  CallState& fState;
  const std::string& fMethod;
  const int fTimeoutMs;  // the bound this call started with
};

}  // namespace QZ

#endif
