// Many proxies on many threads calling a faulty broker: the body of the soak tests.
#ifndef QZSOAK_SOAKRUN_H
#define QZSOAK_SOAKRUN_H

#include "outcometally.h"
#include "soakcalls.h"

#include "qzremotecall/qzremoteproxy.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace qzsoak {

struct SoakPlan {
  int threads = 8;
  int proxiesPerThread = 4;
  int calls = 1000;  // in all, shared evenly by the threads
  // How late past its deadline a call may end on a loaded machine.
  std::chrono::milliseconds slack{750};
};

// The deadline of the proxy at `slot` of a thread: a few hundred ms, different per slot.
std::chrono::milliseconds proxyDeadline(int slot);

// Thread t builds its proxies (looking up the modules "SoakT<t>P<slot>", again until a
// lookup succeeds) into proxies[t * proxiesPerThread + slot], then makes calls t,
// t + threads, ... through them in turn. Every lookup is counted in `lookups`, every
// call in `calls`.
void runSoak(const SoakPlan& plan, int port, OutcomeTally& lookups, OutcomeTally& calls,
             std::vector<std::unique_ptr<QZ::QZProxyRemote>>& proxies);

// Makes `call` through `proxy`, times it and counts its outcome: the right value,
// a time-out, another QZError, or a fault of the client (a wrong value, another
// exception, an end later than the deadline plus the slack). `label` names the call in
// fault descriptions.
void timedCall(QZ::QZProxyRemote& proxy, const SoakCall& call, std::chrono::milliseconds deadline,
               std::chrono::milliseconds slack, OutcomeTally& tally, const std::string& label);

}  // namespace qzsoak

#endif
