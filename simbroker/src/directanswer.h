// The commonest request answered without the engine: a call (callTamsa) whose bytes
// are exactly those the library's own client writes, received whole. The broker
// parses it, makes the call and writes the answer itself, byte for byte the answer
// the engine would have written, without the engine's per-request set-up, parsing
// and clean-up. Any other request (another form of head or envelope, attachments, a
// value not in the writer's own form) goes to the engine untouched.
#ifndef QZSIM_DIRECTANSWER_H
#define QZSIM_DIRECTANSWER_H

namespace qzsim {

struct Connection;

enum class DirectAnswer {
  Answered,  // answered; the connection serves the next request
  Failed,    // the answer could not be sent: the connection ends
  Declined,  // the engine serves the request; when the call was made already (a
             // fault, or a result that travels with attachments), its outcome is in
             // connection.made for the engine to answer
};

// For the request whose head the connection's reader has just read.
DirectAnswer answerDirectly(Connection& connection);

}  // namespace qzsim

#endif
