// Bounds on what an answer may make the client hold, whatever the broker declares.
#ifndef QZSOAP_QZWIRELIMITS_H
#define QZSOAP_QZWIRELIMITS_H

#include <cstddef>

namespace QZ {
namespace wire {

// One received message, envelope and attachments together.
constexpr std::size_t kMaxMessageBytes = std::size_t(1) << 30;
// The XML text of one value element: the document parser holds several times as much.
constexpr std::size_t kMaxValueTextBytes = std::size_t(256) << 20;

}  // namespace wire
}  // namespace QZ

#endif
