// One accepted TCP connection and the gSOAP context that serves it on its own
// thread. The context's user pointer leads back here, so that the broker's
// operations find the service and the socket hooks find the listener.
#ifndef QZSIM_CONNECTION_H
#define QZSIM_CONNECTION_H

#include "requestbounds.h"

#include <thread>

struct soap;

namespace qzsim {

class Service;
class Listener;

struct Connection {
  Service* service = nullptr;
  Listener* listener = nullptr;
  struct soap* soap = nullptr;
  int socket = -1;        // under the listener's lock; -1 once closed
  bool finished = false;  // under the listener's lock
  BodyLimit body;         // of the request being read; the connection's thread only
  std::thread thread;
};

}  // namespace qzsim

#endif
