// Binary values travel beside the XML as DIME attachments, in the order of a
// depth-first walk of the value.
#include "qznetwork.h"

#include "qzbrokerclient.h"
#include "qzdimeanswer.h"
#include "qzvaluestorage.h"

#include <cstdio>
#include <exception>

namespace QZ {
namespace {

void attachBinaries(struct soap* soap, const QZValue& value) {
  if (value.getType() == QZValue::TypeBinary) {
    // The arguments outlive the call: the engine sends the bytes from where they are.
    wire::addBorrowedAttachment(soap, value.getSize() ? value.GetBinary() : nullptr, value.getSize());
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

// The received bytes become the Binary values' storage as they are, without a copy.
void restoreBinaries(QZValue& value, std::vector<TQZValueBinary>& received, std::size_t& counter) {
  if (value.getType() == QZValue::TypeBinary) {
    if (counter < received.size()) QZValueStorage::adoptBinary(value, std::move(received[counter]));
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
  // The client's answers are read by its DIME reader, whose attachments may be moved out.
  std::vector<TQZValueBinary>* received = wire::dimeAttachments(soap);
  if (received == nullptr || received->empty()) return;  // nothing to restore: skip walking large answers
  std::size_t counter = 0;
  restoreBinaries(answer, *received, counter);
}

}  // namespace QZ
