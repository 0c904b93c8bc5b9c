// DIME attachments of requests and answers.
#include "qzbrokerclient.h"
#include "qzdimeanswer.h"
#include "qzwirecontext.h"
#include "qzwirelimits.h"

#include "soapH.h"

#include <cstring>
#include <new>

namespace QZ {
namespace wire {

namespace {

// The engine would reserve a record's declared size before its bytes arrive (4 GiB
// for a hostile header); it streams into these hooks instead. Each attachment is a
// context-owned string that soap_destroy deletes; its pointer is the handle the
// engine keeps in its list of received attachments.
void* openReceived(struct soap* soap, const char*, const char*, const char*) {
  std::string* bytes = soap_new_std__string(soap);
  if (bytes == nullptr) soap->error = SOAP_EOM;
  return bytes;
}

int writeReceived(struct soap*, void* handle, const char* data, size_t size) {
  std::string* bytes = static_cast<std::string*>(handle);
  if (size > kMaxMessageBytes - bytes->size()) return SOAP_EOM;
  bytes->append(data, size);
  return SOAP_OK;
}

void closeReceived(struct soap*, void*) {}

bool streamsAttachments(const struct soap* soap) { return soap->fdimewriteopen == openReceived; }

}  // namespace

void useBoundedAttachments(struct soap* soap) {
  soap->recv_maxlength = kMaxMessageBytes;
  soap->fdimewriteopen = openReceived;
  soap->fdimewrite = writeReceived;
  soap->fdimewriteclose = closeReceived;
}

bool useBoundedReceive(struct soap* soap) {
  useBoundedAttachments(soap);
  return useFramedReceive(soap);
}

void beginDimeRequest(struct soap* soap) {
  soap_set_dime(soap);  // stays on for every later request of the context
}

void addAttachment(struct soap* soap, const void* bytes, std::size_t size) {
  // The engine keeps only the pointer until the request is sent: copy into memory the
  // context frees at the end of the call (one byte at least, so the pointer is real).
  char* copy = static_cast<char*>(soap_malloc(soap, size > 0 ? size : 1));
  if (copy == nullptr) throw std::bad_alloc();
  if (size > 0) std::memcpy(copy, bytes, size);
  soap_set_dime_attachment(soap, copy, size, "application/octet-stream", "image", 0, nullptr);
}

void addBorrowedAttachment(struct soap* soap, const void* bytes, std::size_t size) {
  if (size == 0) {
    addAttachment(soap, bytes, size);  // the engine needs a real pointer
    return;
  }
  soap_set_dime_attachment(soap, static_cast<char*>(const_cast<void*>(bytes)), size,
                           "application/octet-stream", "image", 0, nullptr);
}

std::vector<std::pair<const void*, std::size_t>> receivedAttachments(struct soap* soap) {
  std::vector<std::pair<const void*, std::size_t>> attachments;
  if (const std::vector<DimeBytes>* decoded = dimeAttachments(soap)) {  // a client's answer
    for (const DimeBytes& bytes : *decoded) attachments.emplace_back(bytes.data(), bytes.size());
    return attachments;
  }
  for (const soap_multipart* part = soap->dime.list; part != nullptr; part = part->next) {
    if (part->ptr == nullptr) {
      attachments.emplace_back(nullptr, 0);
    } else if (streamsAttachments(soap)) {
      const std::string* bytes = reinterpret_cast<const std::string*>(part->ptr);
      attachments.emplace_back(bytes->data(), bytes->size());
    } else {
      attachments.emplace_back(part->ptr, part->size);
    }
  }
  return attachments;
}

}  // namespace wire
}  // namespace QZ
