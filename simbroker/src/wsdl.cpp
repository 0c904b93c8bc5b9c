#include "wsdl.h"

namespace qzsim {

std::string wsdlFor(const std::string& address, int port) {
  std::string text = kWsdlText;
  const std::string placeholder = "location=\"http://localhost:80\"";
  const std::size_t at = text.find(placeholder);
  if (at != std::string::npos)
    text.replace(at, placeholder.size(),
                 "location=\"http://" + address + ":" + std::to_string(port) + "/\"");
  return text;
}

}  // namespace qzsim
