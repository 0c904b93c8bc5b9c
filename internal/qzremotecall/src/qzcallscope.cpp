#include "qzcallscope.h"

#include "qzvalue/qzerror.h"

namespace QZ {

CallScope::CallScope(CallState& state, const std::string& method)
    : fState(state), fMethod(method), fTimeoutMs(state.timeoutMs.load(std::memory_order_relaxed)) {
  if (state.inCall.exchange(true, std::memory_order_acquire)) {
    throw QZError(state.module.empty() ? "QZProxy" : state.module, method,
                  "the proxy is in use by another thread; a proxy makes one call at a time",
                  __FILE__, __LINE__);
  }
  if (state.connection != nullptr && state.connection->fSignal)
    state.connection->fSignal->begin(state.connection->fSoap, fTimeoutMs);
}

CallScope::~CallScope() {
  if (fState.connection != nullptr && fState.connection->fSignal) fState.connection->fSignal->end();
  fState.inCall.store(false, std::memory_order_release);
}

void CallScope::throwIfStopped(const char* doing) const {
  if (fState.connection == nullptr || !fState.connection->fSignal) return;
  const std::string where = std::string(doing) + " " + fState.connection->fEndPoint;
  switch (fState.connection->fSignal->stop()) {
    case wire::CallStop::TimedOut:
      throw QZTimeoutError(fState.module, fMethod,
                           "timed out after " + std::to_string(fTimeoutMs) + " ms " + where,
                           __FILE__, __LINE__);
    case wire::CallStop::Cancelled:
      throw QZError(fState.module, fMethod, "the call was cancelled " + where, __FILE__, __LINE__);
    case wire::CallStop::None:
      return;
  }
}

}  // namespace QZ
