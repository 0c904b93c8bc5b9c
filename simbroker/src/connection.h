// One accepted TCP connection and the gSOAP context that serves it on its own
// thread. The context's user pointer leads back here, so that the broker's
// operations find the service and the context's hooks find the request reader and
// the listener.
#ifndef QZSIM_CONNECTION_H
#define QZSIM_CONNECTION_H

#include "requestreader.h"

#include <thread>

struct soap;

namespace qzsim {

class Service;
class Listener;

struct Connection {
  Connection(Service& service, Listener* listener, int socket, int idleSeconds, unsigned long long maxBodyBytes)
      : service(&service), listener(listener), socket(socket), reader(socket, idleSeconds, maxBodyBytes) {}

  Service* service;
  Listener* listener;      // null when no listener accepted it (the fuzz target's)
  struct soap* soap = nullptr;
  int socket;              // under the listener's lock; -1 once closed
  bool finished = false;   // under the listener's lock
  // The connection's thread only:
  RequestReader reader;
  bool answered = false;        // the present request has had its answer begun
  bool closeRequested = false;  // the engine asked to close after the present request
  std::thread thread;
};

}  // namespace qzsim

#endif
