// The copy and delete callbacks of an engine plugin whose data is one `State` object:
// a copied context (soap_copy) gets its own copy, and the object dies with the context.
#ifndef QZSOAP_QZPLUGINSTATE_H
#define QZSOAP_QZPLUGINSTATE_H

#include "stdsoap2.h"

namespace QZ {
namespace wire {

template <typename State>
int copyPluginState(struct soap*, struct soap_plugin* dst, struct soap_plugin* src) {
  dst->data = new State(*static_cast<State*>(src->data));
  return SOAP_OK;
}

template <typename State>
void deletePluginState(struct soap*, struct soap_plugin* plugin) {
  delete static_cast<State*>(plugin->data);
}

// Sets up `plugin` to carry `state` under `id`.
template <typename State>
void holdPluginState(struct soap_plugin* plugin, const char* id, State* state) {
  plugin->id = id;
  plugin->data = state;
  plugin->fcopy = copyPluginState<State>;
  plugin->fdelete = deletePluginState<State>;
}

}  // namespace wire
}  // namespace QZ

#endif
