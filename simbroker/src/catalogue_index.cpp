#include "catalogue_index.h"

namespace qzsim {

namespace {

void addForm(CatalogueIndex::Module& module, const MethodForm* form) {
  module.forms.push_back(form);
  std::vector<const MethodForm*>& named = module.byName[form->name];
  if (named.empty()) module.names.push_back(form->name);
  named.push_back(form);
}

}  // namespace

CatalogueIndex::CatalogueIndex() {
  for (int m = 0; m < kModuleCount; ++m) {
    const ModuleRow& row = kModules[m];
    Module& module = fModules[row.name];
    module.row = &row;
    for (int i = 0; i < kCommonMethodCount; ++i) addForm(module, &kCommonMethods[i]);
    for (int i = 0; i < row.methodCount; ++i) addForm(module, &row.methods[i]);
    fNames.push_back(row.name);
  }
}

const CatalogueIndex::Module* CatalogueIndex::module(const std::string& name) const {
  auto found = fModules.find(name);
  return found == fModules.end() ? nullptr : &found->second;
}

int CatalogueIndex::moduleIndex(const std::string& name) const {
  for (std::size_t i = 0; i < fNames.size(); ++i)
    if (fNames[i] == name) return static_cast<int>(i);
  return -1;
}

const CatalogueIndex& catalogue() {
  static const CatalogueIndex index;
  return index;
}

}  // namespace qzsim
