// The outcomes of many calls made from many threads, counted by kind.
#ifndef QZSOAK_OUTCOMETALLY_H
#define QZSOAK_OUTCOMETALLY_H

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace QZ {
class QZError;
}

namespace qzsoak {

// The text of an error without what varies from call to call (module, method, port and
// other numbers), so that errors of one kind count together.
std::string errorKind(const QZ::QZError& error);

class OutcomeTally {
public:
  void right();
  void timedOut();
  void failed(const std::string& kind);
  // A fault of the client: a wrong value, a foreign exception, a call that overran.
  void fault(const std::string& description);
  // How far past its deadline a call ended (negative: before it).
  void ended(std::chrono::milliseconds pastDeadline);

  std::uint64_t rightCount() const;
  std::uint64_t timeoutCount() const;
  std::uint64_t errorCount() const;  // failures other than time-outs
  std::vector<std::string> faults() const;  // the first few, and how many in all
  // One line per kind of outcome, the latest end past a deadline last.
  std::string report() const;

private:
  mutable std::mutex fMutex;
  std::uint64_t fRight = 0;
  std::uint64_t fTimedOut = 0;
  std::map<std::string, std::uint64_t> fFailed;  // by kind of text
  std::vector<std::string> fFaults;
  std::uint64_t fFaultCount = 0;
  std::chrono::milliseconds fLatest{-1000000};
};

}  // namespace qzsoak

#endif
