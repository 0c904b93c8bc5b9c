// What a running call can be stopped by: its task's stop(id), a module's own stop
// methods (stopAll, killAll, ...), or the broker shutting down. Behaviours that take
// time sleep through their TaskControl so that any of these ends them at once.
#ifndef QZSIM_TASKCONTROL_H
#define QZSIM_TASKCONTROL_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

namespace qzsim {

using Clock = std::chrono::steady_clock;

class TaskControl {
public:
  // Numbered in the order the calls arrived, so that a stop can tell the calls asked
  // before it from those asked after.
  TaskControl();
  std::uint64_t serial() const { return fSerial; }
  // The serial the next call will get.
  static std::uint64_t nextSerial();

  void requestStop();
  bool stopRequested() const;
  // Sleeps until `deadline` unless stopped first; true when the whole time passed.
  bool sleepUntil(Clock::time_point deadline);
  bool sleepFor(std::chrono::milliseconds duration);

private:
  const std::uint64_t fSerial;
  mutable std::mutex fMutex;
  std::condition_variable fWake;
  bool fStop = false;
};

// The calls of one activity (a module's speech, its moves, ...) that are running,
// so that the activity's stop method can stop them all. A call that arrived before a
// stop but joins the activity only after it (a posted task whose thread had not yet
// begun) is stopped as it joins.
class ActivitySet {
public:
  class Entry {
  public:
    Entry(ActivitySet& set, TaskControl& control);
    ~Entry();
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

  private:
    ActivitySet& fSet;
    TaskControl& fControl;
  };

  // Stops the running calls, and every call asked so far as it joins.
  void stopAll();
  // The same for a call that replaces the activity: `newer` and the calls after it are
  // not stopped.
  void stopAllBefore(const TaskControl& newer);
  bool empty() const;

private:
  void stopBelow(std::uint64_t serial);

  mutable std::mutex fMutex;
  std::set<TaskControl*> fRunning;
  std::uint64_t fStoppedBelow = 0;  // calls with a lower serial were stopped
};

}  // namespace qzsim

#endif
