// The client's reading of DIME answers. The engine's own reader misreads an envelope
// record that comes in chunks: when a chunk's data ends where the bytes received so
// far end (a chunk per HTTP chunk does that every time), it takes a byte that never
// arrived for the next chunk's header; and after the last chunk it skips one byte
// too many before the attachments. So the answer is decoded below the engine instead,
// HTTP chunks and DIME records alike: the engine reads the envelope as a plain XML
// body, and the attachments are collected beside it.
#ifndef QZSOAP_QZDIMEANSWER_H
#define QZSOAP_QZDIMEANSWER_H

#include "qzdimemessage.h"

#include <vector>

struct soap;

namespace QZ {
namespace wire {

// Takes over the reading of every later DIME answer on the context. False when the
// context cannot take the hooks.
bool useDimeAnswerReader(struct soap* soap);

// Call after the envelope's end tag: reads the rest of a DIME answer, and with it the
// attachments. SOAP_OK, also for an answer that is not DIME; else the status of an
// answer that ends early or breaks the DIME form.
int finishDimeAnswer(struct soap* soap);

// The attachments of the last DIME answer, in arrival order, or null on a context
// without the reader. They stay until the next answer or clearDimeAttachments; a
// caller may move their bytes out.
std::vector<DimeBytes>* dimeAttachments(struct soap* soap);
void clearDimeAttachments(struct soap* soap);

}  // namespace wire
}  // namespace QZ

#endif
