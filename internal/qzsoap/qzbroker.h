// The broker's SOAP service, read by soapcpp2 at build time.
// Client calls and the broker-side dispatcher are generated from it into the build tree.
//
// Document style, literal, SOAP 1.1. The request children are qualified
// (<qzbroker:mod>, <qzbroker:meth>, <qzbroker:p>, <qzbroker:pModuleName>) and the
// answers carry <qzbroker:return>; the children of QZModuleInfo are unqualified.

//gsoap qzbroker service name: qzbroker
//gsoap qzbroker service namespace: urn:qzbroker
//gsoap qzbroker service style: document
//gsoap qzbroker service encoding: literal
//gsoap qzbroker schema namespace: urn:qzbroker
//gsoap qzbroker schema elementForm: qualified
//gsoap qz schema namespace: urn:velantrix

// The dynamic value has hand-written serialisers (src/qzvaluewire.cpp) that use the
// value encoding; soapcpp2 only passes it through the messages.
#include "qzvaluetype.h"
extern class QZValue;
extern typedef QZValue qz__Value;

// The broker's bools are typed "xsd:bool" (any name ending in ":boolean" is accepted too).
typedef bool xsd__bool;

// Where a module lives, as the broker reports it.
class qz__QZModuleInfo {
 public:
  std::string name;
  int architecture;
  std::string ip;
  int port;
  int processId;
  int modulePointer;
  xsd__bool isABroker;
  xsd__bool keepAlive;
};

// Calls a method and waits for its result.
int qzbroker__callTamsa(std::string mod, std::string meth, qz__Value p, qz__Value& return_);
// Posts a method; the result is its task id.
int qzbroker__callTamsa2(std::string mod, std::string meth, qz__Value p, qz__Value& return_);
// Looks a module up by name. The answer wraps the record in <qzbroker:return> (a class
// given directly as the result would be written as the answer element itself).
struct qzbroker__getModuleByNameResponse {
  qz__QZModuleInfo return_;
};
int qzbroker__getModuleByName(std::string pModuleName, struct qzbroker__getModuleByNameResponse& answer);
