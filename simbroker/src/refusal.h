// What the broker itself writes to a client whose request it cannot take: an HTTP
// error answer carrying a SOAP fault, so that a SOAP client reports its reason. The
// connection then closes.
#ifndef QZSIM_REFUSAL_H
#define QZSIM_REFUSAL_H

#include "httphead.h"

#include <string>

namespace qzsim {

// The whole answer: status line, head (Connection: close) and the fault envelope,
// whose fault code is Client for a 4xx status and Server otherwise.
std::string refusalAnswer(const Refusal& refusal);

// Sends `bytes` on the socket, waiting at most `seconds` for it to take them; false
// when the client is gone or too slow.
bool sendAll(int socket, const std::string& bytes, int seconds);

// Ends the sending side, then reads and drops what the client still sends for a short
// while (unless it has closed already), so that closing does not reset the connection
// before the client has read the last answer.
void lingerBeforeClose(int socket, bool peerClosed);

}  // namespace qzsim

#endif
