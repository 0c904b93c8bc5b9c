// A loopback broker that fails on purpose, for soak tests of the client's deadlines
// and recovery. It answers module lookups with a record pointing at itself, the method
// `echo` with its first argument (Binary values come back as DIME attachments, as they
// travel), `ping` with true, posted calls with their first argument as the task id,
// and any other method with a SOAP fault. At the fault rate it spoils answers at
// random (qztest/faultkinds.h) and counts what it did.
//
// The choice for one request depends only on the seed, the request's body and how
// many times the same body came before, not on thread timing: a run whose calls all
// differ meets the same faults again with the same seed.
#ifndef QZTEST_FAULTYBROKER_H
#define QZTEST_FAULTYBROKER_H

#include "qztest/faultkinds.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qztest {

struct FaultSettings {
  double rate = 0.0;                          // share of requests that get a fault
  std::vector<Fault> kinds = allFaults();     // drawn from evenly
  std::chrono::milliseconds maxDelay{600};    // Delay: 0 to this
  std::chrono::microseconds maxBytePause{3000};  // Dribble: 0 to this after each byte
  // Stall, LongLength: silence until the client closes, at most this long.
  std::chrono::milliseconds maxHold{5000};
  int maxConnections = 256;                   // further connections are closed at once
};

struct FaultCounts {
  std::uint64_t requests = 0;
  std::uint64_t connections = 0;  // accepted and served
  std::uint64_t turnedAway = 0;   // closed at once: too many connections
  std::uint64_t unreadable = 0;   // requests the broker could not make sense of
  std::array<std::uint64_t, kFaultKinds> injected{};  // by Fault; None counts right answers

  std::uint64_t of(Fault fault) const { return injected[static_cast<int>(fault)]; }
};

class FaultyBroker {
public:
  // Listens on 127.0.0.1, on an ephemeral port, before it returns.
  explicit FaultyBroker(std::uint32_t seed, FaultSettings settings = FaultSettings());
  ~FaultyBroker();  // stop()
  FaultyBroker(const FaultyBroker&) = delete;
  FaultyBroker& operator=(const FaultyBroker&) = delete;

  int port() const;
  std::uint32_t seed() const;
  // Applies to requests that arrive from now on; 0 switches the faults off.
  void setFaultRate(double rate);
  FaultCounts counts() const;
  // The seed, the rate and the counts in one line, for test output.
  std::string describe() const;
  // Closes every connection, ends every thread and waits for them; idempotent.
  void stop();

private:
  struct Impl;
  std::unique_ptr<Impl> fImpl;
};

}  // namespace qztest

#endif
