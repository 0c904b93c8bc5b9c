// One accepted TCP connection and the gSOAP context that serves it on its own
// thread. The context's user pointer leads back here, so that the broker's
// operations find the service and the context's hooks find the request reader and
// the listener.
#ifndef QZSIM_CONNECTION_H
#define QZSIM_CONNECTION_H

#include "requestreader.h"

#include "qzvalue/qzvalue.h"

#include <exception>
#include <string>
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
  // Every request through the engine, none answered directly (directanswer.h).
  bool engineOnly = false;
  // The outcome of a call already made for the present request, which the engine
  // answers instead of making the call again (a result with Binary values, a fault).
  struct Outcome {
    bool present = false;
    QZ::QZValue result;
    std::exception_ptr failure;
  } made;
  std::string answer;  // the direct answer's bytes, kept for its capacity
  unsigned long directAnswers = 0;  // requests answered without the engine
  std::thread thread;
};

}  // namespace qzsim

#endif
