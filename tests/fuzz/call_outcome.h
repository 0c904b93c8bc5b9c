// What one call on a client context came to, taken whole so that two ways of
// delivering the same answer can be compared.
#ifndef QZFUZZ_CALL_OUTCOME_H
#define QZFUZZ_CALL_OUTCOME_H

#include "qzvalue/qzvalue.h"

#include <string>
#include <vector>

struct soap;

namespace qzfuzz {

struct CallOutcome {
  int status = 0;
  std::string refusal;  // the value reader's QZError text, when it refused the answer
  QZ::QZValue read;     // the result as read from the envelope
  QZ::QZValue value;    // the result with the received attachments restored into it
  std::vector<std::string> attachments;
  std::string faultString, faultDetail;  // of a failed call
};

// One callTamsa on the context, as the connection layer makes it: the answer read,
// attachments restored into the result, the call finished on the context.
CallOutcome callOnce(struct soap* soap);

// "" when the two are the same; else what differs, for an invariant message.
std::string outcomeDifference(const CallOutcome& a, const CallOutcome& b);
std::string describe(const CallOutcome& outcome);

}  // namespace qzfuzz

#endif
