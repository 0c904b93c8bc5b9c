// The module catalogue as compiled into qzcall: module names, host classes and one
// signature row per method, for --list.
#ifndef QZCALL_CATALOGUE_H
#define QZCALL_CATALOGUE_H

#include <cstddef>
#include <ostream>
#include <string>

namespace qzcall {

struct CatalogueModule {
  const char* name;       // as the broker knows it, e.g. "QZMotion"
  const char* hostClass;  // e.g. "MotionProxy"
  const char* const* methods;  // rows "name(type param, ...) -> result"
  std::size_t methodCount;
};

struct CatalogueTable {
  const CatalogueModule* modules;
  std::size_t moduleCount;
  const char* const* common;  // the methods every module has
  std::size_t commonCount;
};

// Written at build time from catalogue/modules.qzcat.
const CatalogueTable& catalogueTable();

// The module of that exact name, or null.
const CatalogueModule* findModule(const std::string& name);

// One line per module: name and host class.
void printModules(std::ostream& out);
// One row per method: the module's own methods, then the common ones.
void printMethods(const CatalogueModule& module, std::ostream& out);

}  // namespace qzcall

#endif
