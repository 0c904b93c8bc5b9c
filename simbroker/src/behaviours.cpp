#include "behaviours.h"

#include "catalogue_index.h"
#include "modules/memorystore.h"
#include "modules/body.h"

#include <stdexcept>

namespace qzsim {

void Behaviours::add(const std::string& module, const std::string& key, Behaviour behaviour) {
  const CatalogueIndex::Module* entry = catalogue().module(module);
  if (entry == nullptr) throw std::logic_error("behaviour for unknown module " + module);
  bool known = false;
  for (const MethodForm* form : entry->forms) known = known || key == form->key;
  if (!known) throw std::logic_error("behaviour for unknown form " + module + "." + key);
  Behaviour& stored = fTable[{module, key}];
  stored = std::move(behaviour);
  for (const MethodForm* form : entry->forms)
    if (key == form->key) fByForm[{entry->row, form}] = &stored;
}

const Behaviour* Behaviours::find(const ModuleRow& module, const MethodForm& form) const {
  auto found = fByForm.find({&module, &form});
  return found == fByForm.end() ? nullptr : found->second;
}

const Behaviour* Behaviours::find(const std::string& module, const std::string& key) const {
  auto found = fTable.find({module, key});
  return found == fTable.end() ? nullptr : &found->second;
}

void installAll(Behaviours& behaviours, World& world) {
  if (!world.memory) world.memory = std::make_shared<MemoryStore>();
  if (!world.body) world.body = std::make_shared<Body>();
  installMemory(behaviours, world);
  installTextToSpeech(behaviours, world);
  installMotion(behaviours, world);
  installPosture(behaviours, world);
  installVideoDevice(behaviours, world);
  installAudioDevice(behaviours, world);
  installLeds(behaviours, world);
  installBattery(behaviours, world);
}

}  // namespace qzsim
