// Binary values travel beside the XML as DIME attachments, in the order of a
// depth-first walk of the value.
#include "qznetwork.h"

#include "qzbrokerclient.h"

#include <cstdio>
#include <exception>

namespace QZ {
namespace {

void attachBinaries(struct soap* soap, const QZValue& value) {
  if (value.getType() == QZValue::TypeBinary) {
    wire::addAttachment(soap, value.getSize() ? value.GetBinary() : nullptr, value.getSize());
    return;
  }
  if (value.getType() != QZValue::TypeArray) return;
  for (const QZValue& element : *value.arrayElements()) {
    // One element that cannot be attached does not stop the others.
    try {
      attachBinaries(soap, element);
    } catch (const std::exception& error) {
      std::printf("%s\n", error.what());
    }
  }
}

void restoreBinaries(QZValue& value,
                     const std::vector<std::pair<const void*, std::size_t>>& received,
                     std::size_t& counter) {
  if (value.getType() == QZValue::TypeBinary) {
    if (counter < received.size())
      value.SetBinary(received[counter].first, static_cast<int>(received[counter].second));
    ++counter;
    return;
  }
  if (value.getType() != QZValue::TypeArray) return;
  for (unsigned int i = 0; i < value.getSize(); ++i) restoreBinaries(value[static_cast<int>(i)], received, counter);
}

}  // namespace

bool holdsBinary(const QZValue& value) {
  if (value.getType() == QZValue::TypeBinary) return true;
  if (value.getType() != QZValue::TypeArray) return false;
  for (const QZValue& element : *value.arrayElements())
    if (holdsBinary(element)) return true;
  return false;
}

void prepareOutgoingAttachments(struct soap* soap, const QZValue& params) {
  if (params.getType() != QZValue::TypeArray) return;  // a call without arguments adds nothing
  wire::beginDimeRequest(soap);
  attachBinaries(soap, params);
}

void restoreIncomingAttachments(struct soap* soap, QZValue& answer) {
  const auto received = wire::receivedAttachments(soap);
  if (received.empty()) return;  // nothing to restore: skip walking large answers
  std::size_t counter = 0;
  restoreBinaries(answer, received, counter);
}

}  // namespace QZ
