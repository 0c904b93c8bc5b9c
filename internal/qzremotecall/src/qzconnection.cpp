#include "qznetwork.h"

#include "qzbrokerclient.h"

#include <cstdio>
#include <iostream>

namespace QZ {

QZConnection::QZConnection() = default;

QZConnection::~QZConnection() {
  std::fflush(nullptr);
  std::cout.flush();
  if (fSoap != nullptr) wire::freeClientContext(fSoap);  // also closes the socket
  fSoap = nullptr;
}

QZNetwork::~QZNetwork() = default;

std::shared_ptr<QZConnection> QZNetwork::createConnection(
    const std::shared_ptr<qz__QZModuleInfoTamsa>& info, const std::string& endpoint,
    const int& timeout) {
  std::shared_ptr<QZConnection> connection = std::make_shared<QZConnection>();
  connection->fEndPoint = endpoint;
  // Keep-alive both ways, address reuse, unlimited requests per connection, and the
  // four time-outs only when one is given.
  connection->fSoap = wire::newClientContext(timeout);
  if (connection->fSoap != nullptr) connection->fSignal = wire::callSignal(connection->fSoap);
  connection->fModuleInfo = info;
  return connection;
}

}  // namespace QZ
