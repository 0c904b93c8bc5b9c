// The element writer and reader of the dynamic value that the SOAP engine calls for
// every QZValue member of a broker message (<qzbroker:p>, <qzbroker:return>).
#ifndef QZSOAP_QZVALUEWIRE_H
#define QZSOAP_QZVALUEWIRE_H

#include "qzvalue/qzvalue.h"

struct soap;

// Writes <tag>, the item text of the value, </tag>. The tag "r" is written as
// "xsd:anyType".
int soap_out_QZValue(struct soap* soap, const char* tag, int id, const QZ::QZValue* value,
                     const char* type);
// Reads the next element (any element when tag is null) into the value: its text is
// taken raw from the engine's buffer, then handed to the value reader. Null when no
// element is there. The value reader's QZError passes out of it.
QZ::QZValue* soap_in_QZValue(struct soap* soap, const char* tag, QZ::QZValue* value,
                             const char* type);

#endif
