// The ways the faulty test broker spoils an answer (qztest/faultybroker.h).
#ifndef QZTEST_FAULTKINDS_H
#define QZTEST_FAULTKINDS_H

#include <vector>

namespace qztest {

enum class Fault : int {
  None,           // the right answer, at once
  Delay,          // the right answer after a pause
  Stall,          // part of the answer, then silence with the connection held open
  Dribble,        // the right answer one byte at a time
  CutBefore,      // the connection closed before the first byte of the answer
  CutInside,      // the connection closed inside the answer
  Reset,          // a TCP reset (SO_LINGER 0, then close), before or inside the answer
  ShortLength,    // a Content-Length shorter than the body
  LongLength,     // a Content-Length longer than the body, whose rest never comes
  BadDimeLength,  // a DIME answer in which one record states a data length its bytes belie
  Garbage,        // random bytes instead of an answer
};
constexpr int kFaultKinds = 11;

// "none", "delay", "stall", ... as counts and test messages print them.
const char* faultName(Fault fault);
// Every fault but None.
std::vector<Fault> allFaults();

}  // namespace qztest

#endif
