#include "call_outcome.h"

#include "qzbrokerclient.h"
#include "qznetwork.h"
#include "qzvalue/qzerror.h"
#include "same_value.h"

namespace qzfuzz {

namespace {

// The endpoint is never resolved: the memory broker stands for every host.
const char kEndpoint[] = "http://broker.invalid:4700";

}  // namespace

CallOutcome callOnce(struct soap* soap) {
  CallOutcome outcome;
  try {
    outcome.status = QZ::wire::callTamsa(soap, kEndpoint, "QZMotion", "getAngles", QZ::QZValue(),
                                         outcome.read);
  } catch (const QZ::QZError& refused) {
    outcome.status = -1000;
    outcome.refusal = refused.what();
  }
  for (const auto& part : QZ::wire::receivedAttachments(soap))
    outcome.attachments.emplace_back(static_cast<const char*>(part.first), part.second);
  if (outcome.status != 0 && outcome.refusal.empty()) {
    outcome.faultString = QZ::wire::faultString(soap);
    outcome.faultDetail = QZ::wire::faultDetail(soap);
  }
  outcome.value = outcome.read;
  QZ::restoreIncomingAttachments(soap, outcome.value);
  QZ::wire::finishCall(soap);
  return outcome;
}

std::string outcomeDifference(const CallOutcome& a, const CallOutcome& b) {
  if (a.status != b.status) return "status";
  if (a.refusal != b.refusal) return "refusal";
  if (!sameValue(a.read, b.read)) return "value read";
  if (!sameValue(a.value, b.value)) return "value with attachments";
  if (a.attachments != b.attachments) return "attachments";
  if (a.faultString != b.faultString) return "fault string";
  if (a.faultDetail != b.faultDetail) return "fault detail";
  return "";
}

std::string describe(const CallOutcome& outcome) {
  std::string text = "status " + std::to_string(outcome.status);
  if (!outcome.refusal.empty()) text += ", refused: " + outcome.refusal;
  text += ", value " + outcome.value.toString(1);
  text += ", " + std::to_string(outcome.attachments.size()) + " attachments";
  if (outcome.status != 0)
    text += ", fault \"" + outcome.faultString + "\" / \"" + outcome.faultDetail + "\"";
  return text;
}

}  // namespace qzfuzz
