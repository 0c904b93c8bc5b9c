#include "catalogue.h"

#include <algorithm>
#include <cstring>

namespace qzcall {

const CatalogueModule* findModule(const std::string& name) {
  const CatalogueTable& table = catalogueTable();
  const CatalogueModule* end = table.modules + table.moduleCount;
  const CatalogueModule* found = std::find_if(
      table.modules, end, [&](const CatalogueModule& m) { return name == m.name; });
  return found == end ? nullptr : found;
}

void printModules(std::ostream& out) {
  const CatalogueTable& table = catalogueTable();
  std::size_t width = 0;
  for (std::size_t i = 0; i < table.moduleCount; ++i)
    width = std::max(width, std::strlen(table.modules[i].name));
  for (std::size_t i = 0; i < table.moduleCount; ++i) {
    const CatalogueModule& m = table.modules[i];
    out << m.name << std::string(width + 2 - std::strlen(m.name), ' ') << m.hostClass << '\n';
  }
}

void printMethods(const CatalogueModule& module, std::ostream& out) {
  for (std::size_t i = 0; i < module.methodCount; ++i) out << module.methods[i] << '\n';
  const CatalogueTable& table = catalogueTable();
  for (std::size_t i = 0; i < table.commonCount; ++i) out << table.common[i] << '\n';
}

}  // namespace qzcall
