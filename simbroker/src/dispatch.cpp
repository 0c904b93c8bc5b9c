#include "dispatch.h"

#include "callfault.h"

#include <set>

namespace qzsim {

namespace {

using QZ::QZValue;

bool allElements(const QZValue& array, bool (*accept)(const QZValue&)) {
  for (const QZValue& element : *array.arrayElements())
    if (!accept(element)) return false;
  return true;
}

bool isString(const QZValue& v) { return v.getType() == QZValue::TypeString; }
bool isNumber(const QZValue& v) {
  return v.getType() == QZValue::TypeFloat || v.getType() == QZValue::TypeInt;
}

std::string kindName(const QZValue& value) { return QZValue::TypeToString(value.getType()); }

// "1, 2 or 4"
std::string arityList(const std::set<int>& arities) {
  std::string text;
  std::size_t i = 0;
  for (int arity : arities) {
    if (i > 0) text += (i + 1 == arities.size()) ? " or " : ", ";
    text += std::to_string(arity);
    ++i;
  }
  return text;
}

std::string signatures(const std::vector<const MethodForm*>& forms) {
  std::string text;
  for (const MethodForm* form : forms) {
    if (!text.empty()) text += "; ";
    text += form->signature;
  }
  return text;
}

std::string argumentCount(int count) {
  return std::to_string(count) + (count == 1 ? " argument" : " arguments");
}

int fitOfForm(const MethodForm& form, const QZValue& args, int& firstMisfit) {
  int score = 0;
  for (int i = 0; i < form.arity; ++i) {
    const int fit = fitOf(form.params[i].type, args[i]);
    if (fit < 0) {
      firstMisfit = i;
      return -1;
    }
    score += fit;
  }
  return score;
}

}  // namespace

const char* typeWord(ParamType type) {
  switch (type) {
    case ParamType::String: return "string";
    case ParamType::Int: return "int";
    case ParamType::Float: return "float";
    case ParamType::Bool: return "bool";
    case ParamType::Object: return "object";
    case ParamType::StringList: return "list of strings";
    case ParamType::FloatList: return "list of floats";
  }
  return "object";
}

int fitOf(ParamType type, const QZValue& value) {
  switch (type) {
    case ParamType::String: return isString(value) ? 2 : -1;
    case ParamType::Int: return value.getType() == QZValue::TypeInt ? 2 : -1;
    case ParamType::Float:
      if (value.getType() == QZValue::TypeFloat) return 2;
      return value.getType() == QZValue::TypeInt ? 1 : -1;
    case ParamType::Bool:
      if (value.getType() == QZValue::TypeBool) return 2;
      return value.getType() == QZValue::TypeInt ? 1 : -1;
    case ParamType::Object: return 1;
    case ParamType::StringList:
      return value.getType() == QZValue::TypeArray && allElements(value, isString) ? 2 : -1;
    case ParamType::FloatList:
      return value.getType() == QZValue::TypeArray && allElements(value, isNumber) ? 2 : -1;
  }
  return -1;
}

const MethodForm& selectForm(const CatalogueIndex::Module& module, const std::string& method,
                             const QZValue& args) {
  const std::string moduleName = module.row->name;
  const int count = static_cast<int>(args.getSize());
  auto named = module.byName.find(method);
  if (named == module.byName.end())
    throw CallFault(moduleName + " has no method named " + shown(method),
                    "called with " + argumentCount(count) + "; getMethodList() lists the " +
                        std::to_string(module.names.size()) + " methods of " + moduleName);

  // The best form, in one pass that allocates nothing; the fault texts are made only
  // when no form fits.
  const MethodForm* best = nullptr;
  int bestScore = -1;
  for (const MethodForm* form : named->second) {
    if (form->arity != count) continue;
    int formMisfit = 0;
    const int score = fitOfForm(*form, args, formMisfit);
    if (score > bestScore) {
      best = form;
      bestScore = score;
    }
  }
  if (best != nullptr) return *best;

  std::vector<const MethodForm*> sameArity;
  std::set<int> arities;
  for (const MethodForm* form : named->second) {
    arities.insert(form->arity);
    if (form->arity == count) sameArity.push_back(form);
  }
  if (sameArity.empty())
    throw CallFault(moduleName + "." + method + " takes " + arityList(arities) +
                        (arities.size() == 1 && *arities.begin() == 1 ? " argument" : " arguments") +
                        ", not " + std::to_string(count),
                    signatures(named->second));

  int misfit = 0;
  fitOfForm(*sameArity.front(), args, misfit);

  if (sameArity.size() == 1) {
    const MethodForm& form = *sameArity.front();
    throw CallFault(moduleName + "." + method + ": argument " + std::to_string(misfit + 1) + " (" +
                        form.params[misfit].name + ") must be " +
                        typeWord(form.params[misfit].type) + ", not " + kindName(args[misfit]),
                    form.signature);
  }
  std::string kinds;
  for (int i = 0; i < count; ++i) kinds += (i > 0 ? ", " : "") + kindName(args[i]);
  throw CallFault(moduleName + "." + method + " has no form that takes (" + kinds + ")",
                  signatures(sameArity));
}

std::string shown(const std::string& text) {
  constexpr std::size_t kLongest = 120;
  if (text.size() <= kLongest) return text;
  return text.substr(0, kLongest) + "...";
}

std::string detailXml(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else out += c;
  }
  return out;
}

}  // namespace qzsim
