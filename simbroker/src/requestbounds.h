// Bounds on what one request may make the broker read. A request that announces more
// than the broker takes is refused before its body is read. And the engine would read
// a request's XML for as long as the XML asks for more, past the body's announced
// length, so that a request cut short would hold its connection until the idle
// time-out: the input ends at the announced length instead, and such a request is
// refused at once.
#ifndef QZSIM_REQUESTBOUNDS_H
#define QZSIM_REQUESTBOUNDS_H

#include <cstddef>

struct soap;

namespace qzsim {

// What one connection has read of its present request.
struct BodyLimit {
  bool inBody = false;            // the head's empty line has been read
  int matched = 0;                // bytes of the head's "\r\n\r\n" read so far
  unsigned long long seen = 0;    // body bytes read since
  long long length = -1;          // the announced length; -1 when none
  bool chunked = false;           // the body comes in chunks: no length to keep to
};

// Installs the hooks on the listening context; its copies, whose user pointer is
// their Connection, keep them. soap->recv_maxlength is the largest request taken.
void boundRequests(struct soap* soap);
// Called when a request is done: the next one starts with its head.
void nextRequest(BodyLimit& limit);

}  // namespace qzsim

#endif
