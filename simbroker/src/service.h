// The simulated broker's answers, independent of the transport: a call or a posted
// call of a module's method, and the lookup of a module. Safe to use from every
// connection thread at once.
#ifndef QZSIM_SERVICE_H
#define QZSIM_SERVICE_H

#include "behaviours.h"
#include "catalogue_index.h"
#include "tasks.h"

#include "qzvalue/qzvalue.h"

#include <mutex>
#include <set>
#include <string>

namespace qzsim {

class Service {
public:
  explicit Service(int maxTasks);
  ~Service();  // shutdown()
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // The result of module.method(args): Invalid for a form without result. `args` is
  // the argument Array, or Invalid for none. Throws CallFault.
  QZ::QZValue call(const std::string& module, const std::string& method, const QZ::QZValue& args);
  // Starts the call as a task and returns its id. The form is checked first, so a
  // call that could not run is refused at once. Throws CallFault.
  int post(const std::string& module, const std::string& method, const QZ::QZValue& args);
  // Throws CallFault for a module the broker does not have.
  const CatalogueIndex::Module& module(const std::string& name) const;

  // The port the broker listens on, which lookups report.
  int port() const { return fPort; }
  void setPort(int port) { fPort = port; }
  // Stops every task and running call; later calls and posts are refused.
  void shutdown();

private:
  struct Resolved {
    Resolved() = default;
    Resolved(const Resolved&) = delete;  // `args` may point into it
    Resolved& operator=(const Resolved&) = delete;
    const CatalogueIndex::Module* module = nullptr;
    const MethodForm* form = nullptr;
    const QZ::QZValue* args = nullptr;  // always an Array: the caller's, or `own`
    QZ::QZValue own;
  };
  // `own`: the arguments are copied, for a call that outlives its caller's.
  void resolve(const std::string& module, const std::string& method, const QZ::QZValue& args, bool own,
               Resolved& call) const;
  QZ::QZValue run(const Resolved& call, TaskControl& control);
  QZ::QZValue runCommon(const Resolved& call, const Args& args, TaskControl& control);

  int fPort = 0;
  Behaviours fBehaviours;
  World fWorld;
  TaskManager fTasks;
  // Synchronous calls in progress, so that shutdown can stop them.
  ActivitySet fCalls;
  std::mutex fMutex;
  bool fStopping = false;
};

// The default answer of a form without behaviour: a value of its result type.
QZ::QZValue defaultResult(const MethodForm& form);

}  // namespace qzsim

#endif
