// What the simulated modules do. Each module file installs behaviours for some of
// its catalogue forms, under the form's key ("insertData(string,object)"); a form
// without one answers a default value of its result type.
#ifndef QZSIM_BEHAVIOURS_H
#define QZSIM_BEHAVIOURS_H

#include "args.h"
#include "taskcontrol.h"

#include "qzvalue/qzvalue.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace qzsim {

class MemoryStore;
class Body;

// A behaviour gets the checked arguments and the control that stops it; it returns
// the result (ignored for forms without one) or throws CallFault.
using Behaviour = std::function<QZ::QZValue(const Args& args, TaskControl& control)>;

class Behaviours {
public:
  // Throws std::logic_error when the catalogue has no such module or form, so that a
  // misspelt key fails every broker's start instead of going unanswered.
  void add(const std::string& module, const std::string& key, Behaviour behaviour);
  // Null when the form has no behaviour of its own.
  const Behaviour* find(const std::string& module, const std::string& key) const;
  // The same by the catalogue's own rows, without building a key.
  const Behaviour* find(const ModuleRow& module, const MethodForm& form) const;

private:
  std::map<std::pair<std::string, std::string>, Behaviour> fTable;
  std::map<std::pair<const ModuleRow*, const MethodForm*>, const Behaviour*> fByForm;
};

// State that several modules share.
struct World {
  std::shared_ptr<MemoryStore> memory;
  std::shared_ptr<Body> body;
  Clock::time_point started = Clock::now();
  // Stops a posted task by id; false when no such task runs.
  std::function<bool(int)> stopTask;
};

void installMemory(Behaviours& behaviours, World& world);
void installTextToSpeech(Behaviours& behaviours, World& world);
void installMotion(Behaviours& behaviours, World& world);
void installPosture(Behaviours& behaviours, World& world);
void installVideoDevice(Behaviours& behaviours, World& world);
void installVideoConversions(Behaviours& behaviours);  // called by installVideoDevice
void installAudioDevice(Behaviours& behaviours, World& world);
void installLeds(Behaviours& behaviours, World& world);
void installBattery(Behaviours& behaviours, World& world);

// Every module's behaviours.
void installAll(Behaviours& behaviours, World& world);

}  // namespace qzsim

#endif
