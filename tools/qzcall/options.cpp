#include "options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace qzcall {
namespace {

int parseNumber(const std::string& option, const std::string& text, long low, long high) {
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || number < low || number > high)
    throw UsageError(option + " takes a number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not '" + text + "'");
  return static_cast<int>(number);
}

// Seconds, whole or with up to three decimals, as milliseconds: "2" 2000, "0.25" 250.
int parseSeconds(const std::string& option, const std::string& text, int highSeconds) {
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  const auto digits = [](const std::string& part) {
    for (const char c : part)
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
  };
  if (whole.empty() || whole.size() > 9 || fraction.size() > 3 || !digits(whole) || !digits(fraction) ||
      (point != std::string::npos && fraction.empty()) || std::stol(whole) > highSeconds ||
      (std::stol(whole) == highSeconds && fraction.find_first_not_of('0') != std::string::npos))
    throw UsageError(option + " takes seconds from 0 to " + std::to_string(highSeconds) +
                     " (decimals allowed, as 0.5), not '" + text + "'");
  return static_cast<int>(std::stol(whole) * 1000 + (fraction.empty() ? 0 : std::stol((fraction + "00").substr(0, 3))));
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
  Options options;
  bool post = false, list = false;
  std::size_t i = 0;
  // The value of an option given as "--name value" or "--name=value".
  auto valueOf = [&](const std::string& word, const std::string& name, std::string& value) {
    if (word == name) {
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      value = args[++i];
      return true;
    }
    if (word.compare(0, name.size() + 1, name + "=") == 0) {
      value = word.substr(name.size() + 1);
      return true;
    }
    return false;
  };

  for (; i < args.size(); ++i) {
    const std::string& word = args[i];
    std::string value;
    if (word == "--") {
      ++i;
      break;
    } else if (word == "-h" || word == "--help") {
      options.action = Options::Action::Help;
      return options;
    } else if (valueOf(word, "--host", value)) {
      if (value.empty()) throw UsageError("--host needs a non-empty address");
      options.host = value;
    } else if (valueOf(word, "--port", value)) {
      options.port = parseNumber("--port", value, 1, 65535);
    } else if (valueOf(word, "--timeout", value)) {
      options.timeoutMs = parseSeconds("--timeout", value, 86400);
    } else if (word == "--post") {
      post = true;
    } else if (word == "--list") {
      list = true;
    } else if (word == "--pretty") {
      options.pretty = true;
    } else if (word.size() > 1 && word[0] == '-') {
      // No module name starts with '-'; arguments after the method are never options.
      throw UsageError("unknown option '" + word + "'");
    } else {
      break;
    }
  }

  const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  if (list) {
    if (post) throw UsageError("--list and --post do not go together");
    if (rest.size() > 1) throw UsageError("--list takes at most one module name");
    options.action = Options::Action::List;
    if (!rest.empty()) options.module = rest[0];
    return options;
  }
  if (rest.size() < 2) throw UsageError("a module and a method are needed");
  options.action = post ? Options::Action::Post : Options::Action::Call;
  options.module = rest[0];
  options.method = rest[1];
  options.arguments.assign(rest.begin() + 2, rest.end());
  return options;
}

const char* usageText() {
  return R"(usage: qzcall [OPTIONS] MODULE METHOD [ARG...]
       qzcall --list [MODULE]
       qzcall --help

Calls METHOD of MODULE on a broker and prints the result as JSON.
Each ARG is one argument of the method, written as JSON:
  null, true, false, 42 (a 32-bit int), 0.5 (a float), "text", [1, "two", [3.0]],
  {"base64": "AAEC"} (bytes), {"float": 1} (an integral float), {"float": "nan"},
  {"object": "..."}, {"string_base64": "..."} (a string that is not UTF-8).
Results use the same forms. Strings cannot hold \u0000 (the broker would cut them).
Quote each ARG for the shell: '"Hello"'.

Options (before MODULE):
  --host ADDRESS  the broker's IP address (default 127.0.0.1); localhost is 127.0.0.1,
                  and another name NAME is looked up as NAME.local. (mDNS)
  --port PORT     the broker's port (default 4700)
  --post          start the method as a task on the broker and print its task id
  --timeout S     give up the call (the module's lookup included) after S seconds,
                  decimals allowed (default 0: wait as long as the broker takes)
  --pretty        indent the result
  --list [MODULE] print the catalogue's modules, or MODULE's methods, and exit
  -h, --help      print this text and exit
  --              end of options

Exit status: 0 done, 1 the call failed (the error goes to standard error),
2 the command line is wrong.
)";
}

std::string addressToReach(const std::string& host) {
  std::string lower = host;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "localhost" ? "127.0.0.1" : host;
}

}  // namespace qzcall
