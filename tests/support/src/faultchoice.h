// The seeded choice of what the faulty broker does to one answer.
#ifndef QZTEST_FAULTCHOICE_H
#define QZTEST_FAULTCHOICE_H

#include "qztest/faultybroker.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace qztest {
namespace detail {

struct FaultChoice {
  Fault fault = Fault::None;
  std::uint32_t pick = 0;  // where to cut, which record to spoil, what garbage
  std::chrono::milliseconds delay{0};
  std::chrono::microseconds bytePause{0};
};

// Draws from a generator seeded with the broker's seed, the request's body (not its
// head, which names the broker's port) and the number of times that body came before,
// so the draw is the same whatever the order in which threads send their requests; a
// request sent again (the client resends one its kept-alive connection lost) gets a
// fresh draw.
class FaultDice {
public:
  explicit FaultDice(std::uint32_t seed) : fSeed(seed) {}
  FaultChoice roll(const std::string& body, const FaultSettings& settings);

private:
  std::uint32_t fSeed;
  std::mutex fMutex;
  std::unordered_map<std::uint64_t, std::uint32_t> fSeen;  // request hash: times seen
};

}  // namespace detail
}  // namespace qztest

#endif
