// Settings that every context reading broker messages needs, the broker side's too.
#ifndef QZSOAP_QZWIRECONTEXT_H
#define QZSOAP_QZWIRECONTEXT_H

struct soap;

namespace QZ {
namespace wire {

// Received DIME attachments grow as their bytes arrive, bounded by kMaxMessageBytes,
// instead of being reserved at the size a record declares; the whole message is
// bounded too, and ends where its Content-Length says (useFramedReceive).
// receivedAttachments() lists the attachments; they live until soap_destroy. False
// when the context cannot take the hooks.
bool useBoundedReceive(struct soap* soap);
// The same bounds without the framing, for a context whose every message is framed
// before the engine reads it (the simulated broker's requests).
void useBoundedAttachments(struct soap* soap);

// A message with a Content-Length ends after that many body bytes: reading on gives
// end of file at once instead of waiting on the connection.
bool useFramedReceive(struct soap* soap);

}  // namespace wire
}  // namespace QZ

#endif
