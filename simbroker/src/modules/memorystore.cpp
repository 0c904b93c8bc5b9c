#include "memorystore.h"

namespace qzsim {

bool MemoryStore::roomFor(const std::string& key) const {
  return fEntries.size() < kMaxKeys || fEntries.count(key) != 0;
}

bool MemoryStore::insert(const std::string& key, const QZ::QZValue& value) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (!roomFor(key)) return false;
  Entry& entry = fEntries[key];
  entry.value = value;
  entry.stamp = std::chrono::system_clock::now();
  return true;
}

bool MemoryStore::raise(const std::string& key, const QZ::QZValue& value) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (!roomFor(key)) return false;
  Entry& entry = fEntries[key];
  entry.value = value;
  entry.stamp = std::chrono::system_clock::now();
  entry.history.emplace_back(value, entry.stamp);
  if (entry.history.size() > kHistoryLength) entry.history.pop_front();
  return true;
}

bool MemoryStore::read(const std::string& key, Entry& out) const {
  std::lock_guard<std::mutex> lock(fMutex);
  auto found = fEntries.find(key);
  if (found == fEntries.end()) return false;
  out = found->second;
  return true;
}

bool MemoryStore::contains(const std::string& key) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fEntries.count(key) != 0;
}

bool MemoryStore::remove(const std::string& key) {
  std::lock_guard<std::mutex> lock(fMutex);
  return fEntries.erase(key) != 0;
}

bool MemoryStore::describe(const std::string& key, const std::string& description) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (!roomFor(key)) return false;
  fEntries[key].description = description;
  return true;
}

std::vector<std::string> MemoryStore::keys(const std::string& filter) const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::vector<std::string> out;
  for (const auto& entry : fEntries)
    if (entry.first.find(filter) != std::string::npos) out.push_back(entry.first);
  return out;
}

std::map<std::string, MemoryStore::Declaration>& MemoryStore::declarations(EventKind kind) {
  return kind == EventKind::Event ? fEvents : fMicroEvents;
}

const std::map<std::string, MemoryStore::Declaration>& MemoryStore::declarations(
    EventKind kind) const {
  return kind == EventKind::Event ? fEvents : fMicroEvents;
}

bool MemoryStore::declare(EventKind kind, const std::string& name, const std::string& extractor) {
  std::lock_guard<std::mutex> lock(fMutex);
  auto& table = declarations(kind);
  if (table.size() >= kMaxKeys && table.count(name) == 0) return false;
  Declaration& declaration = table[name];
  if (!extractor.empty()) declaration.extractor = extractor;
  return true;
}

bool MemoryStore::undeclare(EventKind kind, const std::string& name) {
  std::lock_guard<std::mutex> lock(fMutex);
  return declarations(kind).erase(name) != 0;
}

std::vector<std::string> MemoryStore::events(EventKind kind) const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::vector<std::string> out;
  for (const auto& entry : declarations(kind)) out.push_back(entry.first);
  return out;
}

std::vector<std::string> MemoryStore::eventsOf(const std::string& extractor) const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::vector<std::string> out;
  for (const auto* table : {&fEvents, &fMicroEvents})
    for (const auto& entry : *table)
      if (entry.second.extractor == extractor) out.push_back(entry.first);
  return out;
}

bool MemoryStore::subscribe(EventKind kind, const std::string& name, const std::string& module) {
  std::lock_guard<std::mutex> lock(fMutex);
  auto& table = declarations(kind);
  if (table.size() >= kMaxKeys && table.count(name) == 0) return false;
  Declaration& declaration = table[name];
  if (declaration.subscribers.size() >= kMaxKeys && declaration.subscribers.count(module) == 0)
    return false;
  declaration.subscribers.insert(module);
  return true;
}

void MemoryStore::unsubscribe(EventKind kind, const std::string& name, const std::string& module) {
  std::lock_guard<std::mutex> lock(fMutex);
  auto found = declarations(kind).find(name);
  if (found != declarations(kind).end()) found->second.subscribers.erase(module);
}

std::vector<std::string> MemoryStore::subscribers(const std::string& name) const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::set<std::string> all;
  for (const auto* table : {&fEvents, &fMicroEvents}) {
    auto found = table->find(name);
    if (found != table->end()) all.insert(found->second.subscribers.begin(), found->second.subscribers.end());
  }
  return std::vector<std::string>(all.begin(), all.end());
}

void MemoryStore::forgetModule(const std::string& module) {
  std::lock_guard<std::mutex> lock(fMutex);
  for (auto* table : {&fEvents, &fMicroEvents})
    for (auto& entry : *table) entry.second.subscribers.erase(module);
}

}  // namespace qzsim
