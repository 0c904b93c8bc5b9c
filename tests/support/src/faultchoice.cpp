#include "faultchoice.h"

#include <random>

namespace qztest {

const char* faultName(Fault fault) {
  static const char* const names[kFaultKinds] = {
      "none",       "delay",        "stall",        "dribble",         "cut-before", "cut-inside",
      "reset",      "short-length", "long-length",  "bad-dime-length", "garbage"};
  const int index = static_cast<int>(fault);
  return index >= 0 && index < kFaultKinds ? names[index] : "?";
}

std::vector<Fault> allFaults() {
  std::vector<Fault> faults;
  for (int kind = 1; kind < kFaultKinds; ++kind) faults.push_back(static_cast<Fault>(kind));
  return faults;
}

namespace detail {

namespace {

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Bounds the memory of a very long run; forgetting only makes later repeats draw as
// first requests.
constexpr std::size_t kMaxRemembered = 1 << 20;

}  // namespace

FaultChoice FaultDice::roll(const std::string& body, const FaultSettings& settings) {
  const std::uint64_t hash = fnv1a(body);
  std::uint32_t repeat;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    if (fSeen.size() >= kMaxRemembered) fSeen.clear();
    repeat = fSeen[hash]++;
  }
  std::seed_seq seeds{fSeed, static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(hash >> 32),
                      repeat};
  std::mt19937 generator(seeds);
  // Every number is drawn whatever the outcome, so each one depends on the inputs only.
  const double chance = std::uniform_real_distribution<double>(0.0, 1.0)(generator);
  const std::uint32_t kind = generator();
  FaultChoice choice;
  choice.pick = generator();
  choice.delay = std::chrono::milliseconds(generator() % (settings.maxDelay.count() + 1));
  choice.bytePause = std::chrono::microseconds(generator() % (settings.maxBytePause.count() + 1));
  if (chance < settings.rate && !settings.kinds.empty())
    choice.fault = settings.kinds[kind % settings.kinds.size()];
  return choice;
}

}  // namespace detail
}  // namespace qztest
