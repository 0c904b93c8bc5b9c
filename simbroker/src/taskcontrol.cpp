#include "taskcontrol.h"

namespace qzsim {

void TaskControl::requestStop() {
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStop = true;
  }
  fWake.notify_all();
}

bool TaskControl::stopRequested() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fStop;
}

bool TaskControl::sleepUntil(Clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(fMutex);
  return !fWake.wait_until(lock, deadline, [this] { return fStop; });
}

bool TaskControl::sleepFor(std::chrono::milliseconds duration) {
  return sleepUntil(Clock::now() + duration);
}

ActivitySet::Entry::Entry(ActivitySet& set, TaskControl& control) : fSet(set), fControl(control) {
  std::lock_guard<std::mutex> lock(fSet.fMutex);
  fSet.fRunning.insert(&fControl);
}

ActivitySet::Entry::~Entry() {
  std::lock_guard<std::mutex> lock(fSet.fMutex);
  fSet.fRunning.erase(&fControl);
}

void ActivitySet::stopAll() {
  std::lock_guard<std::mutex> lock(fMutex);
  for (TaskControl* control : fRunning) control->requestStop();
}

bool ActivitySet::empty() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fRunning.empty();
}

}  // namespace qzsim
