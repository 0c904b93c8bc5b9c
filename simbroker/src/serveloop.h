// Serves the requests of one connection in the order they arrive, each answered
// before the next is read, until the client closes the connection, stays silent too
// long, or a request ends it; then closes it.
#ifndef QZSIM_SERVELOOP_H
#define QZSIM_SERVELOOP_H

namespace qzsim {

struct Connection;

// `connection.soap` is a serving context (servingcontext.h) on `connection.socket`.
void serveConnection(Connection& connection);

}  // namespace qzsim

#endif
