// Lookups over the generated catalogue table: modules by name, and the forms of a
// method by name in the order the catalogue lists them, the common forms first.
#ifndef QZSIM_CATALOGUE_INDEX_H
#define QZSIM_CATALOGUE_INDEX_H

#include "catalogue_table.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qzsim {

class CatalogueIndex {
public:
  struct Module {
    const ModuleRow* row = nullptr;
    std::vector<const MethodForm*> forms;  // common forms, then the module's own
    std::vector<std::string> names;        // each method name once, in that order
    std::unordered_map<std::string, std::vector<const MethodForm*>> byName;
  };

  CatalogueIndex();
  // Null when the broker has no such module.
  const Module* module(const std::string& name) const;
  const std::vector<std::string>& moduleNames() const { return fNames; }
  // Position of the module in the catalogue, from 0.
  int moduleIndex(const std::string& name) const;

private:
  std::unordered_map<std::string, Module> fModules;
  std::vector<std::string> fNames;
};

// The one index of the process; the table is constant, so it is built once.
const CatalogueIndex& catalogue();

}  // namespace qzsim

#endif
