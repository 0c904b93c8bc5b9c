// The message texts and the DIME framing that the bench broker writes and reads.
#ifndef QZBENCH_BENCHWIRE_H
#define QZBENCH_BENCHWIRE_H

#include "benchserver.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qzbench {

// The broker's envelope: the XML declaration, a line feed, the envelope start tag with
// the six broker prefixes, <SOAP-ENV:Body>, the content and the closing tags.
std::string brokerEnvelope(std::string_view bodyContent);
// <qzbroker:callTamsaResponse><qzbroker:return>RESULT</qzbroker:return></...>.
std::string callAnswer(std::string_view resultXml);
// The envelope of the plain echo service, with its own prefix "ns".
std::string echoEnvelope(std::string_view bodyContent);
// A SOAP 1.1 fault envelope with faultcode SOAP-ENV:Client.
std::string faultEnvelope(std::string_view faultString);

// The text between the first `open` and the `close` after it; empty when absent.
std::string_view between(std::string_view text, std::string_view open, std::string_view close);

// One record of a DIME message; the views point into the message.
struct DimeRecord {
  std::string_view id;
  std::string_view type;
  std::string_view data;
};
// The records of an unchunked DIME message; false when it is malformed.
bool parseDime(std::string_view message, std::vector<DimeRecord>& records);

// Appends to `reply` a DIME message: the envelope record (ID cid:id0, the SOAP 1.1
// envelope type), then one record per attachment with its own ID and type. The data
// pieces are not copied: they must outlive the reply.
void addDimeMessage(Reply& reply, std::string_view envelope,
                    const std::vector<DimeRecord>& attachments);

}  // namespace qzbench

#endif
