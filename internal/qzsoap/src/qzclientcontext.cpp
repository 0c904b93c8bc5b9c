// The gSOAP context of one broker connection.
#include "qzbrokerclient.h"
#include "qzcallcontrol.h"
#include "qzdimeanswer.h"
#include "qzpluginstate.h"
#include "qzwirecontext.h"

#include "stdsoap2.h"

#include <sys/socket.h>

#include <cstring>

extern SOAP_NMAC struct Namespace namespaces[];

namespace QZ {
namespace wire {

namespace {

const char kClientId[] = "qz-client";

struct ClientHooks {
  int (*nextPostHeader)(struct soap*, const char*, const char*) = nullptr;
};

// The broker expects the User-Agent of the engine version it was made for.
int postHeader(struct soap* soap, const char* key, const char* value) {
  const ClientHooks* hooks = static_cast<ClientHooks*>(soap_lookup_plugin(soap, kClientId));
  if (key != nullptr && std::strcmp(key, "User-Agent") == 0) value = "gSOAP/2.7";
  return hooks->nextPostHeader(soap, key, value);
}

int hooksInit(struct soap* soap, struct soap_plugin* plugin, void*) {
  ClientHooks* hooks = new ClientHooks();
  hooks->nextPostHeader = soap->fposthdr;
  holdPluginState(plugin, kClientId, hooks);
  soap->fposthdr = postHeader;
  return SOAP_OK;
}

}  // namespace

struct soap* newClientContext(int timeoutSeconds) {
  struct soap* soap = soap_new1(SOAP_IO_KEEPALIVE);  // kept alive in and out
  if (soap == nullptr) return nullptr;
  soap->bind_flags = SO_REUSEADDR;
  soap->max_keep_alive = -1;
  if (timeoutSeconds != 0) {
    soap->recv_timeout = timeoutSeconds;
    soap->send_timeout = timeoutSeconds;
    soap->connect_timeout = timeoutSeconds;
    soap->accept_timeout = timeoutSeconds;
  }
  // A broker that closed the connection must not kill the process with SIGPIPE.
  soap->socket_flags = MSG_NOSIGNAL;
  soap_set_namespaces(soap, namespaces);
  // Call control first: the framing hooks that useBoundedReceive adds wrap its receive,
  // and the DIME answer reader wraps theirs.
  if (!useCallControl(soap) || !useBoundedReceive(soap) || !useDimeAnswerReader(soap) ||
      soap_register_plugin(soap, hooksInit) != SOAP_OK) {
    soap_free(soap);
    return nullptr;
  }
  return soap;
}

void freeClientContext(struct soap* soap) {
  if (soap == nullptr) return;
  soap_destroy(soap);
  soap_end(soap);
  soap_free(soap);  // closes the socket, removes the plugins
}

void finishCall(struct soap* soap) {
  // soap_end() without its soap_free_temp(): the engine's temporary tables (the id
  // and pointer hash tables, blocks, the namespace stack) hold only memory of their
  // own, and every next exchange begins with soap_begin() or soap_begin_recv(), which
  // empty them anyway. Emptying them here as well cost a third of a small call's
  // instructions: zeroing a 32 KiB table.
  soap_destroy(soap);
  soap_dealloc(soap, nullptr);
  soap_closesock(soap);
  clearDimeAttachments(soap);
  // The engine leaves its attachment lists pointing into the memory just freed.
  soap->dime.list = nullptr;
  soap->dime.first = nullptr;
  soap->dime.last = nullptr;
}

}  // namespace wire
}  // namespace QZ
