#include "tasks.h"

#include "callfault.h"

#include <climits>
#include <vector>

namespace qzsim {

namespace {
// Finished tasks are remembered this long (in ids) so that a late wait or isRunning
// still finds them; older ids count as finished too.
constexpr std::size_t kFinishedKept = 1024;
// A waiter looks at its own stop this often.
constexpr std::chrono::milliseconds kWaitSlice(50);
}  // namespace

TaskManager::TaskManager(int maxRunning) : fMaxRunning(maxRunning > 0 ? maxRunning : 1) {}

TaskManager::~TaskManager() { shutdown(); }

int TaskManager::start(const std::string& where, std::function<void(TaskControl&)> body) {
  std::unique_lock<std::mutex> lock(fMutex);
  joinFinished(lock);
  if (fStopping) throw CallFault(where + ": the broker is stopping");
  if (fRunning >= fMaxRunning)
    throw CallFault(where + ": too many posted calls running",
                    "the broker runs at most " + std::to_string(fMaxRunning) +
                        " posted calls at once; wait for some to finish");
  const int id = fNextId;
  fNextId = (fNextId == INT_MAX) ? 1 : fNextId + 1;
  auto task = std::make_shared<Task>();
  fTasks[id] = task;
  ++fRunning;
  task->worker = std::thread([this, id, task, body = std::move(body)] {
    try {
      body(task->control);
    } catch (...) {
      // A posted call has no one to answer; its failure ends the task.
    }
    std::lock_guard<std::mutex> guard(fMutex);
    task->done = true;
    --fRunning;
    fFinished.push_back(id);
    fChanged.notify_all();
  });
  return id;
}

bool TaskManager::wait(int id, int timeoutMs, TaskControl& waiter) {
  const bool bounded = timeoutMs > 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(fMutex);
  for (;;) {
    auto found = fTasks.find(id);
    if (found == fTasks.end() || found->second->done) return true;
    if (fStopping || waiter.stopRequested()) return false;
    const Clock::time_point now = Clock::now();
    if (bounded && now >= deadline) return false;
    Clock::time_point until = now + kWaitSlice;
    if (bounded && deadline < until) until = deadline;
    fChanged.wait_until(lock, until);
  }
}

bool TaskManager::isRunning(int id) {
  std::lock_guard<std::mutex> lock(fMutex);
  auto found = fTasks.find(id);
  return found != fTasks.end() && !found->second->done;
}

void TaskManager::stop(int id) {
  std::lock_guard<std::mutex> lock(fMutex);
  auto found = fTasks.find(id);
  if (found != fTasks.end()) found->second->control.requestStop();
}

void TaskManager::shutdown() {
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStopping = true;
    for (auto& entry : fTasks) {
      entry.second->control.requestStop();
      if (entry.second->worker.joinable()) workers.push_back(std::move(entry.second->worker));
    }
    fChanged.notify_all();
  }
  for (std::thread& worker : workers) worker.join();
}

// Joins the workers of finished tasks (their bodies have returned, so this is quick)
// and forgets the oldest records beyond kFinishedKept.
void TaskManager::joinFinished(std::unique_lock<std::mutex>& lock) {
  // Each worker is moved out under the lock, so only one thread ever joins it.
  std::vector<std::thread> toJoin;
  for (auto& entry : fTasks)
    if (entry.second->done && entry.second->worker.joinable())
      toJoin.push_back(std::move(entry.second->worker));
  while (fFinished.size() > kFinishedKept) {
    fTasks.erase(fFinished.front());
    fFinished.pop_front();
  }
  if (toJoin.empty()) return;
  lock.unlock();
  for (std::thread& worker : toJoin) worker.join();
  lock.lock();
}

}  // namespace qzsim
