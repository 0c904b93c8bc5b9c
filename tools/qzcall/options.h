// The command line of qzcall.
#ifndef QZCALL_OPTIONS_H
#define QZCALL_OPTIONS_H

#include <stdexcept>
#include <string>
#include <vector>

namespace qzcall {

// A command line that does not say what to do; qzcall exits with status 2.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct Options {
  enum class Action { Call, Post, List, Help };
  Action action = Action::Call;
  std::string host = "127.0.0.1";
  int port = 4700;
  int timeoutMs = 0;    // bounds the whole call, lookup included; 0 waits as long as the broker takes
  bool pretty = false;  // indented output
  std::string module;   // empty with --list alone: list the modules
  std::string method;
  std::vector<std::string> arguments;  // JSON texts, one per method argument
};

// Options come first; the module name (or "--") ends them, so that JSON arguments
// such as -1 after the method are never taken for options.
Options parseOptions(const std::vector<std::string>& args);

// The text of --help.
const char* usageText();

// The address the library is given for --host: "localhost" (in any case) is the
// loopback address, since the library reads a bare host name as "<name>.local." (a
// robot announced over mDNS); every other host is passed on as typed.
std::string addressToReach(const std::string& host);

}  // namespace qzcall

#endif
