// Posted calls: each runs as a task on its own worker thread under a task id that
// wait, isRunning and stop take. The number of running tasks is bounded, and the
// broker's shutdown stops and joins them all.
#ifndef QZSIM_TASKS_H
#define QZSIM_TASKS_H

#include "taskcontrol.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qzsim {

class TaskManager {
public:
  explicit TaskManager(int maxRunning);
  ~TaskManager();  // shutdown()
  TaskManager(const TaskManager&) = delete;
  TaskManager& operator=(const TaskManager&) = delete;

  // Starts `body` on a worker and returns its id at once. Throws CallFault, naming
  // `where`, when as many tasks as allowed are running or the broker is stopping.
  int start(const std::string& where, std::function<void(TaskControl&)> body);
  // Waits until task `id` has finished, at most `timeoutMs` (0: no limit), giving up
  // early when `waiter` is stopped or the broker stops. True when it has finished;
  // an id that never ran, or whose record is long gone, has finished.
  bool wait(int id, int timeoutMs, TaskControl& waiter);
  bool isRunning(int id);
  // Asks the task to stop; unknown and finished ids are ignored.
  void stop(int id);
  // Stops every task, refuses new ones and joins every worker.
  void shutdown();

private:
  struct Task {
    TaskControl control;
    bool done = false;
    std::thread worker;
  };
  void joinFinished(std::unique_lock<std::mutex>& lock);

  const int fMaxRunning;
  std::mutex fMutex;
  std::condition_variable fChanged;
  std::map<int, std::shared_ptr<Task>> fTasks;  // running, and the recently finished
  std::deque<int> fFinished;                    // finished ids, oldest first
  int fNextId = 1;
  int fRunning = 0;
  bool fStopping = false;
};

}  // namespace qzsim

#endif
