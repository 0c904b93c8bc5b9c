#include "echoclient.h"

#include "EchoSoapH.h"

#include <sys/socket.h>

#include <stdexcept>

// The echo service's table, as every plain gSOAP program defines it: the engine's
// shared library looks for this global by name.
struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/", nullptr, nullptr},
    {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/", nullptr, nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns", "urn:qzbench-echo", nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr}};

namespace qzbench {

namespace {

[[noreturn]] void fail(struct soap* soap) {
  char text[256];
  soap_sprint_fault(soap, text, sizeof text);
  soap_destroy(soap);
  soap_end(soap);
  throw std::runtime_error(std::string("gSOAP echo failed: ") + text);
}

}  // namespace

EchoClient::EchoClient(int port) : fEndpoint("http://127.0.0.1:" + std::to_string(port)) {
  fSoap = soap_new1(SOAP_IO_KEEPALIVE);
  if (fSoap == nullptr) throw std::runtime_error("gSOAP context not allocated");
  fSoap->socket_flags = MSG_NOSIGNAL;
  soap_set_namespaces(fSoap, namespaces);
}

EchoClient::~EchoClient() {
  soap_destroy(fSoap);
  soap_end(fSoap);
  soap_free(fSoap);
}

std::string EchoClient::echo(const std::string& text) {
  std::string out;
  if (soap_call_ns__echo(fSoap, fEndpoint.c_str(), "", text, out) != SOAP_OK) fail(fSoap);
  soap_destroy(fSoap);
  soap_end(fSoap);
  return out;
}

void EchoClient::echoAttachment(const void* bytes, std::size_t size,
                                std::vector<unsigned char>& received) {
  soap_set_dime(fSoap);
  soap_set_dime_attachment(fSoap, static_cast<const char*>(bytes), size,
                           "application/octet-stream", "image", 0, nullptr);
  std::string out;
  const int status = soap_call_ns__echo(fSoap, fEndpoint.c_str(), "", "b", out);
  soap_clr_dime(fSoap);  // the output mode sticks otherwise
  if (status != SOAP_OK) fail(fSoap);
  received.clear();
  for (const soap_multipart* part = fSoap->dime.list; part != nullptr; part = part->next) {
    const unsigned char* data = reinterpret_cast<const unsigned char*>(part->ptr);
    received.assign(data, data + part->size);
  }
  soap_destroy(fSoap);
  soap_end(fSoap);
}

}  // namespace qzbench
