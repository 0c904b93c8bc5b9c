// What qzcall does with a parsed command line: call, post, list or help.
#ifndef QZCALL_COMMANDS_H
#define QZCALL_COMMANDS_H

#include <ostream>
#include <string>
#include <vector>

namespace qzcall {

// Runs the command line `args` (without the program name) and returns the exit
// status: 0 done, 1 the call or lookup failed, 2 the command line is wrong.
// Results go to `out`, errors to `err`.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qzcall

#endif
