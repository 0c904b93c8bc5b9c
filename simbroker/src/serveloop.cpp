#include "serveloop.h"

#include "callfault.h"
#include "connection.h"
#include "directanswer.h"
#include "refusal.h"
#include "servingcontext.h"

#include "qzbrokerclient.h"
#include "soapH.h"

#include <exception>

namespace qzsim {

namespace {

// One request through the engine, as its generated dispatcher serves one: a request
// the engine cannot take is answered with a fault, unless it ended first.
void dispatch(struct soap* soap) {
  if (soap_begin_serve(soap)) return;
  if (soap_serve_request(soap) && soap->error && soap->error < SOAP_STOP) soap_send_fault(soap);
}

// Serves the request whose head the reader has read; true when the connection may
// serve another.
bool serveRequest(Connection& connection) {
  struct soap* soap = connection.soap;
  connection.answered = false;
  // The engine starts every request on empty input: what follows it is the reader's.
  soap->bufidx = 0;
  soap->buflen = 0;
  soap->ahead = 0;
  try {
    dispatch(soap);
  } catch (const std::exception& error) {
    // The value reader refused the request part way: answer with a fault.
    soap_sender_fault(soap, "The request holds a value the broker cannot read",
                      soap_strdup(soap, detailXml(error.what()).c_str()));
    soap_send_fault(soap);
  }
  // Free what the request used, and answer the next one without DIME unless its
  // operation asks for it again.
  QZ::wire::finishCall(soap);
  soap_clr_dime(soap);
  connection.made = Connection::Outcome();
  if (!connection.answered) {
    // The engine met the end of the request's bytes before the end of its envelope.
    const Refusal& unread = connection.reader.refusal();
    const Refusal refusal = unread ? unread : Refusal{400, "The request's body ends before its envelope does"};
    sendAll(connection.reader.socket(), refusalAnswer(refusal), soap->send_timeout);
    return false;
  }
  return soap->keep_alive != 0 && !connection.closeRequested && !connection.reader.refusal();
}

}  // namespace

void serveConnection(Connection& connection) {
  struct soap* soap = connection.soap;
  soap->keep_alive = 1;
  for (;;) {
    const RequestReader::Next next = connection.reader.next();
    if (next == RequestReader::Next::Idle) break;
    if (next == RequestReader::Next::Refused) {
      sendAll(connection.reader.socket(), refusalAnswer(connection.reader.refusal()), soap->send_timeout);
      break;
    }
    const DirectAnswer direct = answerDirectly(connection);
    if (direct == DirectAnswer::Failed) break;
    if (direct == DirectAnswer::Declined && !serveRequest(connection)) break;
  }
  lingerBeforeClose(connection.reader.socket(), connection.reader.peerClosed());
  closeConnectionSocket(connection);
}

}  // namespace qzsim
