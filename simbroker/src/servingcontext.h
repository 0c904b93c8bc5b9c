// The gSOAP context that serves the broker's requests. The listening context is one;
// every connection's context is a copy of it (soap_copy), whose user pointer is its
// Connection. The engine reads each request through the connection's RequestReader,
// and leaves closing the connection to the serving loop.
#ifndef QZSIM_SERVINGCONTEXT_H
#define QZSIM_SERVINGCONTEXT_H

#include "qzsim/broker.h"

struct soap;

namespace qzsim {

// Throws std::bad_alloc when the engine cannot allocate it.
struct soap* newServingContext(const BrokerLimits& limits);

struct Connection;

// Closes the connection's socket, which the engine leaves open.
void closeConnectionSocket(Connection& connection);

}  // namespace qzsim

#endif
