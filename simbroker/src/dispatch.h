// Which catalogue form a call reaches: the method name, the number of arguments and
// their kinds select one form among a method's overloads, or the call is refused with
// a fault that says what was wrong and which forms exist.
#ifndef QZSIM_DISPATCH_H
#define QZSIM_DISPATCH_H

#include "catalogue_index.h"

#include "qzvalue/qzvalue.h"

#include <string>

namespace qzsim {

// The form of `method` that takes `args` (an Array); throws CallFault when the
// module has no such method, no form with that many arguments, or no form whose
// parameter types the arguments fit. An exact kind is preferred to a compatible one
// (an Int where a float is declared) and to a free-form (object) parameter.
const MethodForm& selectForm(const CatalogueIndex::Module& module, const std::string& method,
                             const QZ::QZValue& args);

// How well a value fits a parameter type: 2 exactly, 1 compatibly, -1 not at all.
int fitOf(ParamType type, const QZ::QZValue& value);

// The catalogue's word for a parameter type ("string", "list of floats").
const char* typeWord(ParamType type);

}  // namespace qzsim

#endif
