// The deadline and the cancellation of the calls made through one client context.
//
// The thread that makes the calls brackets each one with begin() and end(). With a
// deadline, connecting, sending and receiving wait only as long as the time left; a
// broker that dribbles one byte at a time is cut at the deadline, not kept alive by
// each byte. Any other thread may cancel() the call in progress: the connection is shut
// down under the call, which then fails at once. Either way the connection is not used
// again, so no byte of a late answer is ever read as the next one.
#ifndef QZSOAP_QZCALLCONTROL_H
#define QZSOAP_QZCALLCONTROL_H

#include <chrono>
#include <memory>
#include <mutex>

struct soap;

namespace QZ {
namespace wire {

// What ended a call before its answer was whole.
enum class CallStop { None, TimedOut, Cancelled };

class CallSignal {
public:
  using Clock = std::chrono::steady_clock;

  CallSignal() = default;
  CallSignal(const CallSignal&) = delete;
  CallSignal& operator=(const CallSignal&) = delete;

  // The calling thread: a call on `soap` starts, bounded by `timeoutMs` (0: no bound).
  void begin(struct soap* soap, int timeoutMs);
  // The calling thread: the call is over; a cancel() from now on does nothing.
  void end();
  // Any thread: ends the call in progress, if there is one.
  void cancel();
  // What ended the last call early, once it failed.
  CallStop stop();

  // For the engine's input/output hooks, on the calling thread.
  bool hasDeadline() const { return fHasDeadline; }
  // Milliseconds left before the deadline, at least 1; 0 once it has passed (and the
  // call is then marked timed out).
  int millisecondsLeft();
  bool cancelled();
  void socketOpened(int socket);
  void socketClosing(int socket);

private:
  std::mutex fMutex;
  bool fActive = false;     // under fMutex
  bool fCancelled = false;  // under fMutex
  int fSocket = -1;         // under fMutex: the connection of the call in progress
  bool fHasDeadline = false;
  bool fTimedOut = false;
  Clock::time_point fDeadline;
};

// Puts the hooks on a client context; it must come before any hook that wraps the
// engine's receive function, so that those see what these read. False when the context
// cannot take them.
bool useCallControl(struct soap* soap);
// The signal of a context that uses call control, else null.
std::shared_ptr<CallSignal> callSignal(struct soap* soap);

}  // namespace wire
}  // namespace QZ

#endif
