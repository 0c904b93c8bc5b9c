// A call the simulated broker refuses. The connection answers it with a SOAP fault
// carrying the two texts, which the client reports as "SOAP error:" + faultString and
// "SOAP detail: " + detail.
#ifndef QZSIM_CALLFAULT_H
#define QZSIM_CALLFAULT_H

#include <stdexcept>
#include <string>

namespace qzsim {

class CallFault : public std::runtime_error {
public:
  explicit CallFault(const std::string& faultString, std::string detail = std::string())
      : std::runtime_error(faultString), fDetail(std::move(detail)) {}
  const std::string& detail() const { return fDetail; }

private:
  std::string fDetail;
};

// A name that came off the wire, cut to a length that fits in a message.
std::string shown(const std::string& text);

// Text as a fault's detail carries it (XML): only "&" and "<" escaped, so that the
// "->" of a signature reaches the client as it is.
std::string detailXml(const std::string& text);

}  // namespace qzsim

#endif
