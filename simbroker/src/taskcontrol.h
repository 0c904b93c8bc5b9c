// What a running call can be stopped by: its task's stop(id), a module's own stop
// methods (stopAll, killAll, ...), or the broker shutting down. Behaviours that take
// time sleep through their TaskControl so that any of these ends them at once.
#ifndef QZSIM_TASKCONTROL_H
#define QZSIM_TASKCONTROL_H

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace qzsim {

using Clock = std::chrono::steady_clock;

class TaskControl {
public:
  void requestStop();
  bool stopRequested() const;
  // Sleeps until `deadline` unless stopped first; true when the whole time passed.
  bool sleepUntil(Clock::time_point deadline);
  bool sleepFor(std::chrono::milliseconds duration);

private:
  mutable std::mutex fMutex;
  std::condition_variable fWake;
  bool fStop = false;
};

// The calls of one activity (a module's speech, its moves, ...) that are running,
// so that the activity's stop method can stop them all.
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

  void stopAll();
  bool empty() const;

private:
  mutable std::mutex fMutex;
  std::set<TaskControl*> fRunning;
};

}  // namespace qzsim

#endif
