// The qz_ functions: argument checks, the call itself, and the one guard through which
// every exception becomes a status and a text before it could reach the caller.
#include "qzcapi/qzcapi.h"

#include "argumenterror.h"
#include "callresult.h"
#include "qzremotecall/qzremoteproxy.h"
#include "resultrecord.h"
#include "valuebuffer.h"

#include <cstring>
#include <exception>
#include <string>

// The opaque handle of the C ABI: one untyped module proxy.
struct qz_proxy {
  qz_proxy(const std::string& module, const std::string& address, int port, int timeoutMs)
      : remote(module, address, port, 0, 0, timeoutMs) {}
  QZ::QZProxyRemote remote;
};

namespace QZ::capi {
namespace {

const char kUnknownFailureText[] = "\tqzcapi::call\n\ta failure that is not a standard exception";

[[noreturn]] void refuse(const char* function, const std::string& description) {
  throw ArgumentError(function, "arguments", description, __FILE__, __LINE__);
}

// A name the broker's messages carry as text: present, and without NUL bytes.
std::string nameArgument(const char* function, const char* what, const char* name, std::size_t size) {
  if (name == nullptr) refuse(function, std::string("the ") + what + " is null");
  if (const void* nul = std::memchr(name, '\0', size))
    refuse(function, std::string("the ") + what + " holds a NUL byte at offset " +
                         std::to_string(static_cast<const char*>(nul) - name));
  return std::string(name, size);
}

// The argument list of a call: Invalid for none, else the one value of the buffer.
QZValue argumentsOf(const char* function, const std::uint8_t* args, std::size_t size) {
  if (size == 0) return QZValue();
  if (args == nullptr)
    refuse(function, "the argument buffer is null but " + std::to_string(size) + " bytes long");
  return decodeValue(args, size, function);
}

// Runs `body`, which returns a status; every exception it raises becomes QZ_BAD_ARGUMENT
// (a refused argument) or QZ_ERROR, its text in `result`.
template <typename Body>
int guarded(qz_result& result, Body body) {
  try {
    return body();
  } catch (const ArgumentError& refused) {
    setErrorText(result, refused.what());
    return QZ_BAD_ARGUMENT;
  } catch (const QZTimeoutError& late) {
    setErrorText(result, late.what());
    return QZ_TIMED_OUT;
  } catch (const std::exception& failure) {
    setErrorText(result, failure.what());
    return QZ_ERROR;
  } catch (...) {
    setErrorText(result, kUnknownFailureText);
    return QZ_ERROR;
  }
}

}  // namespace
}  // namespace QZ::capi

using namespace QZ::capi;

extern "C" {

QZ_CAPI int qz_proxy_open(const char* module, size_t module_size, const char* address,
                          size_t address_size, int32_t port, int32_t timeout_ms,
                          qz_proxy** proxy, qz_result* error) {
  if (proxy != nullptr) *proxy = nullptr;
  if (error == nullptr) return QZ_BAD_ARGUMENT;
  clearResult(*error);
  return guarded(*error, [&] {
    if (proxy == nullptr) refuse("qz_proxy_open", "the place for the new handle is null");
    const std::string moduleName = nameArgument("qz_proxy_open", "module name", module, module_size);
    const std::string host = nameArgument("qz_proxy_open", "address", address, address_size);
    if (timeout_ms < 0) refuse("qz_proxy_open", "a negative time-out of " + std::to_string(timeout_ms) + " ms");
    *proxy = new qz_proxy(moduleName, host, port, timeout_ms);
    return QZ_OK;
  });
}

QZ_CAPI void qz_proxy_close(qz_proxy* proxy) { delete proxy; }

QZ_CAPI int qz_proxy_set_timeout(qz_proxy* proxy, int32_t milliseconds, qz_result* error) {
  if (error == nullptr) return QZ_BAD_ARGUMENT;
  clearResult(*error);
  return guarded(*error, [&] {
    if (proxy == nullptr) refuse("qz_proxy_set_timeout", "the proxy handle is null");
    if (milliseconds < 0)
      refuse("qz_proxy_set_timeout", "a negative time-out of " + std::to_string(milliseconds) + " ms");
    proxy->remote.setTimeout(milliseconds);
    return QZ_OK;
  });
}

QZ_CAPI int32_t qz_proxy_get_timeout(const qz_proxy* proxy) {
  return proxy != nullptr ? proxy->remote.getTimeout() : 0;
}

QZ_CAPI void qz_proxy_cancel(qz_proxy* proxy) {
  if (proxy != nullptr) proxy->remote.cancel();  // touches nothing a call in progress owns
}

QZ_CAPI int qz_call(qz_proxy* proxy, const char* method, size_t method_size,
                    const uint8_t* args, size_t args_size, int32_t result_kind,
                    qz_result* result) {
  if (result == nullptr) return QZ_BAD_ARGUMENT;
  clearResult(*result);
  return guarded(*result, [&] {
    if (proxy == nullptr) refuse("qz_call", "the proxy handle is null");
    const std::string name = nameArgument("qz_call", "method name", method, method_size);
    if (!isResultKind(result_kind))
      refuse("qz_call", "unknown result kind " + std::to_string(result_kind));
    const QZ::QZValue params = argumentsOf("qz_call", args, args_size);
    QZ::QZValue answer;
    proxy->remote.genericCall(name, params, answer);
    resultOfKind(result_kind, answer).commit(*result);
    return QZ_OK;
  });
}

QZ_CAPI int qz_post(qz_proxy* proxy, const char* method, size_t method_size,
                    const uint8_t* args, size_t args_size, qz_result* result) {
  if (result == nullptr) return QZ_BAD_ARGUMENT;
  clearResult(*result);
  return guarded(*result, [&] {
    if (proxy == nullptr) refuse("qz_post", "the proxy handle is null");
    const std::string name = nameArgument("qz_post", "method name", method, method_size);
    const QZ::QZValue params = argumentsOf("qz_post", args, args_size);
    QZ::QZValue answer;
    proxy->remote.genericPost(name, params, answer);
    PendingResult posted;
    posted.setNumber(static_cast<int&>(answer));  // genericPost always leaves an Int
    posted.commit(*result);
    return QZ_OK;
  });
}

QZ_CAPI void qz_result_free(qz_result* result) {
  if (result != nullptr) releaseResult(*result);
}

}  // extern "C"
