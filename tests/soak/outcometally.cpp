#include "outcometally.h"

#include "qzvalue/qzerror.h"

#include <cctype>
#include <sstream>

namespace qzsoak {

namespace {

constexpr std::size_t kFaultsKept = 20;
constexpr std::size_t kKindLength = 110;

}  // namespace

std::string errorKind(const QZ::QZError& error) {
  std::string text = error.what();
  // "\t<module>::<method>\n\t<description>": the module names the proxy.
  const std::size_t method = text.find("::");
  if (method != std::string::npos) text.erase(0, method + 2);
  // Numbers become N, quoted names (of elements garbage made up) '?'.
  std::string kind;
  bool inNumber = false, inQuote = false;
  for (const char c : text) {
    if (c == '\'') {
      inQuote = !inQuote;
      if (inQuote) kind += "'?'";
      continue;
    }
    if (inQuote) continue;
    const bool digit = std::isdigit(static_cast<unsigned char>(c)) != 0;
    if (digit && !inNumber) kind += 'N';
    inNumber = digit;
    if (digit) continue;
    kind += c == '\n' || c == '\t' ? ' ' : c;
  }
  if (kind.size() > kKindLength) kind = kind.substr(0, kKindLength) + "...";
  return kind;
}

void OutcomeTally::right() {
  std::lock_guard<std::mutex> lock(fMutex);
  ++fRight;
}

void OutcomeTally::timedOut() {
  std::lock_guard<std::mutex> lock(fMutex);
  ++fTimedOut;
}

void OutcomeTally::failed(const std::string& kind) {
  std::lock_guard<std::mutex> lock(fMutex);
  ++fFailed[kind];
}

void OutcomeTally::fault(const std::string& description) {
  std::lock_guard<std::mutex> lock(fMutex);
  ++fFaultCount;
  if (fFaults.size() < kFaultsKept) fFaults.push_back(description);
}

void OutcomeTally::ended(std::chrono::milliseconds pastDeadline) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (pastDeadline > fLatest) fLatest = pastDeadline;
}

std::uint64_t OutcomeTally::rightCount() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fRight;
}

std::uint64_t OutcomeTally::timeoutCount() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fTimedOut;
}

std::uint64_t OutcomeTally::errorCount() const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::uint64_t count = 0;
  for (const auto& kind : fFailed) count += kind.second;
  return count;
}

std::vector<std::string> OutcomeTally::faults() const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::vector<std::string> faults = fFaults;
  if (fFaultCount > fFaults.size())
    faults.push_back("... " + std::to_string(fFaultCount - fFaults.size()) + " more");
  return faults;
}

std::string OutcomeTally::report() const {
  std::lock_guard<std::mutex> lock(fMutex);
  std::ostringstream out;
  out << "  right value      " << fRight << "\n  timed out        " << fTimedOut << "\n";
  for (const auto& kind : fFailed) out << "  QZError x" << kind.second << "  " << kind.first << "\n";
  if (fFaultCount > 0) out << "  CLIENT FAULTS    " << fFaultCount << "\n";
  out << "  latest end: " << fLatest.count() << " ms past its deadline\n";
  return out.str();
}

}  // namespace qzsoak
