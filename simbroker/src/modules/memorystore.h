// The simulated robot's memory: named values with their time stamps, descriptions
// and event histories, the declared events and micro events, and who subscribed to
// them. Every module may write into it; all access is under one lock.
#ifndef QZSIM_MEMORYSTORE_H
#define QZSIM_MEMORYSTORE_H

#include "qzvalue/qzvalue.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace qzsim {

class MemoryStore {
public:
  static constexpr std::size_t kMaxKeys = 100000;
  static constexpr std::size_t kHistoryLength = 64;

  struct Entry {
    QZ::QZValue value;
    std::chrono::system_clock::time_point stamp;
    std::string description;
    std::deque<std::pair<QZ::QZValue, std::chrono::system_clock::time_point>> history;
  };

  // False when the store is full and `key` is new.
  bool insert(const std::string& key, const QZ::QZValue& value);
  // Inserts and remembers the value in the key's event history.
  bool raise(const std::string& key, const QZ::QZValue& value);
  bool read(const std::string& key, Entry& out) const;
  bool contains(const std::string& key) const;
  bool remove(const std::string& key);
  bool describe(const std::string& key, const std::string& description);
  // The keys that contain `filter` (all for ""), sorted.
  std::vector<std::string> keys(const std::string& filter) const;

  enum class EventKind { Event, MicroEvent };
  // False when as many events as keys are declared and `name` is new.
  bool declare(EventKind kind, const std::string& name, const std::string& extractor);
  bool undeclare(EventKind kind, const std::string& name);
  std::vector<std::string> events(EventKind kind) const;
  std::vector<std::string> eventsOf(const std::string& extractor) const;
  bool subscribe(EventKind kind, const std::string& name, const std::string& module);
  void unsubscribe(EventKind kind, const std::string& name, const std::string& module);
  std::vector<std::string> subscribers(const std::string& name) const;
  void forgetModule(const std::string& module);

private:
  struct Declaration {
    std::string extractor;
    std::set<std::string> subscribers;
  };
  std::map<std::string, Declaration>& declarations(EventKind kind);
  const std::map<std::string, Declaration>& declarations(EventKind kind) const;
  bool roomFor(const std::string& key) const;

  mutable std::mutex fMutex;
  std::map<std::string, Entry> fEntries;
  std::map<std::string, Declaration> fEvents;
  std::map<std::string, Declaration> fMicroEvents;
};

}  // namespace qzsim

#endif
