// Settings that every context reading broker messages needs, the broker side's too.
#ifndef QZSOAP_QZWIRECONTEXT_H
#define QZSOAP_QZWIRECONTEXT_H

struct soap;

namespace QZ {
namespace wire {

// Received DIME attachments grow as their bytes arrive, bounded by kMaxMessageBytes,
// instead of being reserved at the size a record declares; the whole message is
// bounded too. receivedAttachments() lists them; they live until soap_destroy.
void useBoundedReceive(struct soap* soap);

}  // namespace wire
}  // namespace QZ

#endif
