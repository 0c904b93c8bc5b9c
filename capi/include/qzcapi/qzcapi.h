/* The C ABI of the library: what a host runtime (the .NET assembly Velantrix.Proxies)
 * calls through its foreign-function interface. Plain C types only; every object is
 * an opaque handle; nothing here ever lets a C++ exception or an abort cross into the
 * caller: a failure is a status and a text.
 *
 * Strings are UTF-8 byte strings with an explicit length; those inside values and
 * results may hold NUL bytes, names may not (see Names below). Values travel as one
 * byte buffer each way, in the tagged form below.
 *
 * ---- The value buffer --------------------------------------------------------------
 * One value is a header of five bytes, then its payload:
 *
 *   kind    1 byte            the value's kind, as QZValue numbers them (QZ_KIND_*)
 *   length  4 bytes, LE       Array: the number of elements; every other kind: the
 *                             number of payload bytes
 *   payload                   Invalid: none (length 0)
 *                             Array:   `length` values, one after the other
 *                             Bool:    1 byte, 0 or 1
 *                             Int:     4 bytes, two's complement, little-endian
 *                             Float:   4 bytes, IEEE 754 single, little-endian
 *                             String, Object, Binary: `length` bytes
 *
 * A buffer holds exactly one value and nothing after it. Nesting is bounded as on the
 * wire: an Int at the top is one level, an Array of Ints two, and no value may go
 * deeper than QZ_MAX_VALUE_DEPTH levels. The decoder refuses, with QZ_BAD_ARGUMENT
 * and a text saying where, any buffer that breaks these rules: an unknown kind, a
 * length that does not fit the kind or runs past the end, more elements than the bytes
 * left could hold (each takes 5 bytes at least, and so does every element that the
 * enclosing Arrays still have to come), a Bool byte other than 0 or 1, bytes after the
 * value, or nesting past the bound.
 *
 * ---- Results -------------------------------------------------------------------------
 * qz_call converts the answer as the native typed proxies do (the result converters of
 * the typed call layer, with their warning lines and error texts), then returns it in
 * the form its result kind names:
 *
 *   QZ_RESULT_NONE         nothing: the call is made and its answer dropped
 *   QZ_RESULT_VALUE        data/size: the answer, whole, as a value buffer
 *   QZ_RESULT_INT          number: the int
 *   QZ_RESULT_BOOL         number: 0 or 1
 *   QZ_RESULT_FLOAT        real: the float
 *   QZ_RESULT_STRING       data/size: the string's bytes, all of them
 *   QZ_RESULT_STRING_LIST  count strings at data, each as a 4-byte little-endian
 *                          length and its bytes; size is the total
 *   QZ_RESULT_FLOAT_LIST   count floats at data, 4 bytes each, little-endian
 *   QZ_RESULT_OBJECT       data/size: the answer as a value buffer, as for
 *                          QZ_RESULT_VALUE, but checked first as every typed kind
 *                          is: an answer without a value (a void method's) fails
 *
 * QZ_RESULT_VALUE takes the answer as it comes, an Invalid one included (an untyped
 * call); every kind from QZ_RESULT_INT on first checks that a value came back, as the
 * typed calls do, and fails with "\tQZProxy::call\n\tWaiting for the result of a
 * void function" when none did.
 *
 * When a call fails, data/size hold the error text instead: the native exception's
 * text byte for byte (a QZError's "\t<module>::<method>\n\t<description>"). A
 * refused argument gives a text of the same form, for example "\tqz_call::value
 * buffer\n\tlength 1000 at offset 5 runs past the end (12 bytes)". Should the library
 * fail to allocate even that text, data points to a static text and storage is null.
 * Whatever a function leaves in a qz_result is released by qz_result_free.
 *
 * ---- Names ---------------------------------------------------------------------------
 * Module names, addresses and method names are byte strings with a length too; they
 * may not be null (an empty name is a non-null pointer and size 0) and may not hold a
 * NUL byte, which the broker's messages cannot carry: the function refuses them with
 * QZ_BAD_ARGUMENT rather than reach a module or method of another name.
 */
#ifndef QZCAPI_QZCAPI_H
#define QZCAPI_QZCAPI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QZ_CAPI __attribute__((visibility("default")))
#else
#define QZ_CAPI
#endif

/* Statuses. */
#define QZ_OK 0
#define QZ_ERROR 1        /* the native call failed: the result holds its text       */
#define QZ_BAD_ARGUMENT 2 /* a null handle or pointer, a name holding a NUL byte, an
                             unknown result kind or a malformed value buffer: nothing
                             was sent                                                 */
#define QZ_TIMED_OUT 3    /* the call, or the lookup, ran out of the proxy's time-out:
                             the result holds the text ("... timed out after N ms ...") */

/* Kinds of the value buffer, numbered as the native value numbers them. */
#define QZ_KIND_INVALID 0
#define QZ_KIND_ARRAY 1
#define QZ_KIND_BOOL 2
#define QZ_KIND_INT 3
#define QZ_KIND_FLOAT 4
#define QZ_KIND_STRING 5
#define QZ_KIND_OBJECT 6
#define QZ_KIND_BINARY 7

#define QZ_VALUE_HEADER_SIZE 5
#define QZ_MAX_VALUE_DEPTH 256

/* What qz_call returns. */
#define QZ_RESULT_NONE 0
#define QZ_RESULT_VALUE 1
#define QZ_RESULT_INT 2
#define QZ_RESULT_BOOL 3
#define QZ_RESULT_FLOAT 4
#define QZ_RESULT_STRING 5
#define QZ_RESULT_STRING_LIST 6
#define QZ_RESULT_FLOAT_LIST 7
#define QZ_RESULT_OBJECT 8

/* One module proxy: its connection to the broker and the module it reaches. */
typedef struct qz_proxy qz_proxy;

/* A result, or the text of a failure. The library owns `storage`; the caller reads
 * the other fields and hands the record to qz_result_free, once. A function that
 * fills a qz_result first sets every field to zero. */
typedef struct qz_result {
  int32_t number;      /* Int and Bool results; a posted call's task id        */
  float real;          /* Float results                                         */
  const uint8_t* data; /* bytes of a String, list or value result; error text  */
  size_t size;         /* bytes at data                                         */
  size_t count;        /* elements of a list result                             */
  void* storage;       /* what holds data; released by qz_result_free          */
} qz_result;

/* Looks `module` up on the broker at address:port (an IP address or a host name,
 * normalised as the native proxies do) and points a new proxy at the address the
 * broker reports. Every call of the proxy, this lookup included, is bounded as a whole
 * by timeout_ms (0: no bound; see qz_proxy_set_timeout). On QZ_OK *proxy is the new
 * handle; otherwise *proxy is null, nothing stays allocated and `error` holds the text
 * (for example the lookup error naming the module and the endpoint asked). A null
 * `proxy` or `error` gives QZ_BAD_ARGUMENT (with no text when `error` is null). */
QZ_CAPI int qz_proxy_open(const char* module, size_t module_size, const char* address,
                          size_t address_size, int32_t port, int32_t timeout_ms,
                          qz_proxy** proxy, qz_result* error);

/* Closes the proxy's connection and releases it. A null handle does nothing. */
QZ_CAPI void qz_proxy_close(qz_proxy* proxy);

/* Bounds every later call as a whole (connecting, sending, receiving the whole answer)
 * to `milliseconds`; 0, the default, waits indefinitely. A call that runs out returns
 * QZ_TIMED_OUT; its connection is dropped and the next call opens a new one. A
 * negative time gives QZ_BAD_ARGUMENT with a text in `error`. */
QZ_CAPI int qz_proxy_set_timeout(qz_proxy* proxy, int32_t milliseconds, qz_result* error);
/* The proxy's time-out in milliseconds; 0 for none or a null handle. */
QZ_CAPI int32_t qz_proxy_get_timeout(const qz_proxy* proxy);

/* The one function that another thread may call while a call is in progress on the
 * proxy: that call ends at once with QZ_ERROR and a text saying it was cancelled.
 * Without a call in progress it does nothing. A null handle does nothing.
 *
 * Every other function takes one proxy on one thread at a time: a call entered while
 * another thread is in a call on the same proxy fails at once with QZ_ERROR ("... the
 * proxy is in use by another thread ..."), and the first call goes on undisturbed. */
QZ_CAPI void qz_proxy_cancel(qz_proxy* proxy);

/* Calls `method` with the arguments in `args` (a value buffer: an Array of the
 * arguments, or Invalid for a method without any; args_size 0, args null or not, also
 * means no arguments) and waits for the answer, which arrives in `result` in the form
 * `result_kind` names. An answer [Int 0 or 1, x, ...] is unwrapped to x first, as for
 * every call. A null `result` gives QZ_BAD_ARGUMENT and does nothing else. */
QZ_CAPI int qz_call(qz_proxy* proxy, const char* method, size_t method_size,
                    const uint8_t* args, size_t args_size, int32_t result_kind,
                    qz_result* result);

/* Starts `method` on the broker as a task: result->number is its task id, which the
 * module's wait, isRunning and stop take. Arguments as for qz_call. */
QZ_CAPI int qz_post(qz_proxy* proxy, const char* method, size_t method_size,
                    const uint8_t* args, size_t args_size, qz_result* result);

/* Releases what a function left in `result` and sets its fields to zero; a null
 * pointer or an empty record does nothing. */
QZ_CAPI void qz_result_free(qz_result* result);

#ifdef __cplusplus
}
#endif

#endif
