// The module catalogue as the simulated broker dispatches it. The rows are generated
// from catalogue/modules.qzcat at build time (tools/qzgen.py --what sim).
#ifndef QZSIM_CATALOGUE_TABLE_H
#define QZSIM_CATALOGUE_TABLE_H

namespace qzsim {

enum class ParamType { String, Int, Float, Bool, Object, StringList, FloatList };
enum class ResultType { Void, String, Int, Float, Bool, Object, StringList, FloatList };

struct ParamRow {
  ParamType type;
  const char* name;
};

// One form of a method: a method of several forms has one row per form.
struct MethodForm {
  const char* name;
  ResultType result;
  int arity;
  const ParamRow* params;  // `arity` entries
  const char* signature;    // "moveTo(float x, float y, float theta) -> void"
  const char* key;          // "moveTo(float,float,float)": what behaviours register under
};

struct ModuleRow {
  const char* name;
  const char* group;
  const MethodForm* methods;  // the module's own forms, the common ones not included
  int methodCount;
};

// The forms every module has, then the modules in catalogue order.
extern const MethodForm* const kCommonMethods;
extern const int kCommonMethodCount;
extern const ModuleRow kModules[];
extern const int kModuleCount;

}  // namespace qzsim

#endif
