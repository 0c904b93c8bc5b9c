#include "commands.h"

#include "catalogue.h"
#include "jsonvalue.h"
#include "options.h"

#include <qzremotecall/qzremoteproxy.h>

namespace qzcall {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int usageError(std::ostream& err, const std::string& message) {
  err << "qzcall: " << message << "\nTry 'qzcall --help'.\n";
  return kUsage;
}

int list(const Options& options, std::ostream& out, std::ostream& err) {
  if (options.module.empty()) {
    printModules(out);
    return kDone;
  }
  const CatalogueModule* module = findModule(options.module);
  if (module == nullptr) {
    err << "qzcall: " << options.module
        << " is not a module of the catalogue ('qzcall --list' names them all)\n";
    return kFailed;
  }
  printMethods(*module, out);
  return kDone;
}

int call(const Options& options, std::ostream& out, std::ostream& err) {
  QZ::QZValue arguments;
  try {
    arguments = packArguments(options.arguments);
  } catch (const JsonValueError& e) {
    return usageError(err, e.what());
  }
  try {
    // Untyped, so that every method of every module, catalogued or not, can be called.
    QZ::QZProxyRemote proxy(options.module, addressToReach(options.host), options.port, 0, 0,
                            options.timeoutMs);
    QZ::QZValue result;
    if (options.action == Options::Action::Post) {
      proxy.genericPost(options.method, arguments, result);
      out << static_cast<int>(result) << '\n';
    } else {
      proxy.genericCall(options.method, arguments, result);
      const nlohmann::json json = toJson(result);
      out << (options.pretty ? json.dump(2) : json.dump()) << '\n';
    }
  } catch (const std::exception& e) {
    err << "qzcall: " << options.module << '.' << options.method << " on " << options.host
        << ':' << options.port << " failed:\n"
        << e.what() << '\n';
    return kFailed;
  }
  if (!out.flush()) {
    err << "qzcall: the result could not be written\n";
    return kFailed;
  }
  return kDone;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options options;
  try {
    options = parseOptions(args);
  } catch (const UsageError& e) {
    return usageError(err, e.what());
  }
  switch (options.action) {
    case Options::Action::Help:
      out << usageText();
      return kDone;
    case Options::Action::List:
      return list(options, out, err);
    case Options::Action::Call:
    case Options::Action::Post:
      break;
  }
  return call(options, out, err);
}

}  // namespace qzcall
