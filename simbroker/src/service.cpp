#include "service.h"

#include "callfault.h"
#include "dispatch.h"

namespace qzsim {

namespace {

bool isCommon(const MethodForm* form) {
  return form >= kCommonMethods && form < kCommonMethods + kCommonMethodCount;
}

// Questions answer no by default, other methods report success.
bool defaultFlag(const std::string& name) {
  for (const char* prefix : {"is", "are", "has", "get"})
    if (name.compare(0, std::char_traits<char>::length(prefix), prefix) == 0) return false;
  return true;
}

}  // namespace

QZ::QZValue defaultResult(const MethodForm& form) {
  QZ::QZValue result;
  switch (form.result) {
    case ResultType::Void: break;
    case ResultType::String: result = std::string(); break;
    case ResultType::Int: result = 0; break;
    case ResultType::Float: result = 0.0f; break;
    case ResultType::Bool: result = defaultFlag(form.name); break;
    case ResultType::Object:
    case ResultType::StringList:
    case ResultType::FloatList: result.arraySetSize(0); break;
  }
  return result;
}

Service::Service(int maxTasks) : fTasks(maxTasks) {
  fWorld.stopTask = [this](int id) {
    const bool running = fTasks.isRunning(id);
    fTasks.stop(id);
    return running;
  };
  installAll(fBehaviours, fWorld);
}

Service::~Service() { shutdown(); }

const CatalogueIndex::Module& Service::module(const std::string& name) const {
  const CatalogueIndex::Module* found = catalogue().module(name);
  if (found == nullptr)
    throw CallFault("The broker has no module named " + shown(name),
                    "the simulated broker hosts the " +
                        std::to_string(catalogue().moduleNames().size()) +
                        " modules of the catalogue");
  return *found;
}

void Service::resolve(const std::string& moduleName, const std::string& method, const QZ::QZValue& args,
                      bool own, Resolved& call) const {
  call.module = &module(moduleName);
  if (args.getType() == QZ::QZValue::TypeArray) {
    if (own) call.own = args;
    call.args = own ? &call.own : &args;
  } else if (args.isValid()) {
    throw CallFault(moduleName + "." + shown(method) + ": the arguments must be an Array",
                    "the call carried one " + QZ::QZValue::TypeToString(args.getType()) +
                        " instead of the Array of its arguments");
  } else {
    call.own.arraySetSize(0);  // a call without arguments
    call.args = &call.own;
  }
  call.form = &selectForm(*call.module, method, *call.args);
}

QZ::QZValue Service::call(const std::string& module, const std::string& method,
                          const QZ::QZValue& args) {
  Resolved resolved;
  resolve(module, method, args, false, resolved);
  TaskControl control;
  ActivitySet::Entry running(fCalls, control);
  {
    std::lock_guard<std::mutex> lock(fMutex);
    if (fStopping) throw CallFault(module + "." + method + ": the broker is stopping");
  }
  return run(resolved, control);
}

int Service::post(const std::string& module, const std::string& method, const QZ::QZValue& args) {
  auto resolved = std::make_shared<Resolved>();
  resolve(module, method, args, true, *resolved);
  return fTasks.start(module + "." + method,
                      [this, resolved](TaskControl& control) { run(*resolved, control); });
}

QZ::QZValue Service::run(const Resolved& call, TaskControl& control) {
  const std::string& moduleName = call.module->row->name;
  const Args args(moduleName, *call.form, *call.args);
  QZ::QZValue result;
  if (isCommon(call.form)) {
    result = runCommon(call, args, control);
  } else if (const Behaviour* behaviour = fBehaviours.find(*call.module->row, *call.form)) {
    result = (*behaviour)(args, control);
  } else {
    result = defaultResult(*call.form);
  }
  if (call.form->result == ResultType::Void) return QZ::QZValue();
  // An object result may be Invalid on purpose (a stored Invalid value comes back as
  // it was); for every other type a missing result is the type's default.
  if (!result.isValid() && call.form->result != ResultType::Object) return defaultResult(*call.form);
  return result;
}

void Service::shutdown() {
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStopping = true;
  }
  fCalls.stopAll();
  fTasks.shutdown();
}

}  // namespace qzsim
