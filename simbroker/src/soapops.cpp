// The broker's three SOAP operations, which the generated dispatcher (soap_serve)
// calls for every request of a connection. Every answer of callTamsa is the status
// pair [Int 1, result], so that the client, which unwraps such a pair, hands back
// the result exactly as it was, a result that is itself such a pair included.
#include "binaryvalues.h"
#include "callfault.h"
#include "connection.h"
#include "service.h"

#include "qzbrokerclient.h"
#include "soapH.h"

#include "qzvalue/qzerror.h"

#include <unistd.h>

#include <new>

namespace {

using QZ::QZValue;

qzsim::Service& serviceOf(struct soap* soap) {
  return *static_cast<qzsim::Connection*>(soap->user)->service;
}

int refuse(struct soap* soap, const std::string& faultString, const std::string& detail) {
  return soap_sender_fault(soap, soap_strdup(soap, faultString.c_str()),
                           detail.empty() ? nullptr : soap_strdup(soap, qzsim::detailXml(detail).c_str()));
}

int failInside(struct soap* soap, const std::string& what) {
  return soap_receiver_fault(soap, "The simulated broker failed to answer",
                             soap_strdup(soap, qzsim::detailXml(what).c_str()));
}

// The request's attachments go, in order, into its Binary values, depth first. A
// Binary without an attachment (a posted call sends none) keeps what the XML held.
void attachReceived(QZValue& value, std::size_t& next,
                    const std::vector<std::pair<const void*, std::size_t>>& parts) {
  if (value.getType() == QZValue::TypeArray) {
    for (unsigned i = 0; i < value.getSize(); ++i) attachReceived(value[static_cast<int>(i)], next, parts);
  } else if (value.getType() == QZValue::TypeBinary) {
    if (next < parts.size() && parts[next].first != nullptr)
      value.SetBinary(parts[next].first, static_cast<int>(parts[next].second));
    ++next;
  }
}

// The answer's Binary values travel as attachments, depth first.
void attachAnswer(struct soap* soap, const QZValue& value) {
  if (value.getType() == QZValue::TypeArray) {
    for (const QZValue& element : *value.arrayElements()) attachAnswer(soap, element);
  } else if (value.getType() == QZValue::TypeBinary) {
    QZ::wire::addAttachment(soap, value.getSize() > 0 ? value.GetBinary() : nullptr, value.getSize());
  }
}

QZValue received(struct soap* soap, const QZValue& p) {
  QZValue args = p;
  std::size_t next = 0;
  attachReceived(args, next, QZ::wire::receivedAttachments(soap));
  return args;
}

// The call's result: made now, or already made when the request was first read (the
// serving loop then hands the request to the engine only to write the answer).
QZValue callResult(struct soap* soap, const std::string& mod, const std::string& meth, const QZValue& p) {
  qzsim::Connection& connection = *static_cast<qzsim::Connection*>(soap->user);
  if (!connection.made.present) return connection.service->call(mod, meth, received(soap, p));
  qzsim::Connection::Outcome made = std::move(connection.made);
  connection.made = qzsim::Connection::Outcome();
  if (made.failure) std::rethrow_exception(made.failure);
  return std::move(made.result);
}

template <class Answer>
int answerSafely(struct soap* soap, Answer answer) {
  try {
    answer();
    return SOAP_OK;
  } catch (const qzsim::CallFault& fault) {
    return refuse(soap, fault.what(), fault.detail());
  } catch (const QZ::QZError& error) {
    return refuse(soap, "The request holds a value the broker cannot read", error.what());
  } catch (const std::bad_alloc&) {
    return failInside(soap, "out of memory");
  } catch (const std::exception& error) {
    return failInside(soap, error.what());
  }
}

}  // namespace

int qzbroker__callTamsa(struct soap* soap, std::string mod, std::string meth, QZValue p, QZValue& return_) {
  return answerSafely(soap, [&] {
    QZValue result = callResult(soap, mod, meth, p);
    return_.arraySetSize(2);
    return_[0] = 1;
    return_[1] = std::move(result);
    if (qzsim::hasBinary(return_)) {
      QZ::wire::beginDimeRequest(soap);  // this answer only: the serve loop clears it
      attachAnswer(soap, return_);
    }
  });
}

int qzbroker__callTamsa2(struct soap* soap, std::string mod, std::string meth, QZValue p, QZValue& return_) {
  return answerSafely(soap, [&] { return_ = serviceOf(soap).post(mod, meth, received(soap, p)); });
}

int qzbroker__getModuleByName(struct soap* soap, std::string pModuleName,
                              struct qzbroker__getModuleByNameResponse& answer) {
  return answerSafely(soap, [&] {
    qzsim::Service& service = serviceOf(soap);
    const qzsim::CatalogueIndex::Module& module = service.module(pModuleName);
    qz__QZModuleInfo& info = answer.return_;
    info.name = module.row->name;
    info.architecture = 0;
    // Any address: the client keeps the one it asked, as for a module of the broker itself.
    info.ip = "0.0.0.0";
    info.port = service.port();
    info.processId = static_cast<int>(getpid());
    info.modulePointer = qzsim::catalogue().moduleIndex(pModuleName) + 1;
    info.isABroker = false;
    info.keepAlive = false;
  });
}
