// The eleven methods every module has, answered from the catalogue and the tasks.
#include "callfault.h"
#include "dispatch.h"
#include "service.h"

#include <cstring>

#ifndef QZSIM_VERSION
#define QZSIM_VERSION "0.0.0"
#endif

namespace qzsim {

namespace {

using QZ::QZValue;

const char kBrokerName[] = "QZSimBroker";

const char* resultWord(ResultType type) {
  switch (type) {
    case ResultType::Void: return "void";
    case ResultType::String: return "string";
    case ResultType::Int: return "int";
    case ResultType::Float: return "float";
    case ResultType::Bool: return "bool";
    case ResultType::Object: return "object";
    case ResultType::StringList: return "list of strings";
    case ResultType::FloatList: return "list of floats";
  }
  return "object";
}

QZValue text(const std::string& s) { return QZValue(s); }

QZValue strings(const std::vector<std::string>& list) { return QZValue(list); }

const std::vector<const MethodForm*>& formsNamed(const Args& args,
                                                 const CatalogueIndex::Module& module,
                                                 const std::string& name) {
  auto found = module.byName.find(name);
  if (found == module.byName.end())
    args.failArgument(0, "names no method of " + args.module() + ": " + shown(name));
  return found->second;
}

// [signature, [[parameter name, type], ...], result type]
QZValue formHelp(const MethodForm& form) {
  QZValue params;
  params.arraySetSize(form.arity);
  for (int i = 0; i < form.arity; ++i) {
    params[i].arraySetSize(2);
    params[i][0] = text(form.params[i].name);
    params[i][1] = text(typeWord(form.params[i].type));
  }
  QZValue help;
  help.arraySetSize(3);
  help[0] = text(form.signature);
  help[1] = params;
  help[2] = text(resultWord(form.result));
  return help;
}

// [method name, [form help, ...]]
QZValue methodHelp(const std::string& name, const std::vector<const MethodForm*>& forms) {
  QZValue help;
  help.arraySetSize(2);
  help[0] = text(name);
  help[1].arraySetSize(static_cast<int>(forms.size()));
  for (std::size_t i = 0; i < forms.size(); ++i) help[1][static_cast<int>(i)] = formHelp(*forms[i]);
  return help;
}

// [module name, description, [every signature]]
QZValue moduleHelp(const CatalogueIndex::Module& module) {
  std::string group = module.row->group;
  for (char& c : group)
    if (c == '-') c = ' ';
  std::vector<std::string> signatures;
  for (const MethodForm* form : module.forms) signatures.push_back(form->signature);
  QZValue help;
  help.arraySetSize(3);
  help[0] = text(module.row->name);
  help[1] = text(std::string(module.row->name) + " of the simulated broker (" + group + ")");
  help[2] = strings(signatures);
  return help;
}

}  // namespace

QZValue Service::runCommon(const Resolved& call, const Args& args, TaskControl& control) {
  const std::string name = call.form->name;
  const CatalogueIndex::Module& module = *call.module;
  if (name == "ping") return QZValue(true);
  if (name == "version") return text(QZSIM_VERSION);
  if (name == "getBrokerName") return text(kBrokerName);
  if (name == "getMethodList") return strings(module.names);
  if (name == "getModuleHelp") return moduleHelp(module);
  if (name == "getMethodHelp") {
    const std::string method = args.text(0);
    return methodHelp(method, formsNamed(args, module, method));
  }
  if (name == "getUsage") {
    std::string usage;
    for (const MethodForm* form : formsNamed(args, module, args.text(0)))
      usage += std::string(usage.empty() ? "" : "\n") + form->signature;
    return text(usage);
  }
  if (name == "isRunning") return QZValue(fTasks.isRunning(args.integer(0)));
  if (name == "stop") {
    fTasks.stop(args.integer(0));
    return QZValue();
  }
  if (name == "wait") {
    const int timeoutMs = args.integer(1);
    if (timeoutMs < 0) args.failArgument(1, "must be 0 (no limit) or a number of milliseconds");
    return QZValue(fTasks.wait(args.integer(0), timeoutMs, control));
  }
  // exit: the simulated modules stay loaded; the call is acknowledged.
  return QZValue();
}

}  // namespace qzsim
