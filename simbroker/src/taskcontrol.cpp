#include "taskcontrol.h"

#include <algorithm>
#include <atomic>

namespace qzsim {

namespace {
std::atomic<std::uint64_t> gNextSerial{1};
}  // namespace

TaskControl::TaskControl() : fSerial(gNextSerial.fetch_add(1)) {}

std::uint64_t TaskControl::nextSerial() { return gNextSerial.load(); }

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
  if (fControl.serial() < fSet.fStoppedBelow) fControl.requestStop();
}

ActivitySet::Entry::~Entry() {
  std::lock_guard<std::mutex> lock(fSet.fMutex);
  fSet.fRunning.erase(&fControl);
}

void ActivitySet::stopAll() { stopBelow(TaskControl::nextSerial()); }

void ActivitySet::stopAllBefore(const TaskControl& newer) { stopBelow(newer.serial()); }

void ActivitySet::stopBelow(std::uint64_t serial) {
  std::lock_guard<std::mutex> lock(fMutex);
  fStoppedBelow = std::max(fStoppedBelow, serial);
  for (TaskControl* control : fRunning) control->requestStop();
}

bool ActivitySet::empty() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fRunning.empty();
}

}  // namespace qzsim
