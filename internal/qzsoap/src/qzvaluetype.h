// The dynamic value under the name the generated SOAP code uses for it.
#ifndef QZSOAP_QZVALUETYPE_H
#define QZSOAP_QZVALUETYPE_H

#include "qzvalue/qzvalue.h"

typedef QZ::QZValue QZValue;

#endif
