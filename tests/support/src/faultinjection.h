// Writing an answer to a connection, spoiled as a fault choice says.
#ifndef QZTEST_FAULTINJECTION_H
#define QZTEST_FAULTINJECTION_H

#include "brokeranswers.h"
#include "brokersocket.h"
#include "faultchoice.h"

namespace qztest {
namespace detail {

// Writes `answer` as `choice` says; false when the connection is to end now (the
// caller closes it), true when the broker goes on reading requests from it.
bool deliver(BrokerSocket& socket, const BrokerAnswer& answer, const FaultChoice& choice,
             const FaultSettings& settings);

}  // namespace detail
}  // namespace qztest

#endif
